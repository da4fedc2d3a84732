#include "assistance/PlanificateurTransferts.h"

#include "assistance/SessionLimits.h"
#include "session/ServerSpeakingFileTransfertManager.h"

namespace corvane::assistance {

TPlanificateurTransferts::TPlanificateurTransferts(base::MainLoop& loop, std::function<int()> envoisOuverts,
                                                   std::function<void(const TScheduledTransfert&)> demarrer)
    : timer_(loop, kPeriodePlanificateur),
      envoisOuverts_(std::move(envoisOuverts)),
      demarrer_(std::move(demarrer)) {
  timer_.onTimer = [this] { Demarrer(); };
}

bool TPlanificateurTransferts::Ajouter(const std::string& fichier, const std::string& repertoire) {
  for (const TScheduledTransfert& e : elements_)
    if (session::SameFileName(e.Fichier, fichier)) return false;
  elements_.push_back({fichier, repertoire});
  timer_.start();
  return true;
}

void TPlanificateurTransferts::Arreter() {
  timer_.stop();
  elements_.clear();
}

void TPlanificateurTransferts::Demarrer() {
  while (!elements_.empty() && envoisOuverts_() < kMaxEnvoisOuverts) {
    // Taken out first: an item that fails to start is not retried.
    const TScheduledTransfert item = elements_.front();
    elements_.pop_front();
    try {
      demarrer_(item);
    } catch (...) {
      if (OnEchec) OnEchec(item, std::current_exception());
    }
  }
  if (elements_.empty()) timer_.stop();
}

}  // namespace corvane::assistance
