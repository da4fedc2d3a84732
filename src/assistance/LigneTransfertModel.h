#pragma once
// One progress line of the transfers window (TFrmTransfertProgression) as plain logic: what the
// last report of its transfer said, the state's buttons and the labels.
//
// States: running (1 preparing, 2 transferring), cancelling (the agent pressed Cancel: at the
// transfer's next report the status reads "Cancelling..." and the transfer is asked to stop through
// its Disconnect), transferred (4), cancelled (3), and aborted (cancelled by the session's end,
// which never heard the transfer's last word). A line is bound to its transfer until a report
// with state 0, 3 or 4, or until the transfer's channel is gone; only a bound line can be
// cancelled.
//
// Threads: main thread only. The line never reaches its transfer outside a report of that
// transfer, during which the transfer exists: a channel destroyed on its own thread cannot leave
// the line with a dangling pointer.

#include <cstdint>
#include <functional>
#include <string>

#include "session/FileTransfertProgressInfos.h"

namespace corvane::assistance {

class TFrmTransfertProgressionModel {
public:
  enum class PremierBouton { Annuler, Fermer };

  explicit TFrmTransfertProgressionModel(uint64_t id) : id_(id) {}

  uint64_t Id() const { return id_; }

  // A report of the bound transfer; arreter asks that transfer to stop (its Disconnect).
  void Rapport(const session::TOLAFileTransfertProgressInfos& infos, const std::function<void()>& arreter);
  // Cancel: only while bound; acted on at the next report.
  void Annuler();
  // The transfer's channel is gone: the line cannot reach it any more.
  void Delier() {
    lie_ = false;
    if (premier_ == PremierBouton::Annuler) premierVisible_ = false;
  }
  // The session ends before this transfer finished: cancelled, labels refreshed.
  void MarquerInterrompu();

  bool Lie() const { return lie_; }
  bool AnnulationDemandee() const { return annulation_; }
  bool Interrompu() const { return interrompu_; }
  bool Termine() const { return etat_ == session::ftsCancelled || etat_ == session::ftsTransferred; }
  bool Entrant() const { return direction_ == session::ftdReceive; }

  // What the last report said.
  const std::string& FileName() const { return fileName_; }
  const std::string& LocalFile() const { return localFile_; }
  const std::string& DirectoryName() const { return directoryName_; }
  int64_t Size() const { return size_; }
  int64_t Done() const { return done_; }
  session::TOLAFileTransfertStatus Etat() const { return etat_; }
  session::TOLAFileTransfertDirection Direction() const { return direction_; }
  uint8_t Autorisations() const { return autorisations_; }

  // Kept by the transfers window.
  std::string SavedCopy;
  std::string UnpackedFolder;
  char SeparateurDecimal = '.';

  // What the line shows.
  bool Visible() const { return visible_; }
  PremierBouton Premier() const { return premier_; }
  bool PremierVisible() const { return premierVisible_; }
  bool SaveVisible() const { return saveVisible_; }
  bool SaveEnabled() const { return saveEnabled_; }
  bool ExecuteVisible() const { return executeVisible_; }
  bool ExecuteEnabled() const { return executeEnabled_; }
  const std::string& TexteNom() const { return texteNom_; }  // its hint repeats it
  const std::string& TexteEtat() const { return texteEtat_; }
  const std::string& TexteTailles() const { return texteTailles_; }
  int64_t BarreMax() const { return size_; }
  int64_t BarrePosition() const { return done_; }

private:
  void AppliquerEtat();
  void Libeller();

  const uint64_t id_;
  bool lie_ = true;
  bool annulation_ = false;
  bool interrompu_ = false;
  std::string fileName_, localFile_, directoryName_;
  int64_t size_ = 0, done_ = 0;
  session::TOLAFileTransfertStatus etat_ = session::ftsNone;
  double vitesse_ = 0;
  int64_t restant_ = 0;
  session::TOLAFileTransfertDirection direction_ = session::ftdReceive;
  uint8_t autorisations_ = 0;

  bool visible_ = false;
  PremierBouton premier_ = PremierBouton::Annuler;
  bool premierVisible_ = false;
  bool saveVisible_ = false, saveEnabled_ = false, executeVisible_ = false, executeEnabled_ = false;
  std::string texteNom_, texteEtat_, texteTailles_;
};

// The translated state text: "Preparing", "Transferring", "Cancelled", "Transferred" ("" for 0).
std::string TexteEtatTransfert(session::TOLAFileTransfertStatus etat);

}  // namespace corvane::assistance
