#include "update/TelechargementModel.h"

#include <filesystem>

#include "base/Format.h"
#include "update/CurlStreamDownloader.h"

namespace corvane::update {

TFrmTelechargementModel::TFrmTelechargementModel(base::MainLoop& loop, std::function<void()> changement)
    : loop_(loop), changement_(std::move(changement)) {}

TFrmTelechargementModel::~TFrmTelechargementModel() {
  // A transfer still running finishes without telling anyone.
  changement_ = nullptr;
  surSucces_ = nullptr;
  surEchec_ = nullptr;
  thread_.reset();
}

void TFrmTelechargementModel::SetFichier(std::string chemin) {
  chemin_ = std::move(chemin);
  nomFichier_ = std::filesystem::path(chemin_).filename().string();
  Changement();
}

std::string TFrmTelechargementModel::Titre() const {
  if (fait_ <= 0 || total_ <= 0) return "0 %";
  return base::Format("%.0f", {static_cast<double>(fait_) * 100.0 / static_cast<double>(total_)}) + " %";
}

void TFrmTelechargementModel::Demarrer() {
  if (thread_) return;
  erreur_.clear();
  std::unique_ptr<IStreamDownloader> telechargeur =
      fabrique_ ? fabrique_() : std::make_unique<TCurlStreamDownloader>();
  TDownloadThread::Evenements ev;
  ev.debut = [this](int64_t total) {
    fait_ = 0;
    total_ = total;
    visible_ = true;
    Changement();
  };
  ev.travail = [this](int64_t fait) {
    fait_ = fait;
    Changement();
  };
  ev.fin = [this] {
    visible_ = false;
    Changement();
  };
  ev.termine = [this](bool succes, const std::string& erreur) {
    erreur_ = erreur;
    thread_.reset();  // the worker has finished: this joins at once
    Changement();
    if (succes) {
      if (surSucces_) surSucces_();
    } else if (surEchec_) {
      surEchec_();
    }
  };
  thread_ = std::make_unique<TDownloadThread>(loop_, std::move(telechargeur), url_, chemin_, std::move(ev));
}

}  // namespace corvane::update
