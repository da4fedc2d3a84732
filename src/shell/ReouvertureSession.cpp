#include "shell/ReouvertureSession.h"

#include <array>
#include <string_view>

#include "base/Translate.h"

namespace corvane::shell {

bool EstActionEnregistrementClients(const std::string& nomAction) {
  static constexpr std::array<std::string_view, 4> kActions = {"actAjouterClient", "actSupprimerClient",
                                                                "actValiderClient", "actAnnulerClient"};
  for (auto a : kActions)
    if (nomAction == a) return true;
  return false;
}

bool TReouvertureSessionDialogue::Authentifier() {
  tentatives_ = 0;
  for (;;) {
    std::optional<std::string> motDePasse = saisie_(login_);
    if (!motDePasse) return false;
    ++tentatives_;
    if (authentification_ && authentification_->EssayerConnexion(login_, *motDePasse)) return true;
    if (tentatives_ >= kTentatives) return false;
  }
}

TReouvertureSession::TReouvertureSession(base::MainLoop& loop, IBoitesDialogue& boites, Environnement env)
    : timer_(loop, kDelaiRelogin, /*singleShot=*/true), boites_(boites), env_(std::move(env)) {
  timer_.onTimer = [this] { TimerRelogin(); };
}

void TReouvertureSession::EnregistrerAction(const std::string& nomAction) {
  if (nomAction == kActReloguer) return;
  if (enCours_)
    derniere_.reset();
  else
    derniere_ = nomAction;
}

void TReouvertureSession::TimerRelogin() {
  const Bouton b = boites_.Afficher(TypeBoite::Avertissement, base::Tr("Invalid session"),
                                    base::Tr("Your session is not valid : please re-login"),
                                    {Bouton::Ok, Bouton::Annuler});
  if (b != Bouton::Ok) {
    env_.ExecuterAction(kActDeconnecter);
    return;
  }
  switch (env_.StatusAgent()) {
    case 1: derniere_ = kActChangerStatusOccupe; break;
    case 2: derniere_ = kActChangerStatusDisponible; break;
    default: derniere_.reset(); break;
  }
  Reloguer();
}

void TReouvertureSession::ErreurSessionInvalide() {
  if (enCours_) return;
  env_.ArreterRafraichissement();
  Reloguer();
}

void TReouvertureSession::SetEnCours(bool value) {
  enCours_ = value;
  env_.SetReouvertureEnCours(value);
}

void TReouvertureSession::Reloguer() {
  if (enCours_) return;  // a second start while the dialog is up changes nothing
  std::optional<std::string> enAttente = derniere_;
  SetEnCours(true);
  {
    // Whatever happens below, the re-login ends with no recorded action and the flag cleared.
    struct Fin {
      TReouvertureSession& self;
      ~Fin() {
        self.derniere_.reset();
        self.SetEnCours(false);
      }
    } fin{*this};
    TReouvertureSessionDialogue dialogue(LoginAgent, env_.SaisirMotDePasse);
    if (!env_.Connecter(dialogue)) {
      enAttente.reset();
      env_.ExecuterAction(kActDeconnecter);
    } else if (enAttente && EstActionEnregistrementClients(*enAttente)) {
      env_.OuvrirClientsSiFerme();
      enAttente.reset();
      boites_.Afficher(TypeBoite::Information, base::Tr("Session re-opened"),
                       base::Tr("Session re-opened successfully, but last modifications not saved."),
                       {Bouton::Ok});
    }
  }
  if (enAttente) {
    try {
      env_.ExecuterAction(*enAttente);
    } catch (...) {
      // A replayed action fails silently: its error was the reason for the re-login.
    }
  }
}

}  // namespace corvane::shell
