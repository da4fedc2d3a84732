#include "assistance/TransfertsModel.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "assistance/AssistanceError.h"
#include "assistance/SessionLimits.h"
#include "assistance/TexteTransfert.h"
#include "base/Format.h"
#include "base/Translate.h"
#include "session/FileTransfertError.h"

namespace corvane::assistance {

namespace fs = std::filesystem;

namespace {

bool EstDossier(const std::string& chemin) {
  std::error_code ec;
  return !chemin.empty() && fs::is_directory(chemin, ec);
}

bool Existe(const std::string& chemin) {
  std::error_code ec;
  return !chemin.empty() && fs::exists(chemin, ec);
}

void Effacer(const std::string& chemin) {
  std::error_code ec;
  if (!chemin.empty()) fs::remove(chemin, ec);
}

std::string Minuscules(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

}  // namespace

std::string NouveauFichierTemporaire(const std::string& extension) {
  std::error_code ec;
  fs::path dossier = fs::temp_directory_path(ec);
  if (ec) dossier = "/tmp";
  std::string modele = (dossier / ("corvane-XXXXXX" + extension)).string();
  const int fd = ::mkstemps(modele.data(), static_cast<int>(extension.size()));
  if (fd < 0) throw FolderArchiveError(base::Format(base::Tr("Cannot create a temporary file in \"%s\""), {dossier.string()}));
  ::close(fd);
  return modele;
}

bool FichierLibrePourEcriture(const std::string& chemin) {
  if (!Existe(chemin)) return true;
  const int fd = ::open(chemin.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  const bool libre = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);  // releases the lock taken for the test
  return libre;
}

TFrmToolFileTransfertModel::TFrmToolFileTransfertModel(ISessionTransferts& session) : session_(session) {
  MettreAJourCaption();
  session_.SetAutorisations(Autorisations());
}

TFrmToolFileTransfertModel::~TFrmToolFileTransfertModel() {
  vivant_.reset();
  liaisons_.clear();
  while (!lignes_.empty()) Supprimer(lignes_.begin());
  for (const std::string& a : archives_) Effacer(a);
}

base::Bouton TFrmToolFileTransfertModel::Boite(base::TypeBoite type, const std::string& titre,
                                              const std::string& texte, const std::vector<base::Bouton>& boutons) {
  if (!bureau_) return boutons.front();
  return bureau_->Afficher(type, titre, texte, boutons);
}

// --- caption and authorizations ---------------------------------------------------------------------

void TFrmToolFileTransfertModel::MettreAJourCaption() {
  const std::string envois =
      nbEnvois_ == 0 ? base::Tr("No upload") : std::to_string(nbEnvois_) + " " + base::Tr("uploads");
  const std::string receptions =
      nbReceptions_ == 0 ? base::Tr("No download") : std::to_string(nbReceptions_) + " " + base::Tr("downloads");
  const std::string caption = envois + ", " + receptions;
  if (caption == caption_) return;
  caption_ = caption;
  OnCaptionChange();
}

void TFrmToolFileTransfertModel::MettreAJourAutorisations() {
  if (!enregistrer_ && !executer_) enregistrer_ = true;  // at least one end operation stays allowed
  session_.SetAutorisations(Autorisations());
}

void TFrmToolFileTransfertModel::SetAutoriserEnregistrer(bool value) {
  enregistrer_ = value;
  MettreAJourAutorisations();
}

void TFrmToolFileTransfertModel::SetAutoriserExecuter(bool value) {
  executer_ = value;
  MettreAJourAutorisations();
}

void TFrmToolFileTransfertModel::Afficher() {
  MettreAJourAutorisations();
  MettreAJourCaption();
}

// --- sending ------------------------------------------------------------------------------------------

void TFrmToolFileTransfertModel::Envoyer(const std::string& fichier, const std::string& repertoire) {
  try {
    session_.EnvoyerFichier(fichier, repertoire);
  } catch (const session::EFileTransfertError& e) {
    Boite(base::TypeBoite::Avertissement,
          repertoire.empty() ? base::Tr("Can't send file") : base::Tr("Can't send directory"), e.what(),
          {base::Bouton::Ok});
  }
}

void TFrmToolFileTransfertModel::EnvoyerFichiers(const std::vector<std::string>& fichiers) {
  const int ouverts = session_.EnvoisOuverts();
  if (ouverts < kMaxEnvoisOuverts && ouverts + static_cast<int>(fichiers.size()) >= kMaxEnvoisOuverts)
    Boite(base::TypeBoite::Avertissement, base::Tr("Too much files"),
          base::Format(base::Tr("No more than %d files at the same time. Other files scheduled."), {kMaxEnvoisOuverts}),
          {base::Bouton::Ok});
  for (const std::string& f : fichiers) Envoyer(f, std::string());
}

void TFrmToolFileTransfertModel::EnvoyerDossier(const std::string& dossier) {
  if (!EstDossier(dossier)) return;
  std::string archive;
  try {
    archive = NouveauFichierTemporaire(".z");
  } catch (const AssistanceError& e) {
    Boite(base::TypeBoite::Avertissement, base::Tr("Can't send directory"), e.what(), {base::Bouton::Ok});
    return;
  }
  archives_.insert(archive);
  std::weak_ptr<bool> vivant = vivant_;
  session_.DemarrerCompression(
      TCompressionDecompressionThread::Pack, dossier, archive,
      [this, vivant, archive, dossier](bool interrompu, const std::string& erreur) {
        if (vivant.expired()) {
          Effacer(archive);
          return;
        }
        if (interrompu || !erreur.empty()) {
          archives_.erase(archive);
          Effacer(archive);
          // Stopped on request: quietly. Failed: the agent learns why nothing goes.
          if (!interrompu)
            Boite(base::TypeBoite::Avertissement, base::Tr("Can't send directory"), erreur, {base::Bouton::Ok});
          return;
        }
        Envoyer(archive, dossier);
      });
}

void TFrmToolFileTransfertModel::Deposer(const std::vector<std::string>& chemins) {
  for (const std::string& c : chemins) {
    if (EstDossier(c))
      EnvoyerDossier(c);
    else
      Envoyer(c, std::string());
  }
}

// --- reports ------------------------------------------------------------------------------------------

std::list<std::unique_ptr<TFrmToolFileTransfertModel::Ligne>>::iterator TFrmToolFileTransfertModel::Lie(
    const void* transfert) {
  for (auto& [id, liaison] : liaisons_)
    if (liaison.transfert == transfert)
      return std::find_if(lignes_.begin(), lignes_.end(), [id = id](const auto& l) { return l->Id() == id; });
  return lignes_.end();
}

void TFrmToolFileTransfertModel::Rapport(const void* transfert, const session::TOLAFileTransfertProgressInfos& infos,
                                        const std::function<void()>& arreter) {
  auto it = Lie(transfert);
  // A transfer reports "preparing" once, first: a line still bound to this address belonged to an
  // earlier transfer whose last word never came, and is let go.
  if (it != lignes_.end() && infos.Status == session::ftsPreparing) {
    (*it)->Delier();
    std::erase_if(liaisons_, [&](const auto& l) { return l.first == (*it)->Id(); });
    OnLigneModifiee(**it);
    it = lignes_.end();
  }
  if (it == lignes_.end()) {
    auto ligne = std::make_unique<Ligne>(++dernierId_);
    ligne->SeparateurDecimal = SeparateurDecimal;
    (infos.Direction == session::ftdSend ? nbEnvois_ : nbReceptions_)++;
    lignes_.push_back(std::move(ligne));
    it = std::prev(lignes_.end());
    liaisons_.push_back({(*it)->Id(), Liaison{transfert, false}});
    // The line is created bound, then takes this first report like any other.
    (*it)->Rapport(infos, arreter);
    MettreAJourCaption();
    OnLigneCreee(**it);
  } else {
    const bool canalFerme = std::find_if(liaisons_.begin(), liaisons_.end(), [&](const auto& l) {
                              return l.first == (*it)->Id();
                            })->second.canalFerme;
    // After its connection ended, only the transfer's own closing report comes: it must not stop
    // anything any more.
    (*it)->Rapport(infos, canalFerme ? std::function<void()>() : arreter);
    if (canalFerme) (*it)->Delier();
    OnLigneModifiee(**it);
  }
  Ligne& ligne = **it;
  if (!ligne.Lie() || ligne.Termine()) {
    std::erase_if(liaisons_, [&](const auto& l) { return l.first == ligne.Id(); });
    ligne.Delier();
  }
}

void TFrmToolFileTransfertModel::CanalFerme(const void* transfert) {
  for (auto& [id, liaison] : liaisons_) {
    if (liaison.transfert != transfert || liaison.canalFerme) continue;
    // The key stays to take the closing report the connection's thread still sends; the line can
    // no longer stop the transfer.
    liaison.canalFerme = true;
    if (Ligne* l = Trouver(id)) {
      l->Delier();
      OnLigneModifiee(*l);
    }
  }
}

// --- lines --------------------------------------------------------------------------------------------

TFrmToolFileTransfertModel::Ligne* TFrmToolFileTransfertModel::Trouver(uint64_t id) {
  for (auto& l : lignes_)
    if (l->Id() == id) return l.get();
  return nullptr;
}

void TFrmToolFileTransfertModel::Supprimer(std::list<std::unique_ptr<Ligne>>::iterator it) {
  Ligne& ligne = **it;
  OnLigneSupprimee(ligne);
  std::erase_if(liaisons_, [&](const auto& l) { return l.first == ligne.Id(); });
  if (ligne.Entrant()) {
    Effacer(ligne.LocalFile());  // the received temporary file
  } else if (archives_.erase(ligne.FileName())) {
    Effacer(ligne.FileName());  // the folder archive we packed for it
  }
  (ligne.Direction() == session::ftdSend ? nbEnvois_ : nbReceptions_)--;
  lignes_.erase(it);
  MettreAJourCaption();
}

void TFrmToolFileTransfertModel::Annuler(uint64_t id) {
  if (Ligne* l = Trouver(id)) {
    l->Annuler();
    OnLigneModifiee(*l);
  }
}

void TFrmToolFileTransfertModel::Fermer(uint64_t id) {
  auto it = std::find_if(lignes_.begin(), lignes_.end(), [&](const auto& l) { return l->Id() == id; });
  // A line still receiving keeps its temporary file: Close only exists once it ended or let go.
  if (it == lignes_.end() || ((*it)->Lie() && !(*it)->Termine())) return;
  Supprimer(it);
}

void TFrmToolFileTransfertModel::Enregistrer(uint64_t id) {
  Ligne* ligne = Trouver(id);
  if (!ligne || !ligne->Entrant() || ligne->Etat() != session::ftsTransferred) return;
  if (!ligne->DirectoryName().empty()) {
    Depaqueter(*ligne);
    return;
  }
  if (!bureau_) return;
  const std::string nom = DernierComposant(ligne->FileName());
  const size_t point = nom.find_last_of('.');
  const std::string extension = point == std::string::npos ? std::string() : nom.substr(point);
  const std::string filtre = "Fichiers " + Minuscules(extension) + "|*" + extension + "|" + "Tous fichiers (*.*)|*.*";
  const std::optional<std::string> destination =
      bureau_->ChoisirFichierEnregistrement(nom, extension.empty() ? extension : extension.substr(1), filtre);
  if (!destination || !Existe(ligne->LocalFile())) return;
  if (!FichierLibrePourEcriture(*destination)) {
    Boite(base::TypeBoite::Avertissement, base::Tr("Can't save"),
          base::Format(base::Tr("Destination file \"%s\" is in use."), {*destination}), {base::Bouton::Ok});
    return;
  }
  std::error_code ec;
  fs::copy_file(ligne->LocalFile(), *destination, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    Boite(base::TypeBoite::Avertissement, base::Tr("Can't save"), ec.message(), {base::Bouton::Ok});
    return;
  }
  ligne->SavedCopy = *destination;
  OnLigneModifiee(*ligne);
}

void TFrmToolFileTransfertModel::Depaqueter(Ligne& ligne) {
  if (!bureau_ || !Existe(ligne.LocalFile())) return;
  const std::optional<std::string> dossier = bureau_->ChoisirDossier(base::Tr("Select destination folder"));
  if (!dossier) return;
  const std::string cible = (fs::path(*dossier) / NomDossierSur(ligne.DirectoryName())).string();
  if (Existe(cible) &&
      Boite(base::TypeBoite::Confirmation, base::Tr("Folder already exists"),
            base::Tr("Folder already exists. Overwrite it ?"), {base::Bouton::Oui, base::Bouton::Non}) != base::Bouton::Oui)
    return;
  std::weak_ptr<bool> vivant = vivant_;
  const uint64_t id = ligne.Id();
  session_.DemarrerCompression(
      TCompressionDecompressionThread::Unpack, ligne.LocalFile(), cible,
      [this, vivant, id, cible](bool interrompu, const std::string& erreur) {
        if (vivant.expired() || interrompu) return;
        if (!erreur.empty()) {
          Boite(base::TypeBoite::Erreur, base::Tr("Can't save"), erreur, {base::Bouton::Ok});
          return;
        }
        // Recorded on the line that asked (it may have been closed meanwhile).
        if (Ligne* l = Trouver(id)) {
          l->UnpackedFolder = cible;
          OnLigneModifiee(*l);
        }
      });
}

void TFrmToolFileTransfertModel::Executer(uint64_t id) {
  Ligne* ligne = Trouver(id);
  if (!ligne || !ligne->Entrant() || ligne->Etat() != session::ftsTransferred) return;
  if (!ligne->DirectoryName().empty()) {
    // The sender's folder path names the customer's computer: only the folder we unpacked opens.
    if (EstDossier(ligne->UnpackedFolder)) {
      if (bureau_) bureau_->Ouvrir(ligne->UnpackedFolder);
    } else {
      Enregistrer(id);
    }
    return;
  }
  for (const std::string& chemin : {ligne->SavedCopy, ligne->LocalFile()}) {
    if (Existe(chemin)) {
      if (bureau_) bureau_->Ouvrir(chemin);
      return;
    }
  }
}

void TFrmToolFileTransfertModel::EffacerTermines() {
  for (auto it = lignes_.begin(); it != lignes_.end();) {
    auto suivant = std::next(it);
    if ((*it)->Termine()) Supprimer(it);
    it = suivant;
  }
}

void TFrmToolFileTransfertModel::AnnulerTout() {
  if (Boite(base::TypeBoite::Confirmation, base::Tr("Cancel all tranfers"),
            base::Tr("Really cancel all active file transfers now ?"),
            {base::Bouton::Oui, base::Bouton::Non}) != base::Bouton::Oui)
    return;
  session_.Planificateur().Arreter();
  for (auto& l : lignes_)
    if (!l->Termine()) {
      l->Annuler();
      OnLigneModifiee(*l);
    }
}

// --- the session's end --------------------------------------------------------------------------------

void TFrmToolFileTransfertModel::ArreterTout() {
  session_.Planificateur().Arreter();
  session_.TerminerCompressions();
}

void TFrmToolFileTransfertModel::MarquerInterrompus() {
  for (auto& l : lignes_) {
    if (l->Termine()) continue;
    l->MarquerInterrompu();
    std::erase_if(liaisons_, [&](const auto& b) { return b.first == l->Id(); });
    OnLigneModifiee(*l);
  }
}

}  // namespace corvane::assistance
