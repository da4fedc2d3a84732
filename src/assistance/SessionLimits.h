#pragma once
// Limits and periods of an assistance session: the channels it waits for, what its TCP server
// accepts from the network, and the outgoing transfers it keeps open.

#include <cstddef>
#include <cstdint>

namespace corvane::assistance {

// The channel components of a session; the session runs once all of them are bound.
inline constexpr int kNbreCanaux = 11;

// Outgoing transfers open at once; further sendings wait in the schedule.
inline constexpr int kMaxEnvoisOuverts = 12;

// Customer chat lines kept while the session is being set up (shown once it runs).
inline constexpr size_t kMaxChatEnAttente = 256;

// Connections a session's TCP server keeps open at once; extra ones are closed at once.
inline constexpr size_t kMaxConnexionsSession = 64;
// Connections that have not announced a channel yet; beyond it silent connections close themselves
// at their next line wait, so a flood of them cannot keep the real channels out for long.
inline constexpr size_t kMaxConnexionsNonAnnoncees = 16;
// A connection that has not announced a channel within this time is closed (real time, ms).
inline constexpr int kDelaiAnnonceCanalMs = 10000;
// A new connection is never closed for the silence of others before this time (real time, ms):
// a real channel that arrives during a flood, on a loaded machine, still has time to announce.
inline constexpr int kGraceAnnonceMs = 2000;
// Read time limit of each announcement line before binding; a real channel announces itself at
// once, so only silent connections wait this long.
inline constexpr int kLectureAnnonceMs = 250;

// Assistance ports tried for one call, at most (duplicates of a long list included).
inline constexpr size_t kMaxCandidatsPorts = 65536;

// Timers (ms).
inline constexpr uint32_t kPeriodeTimerConnexion = 800;
inline constexpr uint32_t kDelaiConnexion = 25000;
inline constexpr uint32_t kPeriodeTimerHorloge = 1000;
inline constexpr uint32_t kPeriodeDeconnexion = 3000;
inline constexpr uint32_t kPeriodeDeconnexionRapide = 1000;
inline constexpr uint32_t kPeriodeTimerLeds = 500;
inline constexpr uint32_t kExtinctionEcran = 300;   // upper green lamp off after this silence
inline constexpr uint32_t kExtinctionEntree = 500;  // lower red lamp off after this silence
inline constexpr uint32_t kPeriodePlanificateur = 5000;

}  // namespace corvane::assistance
