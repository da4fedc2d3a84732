#include "shell/SequenceFermeture.h"

#include "base/Translate.h"
#include "shell/Demarrage.h"

namespace corvane::shell {

std::string TexteSessionsActives() {
  return base::Tr("Active assistance session(s) detected. Exit anyway ?\r\nIf yes each session will terminate.");
}

TSequenceFermeture::TSequenceFermeture(base::MainLoop& loop, IBoitesDialogue& boites, Environnement env)
    : timer_(loop, kIntervalleDefaut), boites_(boites), env_(std::move(env)) {
  timer_.onTimer = [this] { env_.RepeterFermeture(); };
}

bool TSequenceFermeture::DemandeFermeture() {
  if (env_.NbreSessions() == 0) {
    if (env_.Connecte()) env_.Deconnecter();
  } else {
    if (!timer_.enabled()) {
      const Bouton b = boites_.Afficher(TypeBoite::Avertissement, TitreApplication(), TexteSessionsActives(),
                                        {Bouton::Oui, Bouton::Non});
      if (b != Bouton::Oui) return false;
    }
    env_.FermerSessions();
    // Sessions that closed at once leave nothing to wait for: log out now rather than one
    // timer period later.
    if (env_.NbreSessions() == 0 && env_.Connecte()) env_.Deconnecter();
  }
  const bool permis = env_.NbreSessions() == 0 && env_.EcouteInactive();
  if (permis) {
    timer_.stop();
  } else if (!timer_.enabled()) {
    timer_.start();
  }
  return permis;
}

}  // namespace corvane::shell
