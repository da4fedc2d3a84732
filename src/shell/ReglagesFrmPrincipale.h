#pragma once
// The main window's stored values: closing-timer interval, status-refresh interval and the service
// root. Restored before the main window is first shown, saved when it is allowed to close.

#include <cstdint>
#include <string>

#include "shell/ConfigurationStore.h"

namespace corvane::shell {

inline constexpr int64_t kTimerFermetureApplicationIntervalDefaut = 750;  // ms
inline constexpr int64_t kIntervalRafraichissementStatusDefaut = 3;       // minutes

struct ReglagesFrmPrincipale {
  int64_t TimerFermetureApplicationInterval = kTimerFermetureApplicationIntervalDefaut;
  int64_t IntervalRafraichissementStatus = kIntervalRafraichissementStatusDefaut;
  std::string RacineServeur;  // as stored; empty means the built-in default

  std::string RacineEffective() const;
};

// Values below 1 (which would stop the timers for good) give the defaults.
ReglagesFrmPrincipale LireReglagesFrmPrincipale(ConfigurationStore& store);

// Writes FormVersion and the stored values. With the built-in default root in effect the
// RacineServeur key is dropped, so that the default root never reaches the file; a custom root is
// written back exactly as it was read.
void EcrireReglagesFrmPrincipale(ConfigurationStore& store, const ReglagesFrmPrincipale& reglages);

}  // namespace corvane::shell
