#include "assistance/LigneTransfertModel.h"

#include "assistance/TexteTransfert.h"
#include "base/Format.h"
#include "base/Translate.h"

namespace corvane::assistance {

std::string TexteEtatTransfert(session::TOLAFileTransfertStatus etat) {
  switch (etat) {
    case session::ftsPreparing: return base::Tr("Preparing");
    case session::ftsTransferring: return base::Tr("Transferring");
    case session::ftsCancelled: return base::Tr("Cancelled");
    case session::ftsTransferred: return base::Tr("Transferred");
    default: return std::string();
  }
}

void TFrmTransfertProgressionModel::Rapport(const session::TOLAFileTransfertProgressInfos& infos,
                                           const std::function<void()>& arreter) {
  fileName_ = infos.FileName;
  directoryName_ = infos.DirectoryName;
  localFile_ = infos.LocalFileName;
  size_ = infos.FileSize;
  done_ = infos.Transferred;
  etat_ = infos.Status;
  vitesse_ = infos.BytesPerSecond;
  restant_ = infos.RemainingSeconds;
  direction_ = infos.Direction;
  autorisations_ = infos.Authorizations;
  AppliquerEtat();
  Libeller();
  if (etat_ == session::ftsNone || Termine()) {
    lie_ = false;
  } else if (annulation_ && lie_) {
    texteEtat_ = base::Tr("Cancelling...");
    if (arreter) arreter();
  }
}

void TFrmTransfertProgressionModel::AppliquerEtat() {
  switch (etat_) {
    case session::ftsPreparing:
      premier_ = PremierBouton::Annuler;
      premierVisible_ = lie_;
      saveVisible_ = executeVisible_ = false;
      visible_ = true;
      break;
    case session::ftsCancelled:
      premier_ = PremierBouton::Fermer;
      premierVisible_ = true;
      visible_ = true;
      break;
    case session::ftsTransferred:
      premier_ = PremierBouton::Fermer;
      premierVisible_ = true;
      visible_ = true;
      if (Entrant()) {
        saveVisible_ = executeVisible_ = true;
        saveEnabled_ = (autorisations_ & 1) != 0;
        executeEnabled_ = (autorisations_ & 2) != 0;
      }
      break;
    default:
      // A line whose first report is already past preparing still shows, with Cancel.
      if (!visible_ && etat_ == session::ftsTransferring) {
        premier_ = PremierBouton::Annuler;
        premierVisible_ = lie_;
        visible_ = true;
      }
      break;
  }
}

void TFrmTransfertProgressionModel::Libeller() {
  if (Entrant())
    texteNom_ = DernierComposant(directoryName_.empty() ? fileName_ : directoryName_);
  else
    texteNom_ = directoryName_.empty() ? fileName_ : directoryName_;
  const std::string fait = TexteTaille(static_cast<double>(done_), SeparateurDecimal);
  const std::string total = TexteTaille(static_cast<double>(size_), SeparateurDecimal);
  const std::string etat = TexteEtatTransfert(etat_);
  switch (etat_) {
    case session::ftsNone:
      texteEtat_ = texteTailles_ = "---";
      return;
    case session::ftsCancelled:
      texteEtat_ = etat;
      texteTailles_ = base::Format(base::Tr("%s of %s"), {fait, total});
      return;
    default:
      if (restant_ > 0 && etat_ != session::ftsTransferred)
        texteEtat_ = base::Format(base::Tr("%s, %s "), {etat, TexteTempsRestant(restant_)}) + base::Tr("remaining") + ".";
      else
        texteEtat_ = etat;
      if (vitesse_ > 0)
        texteTailles_ = base::Format(base::Tr("%s of %s at %s"),
                                     {fait, total, TexteTaille(vitesse_, SeparateurDecimal) + "/s"});
      else
        texteTailles_ = base::Format(base::Tr("%s of %s"), {fait, total});
  }
}

void TFrmTransfertProgressionModel::Annuler() {
  if (lie_) annulation_ = true;
}

void TFrmTransfertProgressionModel::MarquerInterrompu() {
  if (Termine()) return;
  etat_ = session::ftsCancelled;
  interrompu_ = true;
  lie_ = false;
  AppliquerEtat();
  Libeller();
}

}  // namespace corvane::assistance
