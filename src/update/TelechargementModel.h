#pragma once
// The download window (TFrmTelechargement) without its widgets: target file, URL, the success and
// failure notifications, the transfer on a TDownloadThread, and what the window shows: shown only
// during the transfer, the file name, the bar and the caption "%.0f %".
//
// Threads: main thread only; the transfer thread hands its steps over (see TDownloadThread).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/MainLoop.h"
#include "update/DownloadThread.h"

namespace corvane::update {

class TFrmTelechargementModel {
public:
  explicit TFrmTelechargementModel(base::MainLoop& loop, std::function<void()> changement = nullptr);
  ~TFrmTelechargementModel();

  void SetFichier(std::string chemin);
  void SetURL(std::string url) { url_ = std::move(url); }
  void SetSurSucces(std::function<void()> f) { surSucces_ = std::move(f); }
  void SetSurEchec(std::function<void()> f) { surEchec_ = std::move(f); }
  // The downloader each transfer uses; the libcurl one with its default settings unless set.
  void SetFabriqueTelechargeur(std::function<std::unique_ptr<IStreamDownloader>()> f) { fabrique_ = std::move(f); }

  // Starts the transfer; ignored while one runs (one transfer at a time).
  void Demarrer();
  bool EnCours() const { return thread_ != nullptr; }

  bool Visible() const { return visible_; }
  const std::string& NomFichier() const { return nomFichier_; }  // the label
  int64_t Fait() const { return fait_; }
  int64_t Total() const { return total_; }
  std::string Titre() const;  // "%.0f %", "0 %" when nothing or no total is known
  const std::string& DerniereErreur() const { return erreur_; }

private:
  void Changement() const {
    if (changement_) changement_();
  }

  base::MainLoop& loop_;
  std::function<void()> changement_;
  std::string chemin_, nomFichier_, url_, erreur_;
  std::function<void()> surSucces_, surEchec_;
  std::function<std::unique_ptr<IStreamDownloader>()> fabrique_;
  bool visible_ = false;
  int64_t fait_ = 0, total_ = 0;
  std::unique_ptr<TDownloadThread> thread_;
};

}  // namespace corvane::update
