#pragma once
// The update wizard's flow (TFrmMiseAJour) without its widgets: the selection page with its
// check list and drop-down modes, the download page with the per-file and total bars and the
// counter, the end page with the outcome, and the rule that the wizard cannot be closed while the
// apply runs. The window draws what this model holds and forwards the user's actions.
//
// Threads: main thread only. While the wizard is shown it receives the engine's notifications on
// the apply thread and hands each over to the main thread (waiting for it), so that its state is
// only ever touched on the main thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/MainLoop.h"
#include "update/AutoUpdater.h"
#include "update/ThreadApplyUpdates.h"

namespace corvane::update {

// The wizard's text domain.
inline constexpr std::string_view kDomaineAutoUpdater = "AutoUpdater";

class TFrmMiseAJourModel {
public:
  enum class Page { Selection, Telechargement, Fin };
  enum class Mode { Complete, Minimale, Personnalisee };  // "Complete update", "Minimal update", "Custom update"

  struct Entree {
    std::string description;
    bool coche = true;
    bool obligatoire = false;  // the user cannot change it
  };

  // `fermer(ok)` closes the window with OK (true) or Cancel; `changement` asks it to redraw.
  TFrmMiseAJourModel(base::MainLoop& loop, TAutoUpdater& engine, std::string titreApplication,
                     std::function<void(bool ok)> fermer, std::function<void()> changement = nullptr);
  ~TFrmMiseAJourModel();
  TFrmMiseAJourModel(const TFrmMiseAJourModel&) = delete;
  TFrmMiseAJourModel& operator=(const TFrmMiseAJourModel&) = delete;

  // The wizard is shown: fills the check list and becomes the receiver of the engine's events.
  void Afficher();
  // The wizard became active: with no optional update it goes to the download page at once.
  void Activer();

  // Selection page.
  const std::vector<Entree>& Entrees() const { return entrees_; }
  bool ModesVisibles() const { return modesVisibles_; }
  Mode ModeCourant() const { return mode_; }
  void ChoisirMode(Mode mode);
  void Cocher(size_t index, bool coche);  // a click on a check box
  bool DemarrerVisible() const;           // "Start >" next to "&Cancel"
  void Demarrer();                        // "Start >"
  void Annuler();                         // "&Cancel": closes without applying
  void Terminer();                        // "&Finish"

  // A close request (system or caller): refused while the wizard is shown and the apply runs.
  bool PeutFermer() const { return !visible_ || peutFermer_; }
  void Ferme() { visible_ = false; }  // the window closed

  Page PageCourante() const { return page_; }
  bool AutoDemarrage() const { return autoDemarrage_; }

  // Download page.
  const std::string& DescriptionCourante() const { return description_; }
  int64_t PositionFichier() const { return positionFichier_; }
  int64_t MaximumFichier() const { return maximumFichier_; }
  int64_t PositionTotale() const { return positionTotale_; }
  int64_t MaximumTotal() const { return total_ * 10; }
  int Compteur() const { return compteur_; }
  int Total() const { return total_; }
  std::string TexteCompteur() const;  // "%d / %d"
  bool ApplicationEnCours() const { return thread_ != nullptr; }

  // End page.
  const std::string& SousTitre() const { return sousTitre_; }

private:
  void SurDebutTravail(int64_t total);
  void SurTravail(int64_t fait);
  void SurFinTravail();
  void SurMiseAJourAppliquee();
  void SurMiseAJourTerminee();
  void Brancher();
  void Debrancher();
  void AppliquerCoches();
  void Changement() const {
    if (changement_) changement_();
  }

  base::MainLoop& loop_;
  TAutoUpdater& engine_;
  std::string titreApplication_;
  std::function<void(bool)> fermer_;
  std::function<void()> changement_;

  std::vector<Entree> entrees_;
  std::vector<size_t> index_;  // descriptor position of each entry
  Mode mode_ = Mode::Complete;
  bool modesVisibles_ = false;
  Page page_ = Page::Selection;
  bool visible_ = false;
  bool peutFermer_ = true;
  bool autoDemarrage_ = false;
  std::string description_;
  int64_t positionFichier_ = 0, maximumFichier_ = 0, positionTotale_ = 0;
  int total_ = 0, compteur_ = 0;
  std::string sousTitre_;
  std::unique_ptr<TThreadApplyUpdates> thread_;
};

}  // namespace corvane::update
