#pragma once
// Texts of the session window: the state banner and the duration clock.

#include <cstdint>
#include <string>

namespace corvane::assistance {

// The banner text of a connection state, translated ("" for state 2, where it is hidden).
std::string TexteBanniere(int etat);

// A duration as hours, minutes and seconds without leading zeros: "0h 3min 7s".
std::string TexteDuree(uint64_t millisecondes);

// The current local time in the long time format ("14:05:09").
std::string HeureLocale();

}  // namespace corvane::assistance
