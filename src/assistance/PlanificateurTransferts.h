#pragma once
// The schedule of sendings waiting for a free place (TScheduledTransferts): at most
// kMaxEnvoisOuverts outgoing transfers are open in a session, the others wait here and are retried
// every 5 s while the schedule is not empty. A file is scheduled once (paths compared without
// regard to case). Main thread only.

#include <deque>
#include <functional>
#include <string>

#include "base/Timer.h"

namespace corvane::assistance {

struct TScheduledTransfert {
  std::string Fichier;
  std::string Repertoire;  // the folder's name when the file is a packed folder
};

class TPlanificateurTransferts {
public:
  // envoisOuverts: outgoing transfers open now. demarrer: starts one sending (may throw).
  TPlanificateurTransferts(base::MainLoop& loop, std::function<int()> envoisOuverts,
                           std::function<void(const TScheduledTransfert&)> demarrer);

  // A sending that failed to start from the schedule: (item, the error).
  std::function<void(const TScheduledTransfert&, std::exception_ptr)> OnEchec;

  // False when the file is already scheduled.
  bool Ajouter(const std::string& fichier, const std::string& repertoire);
  // Stops the scheduler and empties the schedule.
  void Arreter();
  // One scheduler tick: starts waiting sendings while places are free.
  void Demarrer();
  const std::deque<TScheduledTransfert>& Elements() const { return elements_; }
  bool TimerActif() const { return timer_.enabled(); }

private:
  base::Timer timer_;
  std::function<int()> envoisOuverts_;
  std::function<void(const TScheduledTransfert&)> demarrer_;
  std::deque<TScheduledTransfert> elements_;
};

}  // namespace corvane::assistance
