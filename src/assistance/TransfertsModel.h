#pragma once
// The transfers window of a session (TFrmToolFileTransfert) as plain logic: its caption with the
// counts, the end operations allowed to the customer, sending files and folders (folders are
// packed into a temporary ".z" first), dropped paths, the progress lines with their buttons
// (Cancel/Close, Save, Execute), unpacking a received folder, "Clear terminated transfers" and
// "Cancel all tranfers". The session supplies its hooks (ISessionTransferts); the window supplies
// the boxes, the file and folder dialogs and the desktop's "open" (IBureauTransferts).
//
// Files: a received file waits in the receiver's temporary file, deleted with its line; a folder
// archive we packed is deleted when its line goes (or with the window). Execute only ever opens
// what is on the agent's side: the saved copy or the received temporary file, or the folder we
// unpacked; never the path the sender announced, which names the customer's computer.
//
// Threads: main thread only. Progress reports arrive there from the session; a line is found by
// its transfer's address, used as a key and never dereferenced (see TFrmTransfertProgressionModel).

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "assistance/CompressionDecompressionThread.h"
#include "assistance/LigneTransfertModel.h"
#include "assistance/PlanificateurTransferts.h"
#include "base/BoitesDialogue.h"
#include "base/Notification.h"

namespace corvane::assistance {

// What the transfers window needs of its session.
class ISessionTransferts {
public:
  virtual ~ISessionTransferts() = default;
  // Outgoing transfers open now.
  virtual int EnvoisOuverts() const = 0;
  // Starts one sending: accepted, scheduled or refused by the session's rules. Throws the channel
  // layer's errors (EFileTransfertError, FileSystemError).
  virtual void EnvoyerFichier(const std::string& fichier, const std::string& repertoire) = 0;
  // Packs or unpacks on a thread the session owns (and joins when it goes); fin runs on the main
  // thread when the work ended by itself: aborted, and the error's message ("" when none).
  virtual void DemarrerCompression(TCompressionDecompressionThread::Mode mode, const std::string& source,
                                   const std::string& destination,
                                   std::function<void(bool interrompu, const std::string& erreur)> fin) = 0;
  // Asks every packing and unpacking thread to stop.
  virtual void TerminerCompressions() = 0;
  // The end operations allowed on each file sent from now on.
  virtual void SetAutorisations(uint8_t bits) = 0;
  virtual TPlanificateurTransferts& Planificateur() = 0;
};

// What the transfers window needs of the desktop: boxes, dialogs and the "open" action.
class IBureauTransferts : public base::IBoitesDialogue {
public:
  // The save dialog (asks before overwriting, hides read-only files, requires an existing path).
  virtual std::optional<std::string> ChoisirFichierEnregistrement(const std::string& nomPropose,
                                                                  const std::string& extensionDefaut,
                                                                  const std::string& filtre) = 0;
  // The folder browser with its title.
  virtual std::optional<std::string> ChoisirDossier(const std::string& titre) = 0;
  // Opens a document or folder with the desktop's default application.
  virtual void Ouvrir(const std::string& chemin) = 0;
};

class TFrmToolFileTransfertModel {
public:
  using Ligne = TFrmTransfertProgressionModel;

  TFrmToolFileTransfertModel(ISessionTransferts& session);
  // Releases every line (their temporary files go with them) and the archives still waiting.
  ~TFrmToolFileTransfertModel();
  TFrmToolFileTransfertModel(const TFrmToolFileTransfertModel&) = delete;
  TFrmToolFileTransfertModel& operator=(const TFrmToolFileTransfertModel&) = delete;

  // The window's desktop services; without them, boxes answer with their first button and dialogs
  // are cancelled.
  void SetBureau(IBureauTransferts* bureau) { bureau_ = bureau; }
  char SeparateurDecimal = '.';

  // --- caption and authorizations ---
  const std::string& Caption() const { return caption_; }
  int NbEnvois() const { return nbEnvois_; }
  int NbReceptions() const { return nbReceptions_; }
  bool AutoriserEnregistrer() const { return enregistrer_; }
  bool AutoriserExecuter() const { return executer_; }
  // "Allow client to save file" / "Allow client to execute file": at least one stays on.
  void SetAutoriserEnregistrer(bool value);
  void SetAutoriserExecuter(bool value);
  uint8_t Autorisations() const { return static_cast<uint8_t>((enregistrer_ ? 1 : 0) | (executer_ ? 2 : 0)); }
  // The window is shown: caption and authorizations are rebuilt.
  void Afficher();

  // --- sending ---
  // "Send files...": the files chosen, in order; the limit warning, and "Can't send file" boxes.
  void EnvoyerFichiers(const std::vector<std::string>& fichiers);
  // "Send folder..." (and a dropped folder): packs it into a temporary ".z", then sends that with
  // the folder's path. Nothing happens for a path that is not an existing folder.
  void EnvoyerDossier(const std::string& dossier);
  // Paths dropped on the window: folders are sent as folders, anything else as a file.
  void Deposer(const std::vector<std::string>& chemins);

  // --- reports from the session ---
  // Every progress report of a transfer, in either direction; arreter stops that transfer (only
  // called while this report runs).
  void Rapport(const void* transfert, const session::TOLAFileTransfertProgressInfos& infos,
               const std::function<void()>& arreter);
  // The connection of that transfer ended: its line can no longer reach it.
  void CanalFerme(const void* transfert);

  // --- lines ---
  const std::list<std::unique_ptr<Ligne>>& Lignes() const { return lignes_; }
  Ligne* Trouver(uint64_t id);
  void Annuler(uint64_t id);      // Cancel
  void Fermer(uint64_t id);       // Close
  void Enregistrer(uint64_t id);  // Save (unpacks a folder)
  void Executer(uint64_t id);     // Execute
  void EffacerTermines();         // "Clear terminated transfers"
  void AnnulerTout();             // "Cancel all tranfers" (asks first)

  // --- the session's end ---
  // Stops the scheduler, empties the schedule and asks the packing threads to stop.
  void ArreterTout();
  // Every unfinished line is marked cancelled (aborted).
  void MarquerInterrompus();

  // --- notifications ---
  base::Notification<Ligne&> OnLigneCreee;
  base::Notification<Ligne&> OnLigneModifiee;
  base::Notification<Ligne&> OnLigneSupprimee;  // before the line is destroyed
  base::Notification<> OnCaptionChange;

private:
  struct Liaison {
    const void* transfert;
    bool canalFerme;
  };
  void MettreAJourCaption();
  void MettreAJourAutorisations();
  void Envoyer(const std::string& fichier, const std::string& repertoire);
  void Supprimer(std::list<std::unique_ptr<Ligne>>::iterator it);
  void Depaqueter(Ligne& ligne);
  base::Bouton Boite(base::TypeBoite type, const std::string& titre, const std::string& texte,
                     const std::vector<base::Bouton>& boutons);
  std::list<std::unique_ptr<Ligne>>::iterator Lie(const void* transfert);

  ISessionTransferts& session_;
  IBureauTransferts* bureau_ = nullptr;
  std::string caption_;
  int nbEnvois_ = 0;
  int nbReceptions_ = 0;
  bool enregistrer_ = true;
  bool executer_ = true;
  uint64_t dernierId_ = 0;
  std::list<std::unique_ptr<Ligne>> lignes_;
  // The binding of each line still listening to its transfer, by line id.
  std::vector<std::pair<uint64_t, Liaison>> liaisons_;
  // Folder archives we packed and have not deleted yet.
  std::set<std::string> archives_;
  // Work handed to threads checks it, so nothing runs into a destroyed model.
  std::shared_ptr<bool> vivant_ = std::make_shared<bool>(true);
};

// A new file name in the system's temporary folder with the given extension (".z"), created empty
// so that no other program takes it.
std::string NouveauFichierTemporaire(const std::string& extension);

// Whether the file can be opened for writing with nobody else holding it (no lock, not a folder,
// writable). A missing file counts as free.
bool FichierLibrePourEcriture(const std::string& chemin);

}  // namespace corvane::assistance
