#include "update/MiseAJourModel.h"

#include <algorithm>

#include "base/Format.h"
#include "base/Translate.h"

namespace corvane::update {
namespace {

std::string T(std::string_view text) { return base::Traduire(kDomaineAutoUpdater, text); }

}  // namespace

TFrmMiseAJourModel::TFrmMiseAJourModel(base::MainLoop& loop, TAutoUpdater& engine, std::string titreApplication,
                                       std::function<void(bool ok)> fermer, std::function<void()> changement)
    : loop_(loop),
      engine_(engine),
      titreApplication_(std::move(titreApplication)),
      fermer_(std::move(fermer)),
      changement_(std::move(changement)) {}

TFrmMiseAJourModel::~TFrmMiseAJourModel() {
  // The window is going: the remaining steps of a running apply update nothing but this state.
  changement_ = nullptr;
  fermer_ = nullptr;
  thread_.reset();  // waits for the apply, serving its hand-overs
  Debrancher();
}

void TFrmMiseAJourModel::Brancher() {
  // Each runs on the apply thread and hands its step to the main thread, waiting for it.
  auto sync = [this](std::function<void()> step) { loop_.invoke(step); };
  engine_.OnWorkBegin = [this, sync](TAutoUpdater&, int64_t total) { sync([this, total] { SurDebutTravail(total); }); };
  engine_.OnWork = [this, sync](TAutoUpdater&, int64_t fait) { sync([this, fait] { SurTravail(fait); }); };
  engine_.OnWorkEnd = [this, sync](TAutoUpdater&) { sync([this] { SurFinTravail(); }); };
  engine_.OnUpdateApplied = [this, sync](TAutoUpdater&) { sync([this] { SurMiseAJourAppliquee(); }); };
  engine_.OnUpdateTerminated = [this, sync](TAutoUpdater&) { sync([this] { SurMiseAJourTerminee(); }); };
}

void TFrmMiseAJourModel::Debrancher() {
  engine_.OnWorkBegin = nullptr;
  engine_.OnWork = nullptr;
  engine_.OnWorkEnd = nullptr;
  engine_.OnUpdateApplied = nullptr;
  engine_.OnUpdateTerminated = nullptr;
}

void TFrmMiseAJourModel::Afficher() {
  peutFermer_ = true;
  visible_ = true;
  page_ = Page::Selection;
  entrees_.clear();
  index_.clear();
  mode_ = Mode::Complete;
  Brancher();
  autoDemarrage_ = engine_.OptionalCount() == 0;
  modesVisibles_ = engine_.HasOptional() && engine_.HasMandatory();
  if (engine_.HasOptional() && engine_.Infos()) {
    TXMLTUpdateInfoList& list = engine_.Infos()->Updates();
    for (size_t i = 0; i < list.Count(); ++i) {
      entrees_.push_back({list[i].Description(), true, list[i].Mandatory()});
      index_.push_back(i);
    }
  }
  Changement();
}

void TFrmMiseAJourModel::Activer() {
  if (visible_ && page_ == Page::Selection && autoDemarrage_) Demarrer();
}

void TFrmMiseAJourModel::AppliquerCoches() {
  if (!engine_.Infos()) return;
  TXMLTUpdateInfoList& list = engine_.Infos()->Updates();
  for (size_t i = 0; i < entrees_.size(); ++i)
    if (!entrees_[i].obligatoire && index_[i] < list.Count()) list[index_[i]].SetNoUpdate(!entrees_[i].coche);
}

void TFrmMiseAJourModel::ChoisirMode(Mode mode) {
  if (page_ != Page::Selection) return;
  mode_ = mode;
  if (mode != Mode::Personnalisee) {
    for (Entree& e : entrees_)
      if (!e.obligatoire) e.coche = mode == Mode::Complete;
    AppliquerCoches();
  }
  Changement();
}

void TFrmMiseAJourModel::Cocher(size_t index, bool coche) {
  if (page_ != Page::Selection || index >= entrees_.size() || entrees_[index].obligatoire) return;
  entrees_[index].coche = coche;
  mode_ = Mode::Personnalisee;
  AppliquerCoches();
  Changement();
}

bool TFrmMiseAJourModel::DemarrerVisible() const {
  if (page_ != Page::Selection) return false;
  if (entrees_.empty()) return true;  // mandatory updates only
  return std::any_of(entrees_.begin(), entrees_.end(), [](const Entree& e) { return e.obligatoire || e.coche; });
}

void TFrmMiseAJourModel::Demarrer() {
  if (!DemarrerVisible() || thread_) return;
  page_ = Page::Telechargement;
  total_ = engine_.NombreATelecharger();
  compteur_ = 0;
  positionTotale_ = 0;
  positionFichier_ = maximumFichier_ = 0;
  peutFermer_ = false;
  Changement();
  thread_ = std::make_unique<TThreadApplyUpdates>(loop_, engine_, [this] { thread_.reset(); });
}

void TFrmMiseAJourModel::Annuler() {
  if (page_ != Page::Selection) return;
  visible_ = false;
  if (fermer_) fermer_(false);
}

void TFrmMiseAJourModel::Terminer() {
  if (page_ != Page::Fin) return;
  visible_ = false;
  if (fermer_) fermer_(true);
}

std::string TFrmMiseAJourModel::TexteCompteur() const {
  return base::Format("%d / %d", {compteur_, total_});
}

void TFrmMiseAJourModel::SurDebutTravail(int64_t total) {
  const TXMLTUpdateInfo* entry = engine_.CurrentEntry();
  description_ = entry ? entry->Description() : std::string();
  positionFichier_ = 0;
  maximumFichier_ = std::max<int64_t>(total, 0);
  Changement();
}

void TFrmMiseAJourModel::SurTravail(int64_t fait) {
  positionFichier_ = maximumFichier_ > 0 ? std::clamp<int64_t>(fait, 0, maximumFichier_) : 0;
  const int64_t pourcentage = maximumFichier_ > 0 ? positionFichier_ * 100 / maximumFichier_ : 0;
  positionTotale_ = pourcentage / 10 + int64_t{compteur_} * 10;
  Changement();
}

void TFrmMiseAJourModel::SurFinTravail() {
  description_.clear();
  Changement();
}

void TFrmMiseAJourModel::SurMiseAJourAppliquee() {
  const TXMLTUpdateInfo* entry = engine_.CurrentEntry();
  if (entry && !entry->NoUpdate()) ++compteur_;
  Changement();
}

void TFrmMiseAJourModel::SurMiseAJourTerminee() {
  peutFermer_ = true;
  if (engine_.TerminateRequired()) {
    // The helper finishes once the program has ended: no end page.
    visible_ = false;
    if (fermer_) fermer_(true);
    return;
  }
  const std::string suite = base::Format(T("%s will now continue to load normally."), {titreApplication_});
  sousTitre_ = engine_.Completed() ? T("Update has been successfully processed.") + "\r\n" + suite
                                   : T("An error occured during update. Try update later.") + "\r\n\r\n" + suite;
  page_ = Page::Fin;
  Changement();
}

}  // namespace corvane::update
