#pragma once
// One file downloaded on a worker thread behind a simple progress dialog: the body goes into
// "<file>.part", renamed to the file once complete and not empty; exactly one of the two
// notifications follows on the main thread.
//
// Threads: Demarrer, the notifications and the destructor run on the main thread; the worker runs
// the downloader and hands its progress to the dialog with queued calls. The destructor waits for
// the worker (the downloader's own time-outs bound the wait).

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "update/StreamDownloader.h"

class QProgressDialog;
class QWidget;

namespace corvane::shell::ui {

class TTelechargementFichier {
public:
  TTelechargementFichier(QWidget* parent, std::unique_ptr<update::IStreamDownloader> downloader);
  ~TTelechargementFichier();
  TTelechargementFichier(const TTelechargementFichier&) = delete;
  TTelechargementFichier& operator=(const TTelechargementFichier&) = delete;

  void Demarrer(const std::string& url, const std::string& fichier, std::function<void()> succes,
                std::function<void()> echec);
  bool EnCours() const { return worker_.joinable(); }
  QProgressDialog* Dialogue() const { return dialogue_.get(); }

private:
  void fin(bool ok);

  std::unique_ptr<update::IStreamDownloader> downloader_;
  std::unique_ptr<QProgressDialog> dialogue_;
  std::unique_ptr<update::IStreamDownloadEvents> evenements_;
  std::thread worker_;
  std::string fichier_;
  std::function<void()> succes_, echec_;
};

}  // namespace corvane::shell::ui
