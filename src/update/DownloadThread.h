#pragma once
// TDownloadThread: downloads one URL into a file on a worker thread, as the download window's
// transfer. It creates its own stream downloader and is its progress receiver; each progress step
// is handed to the main thread and waited for. A failed download (an error, or a scheme the
// downloader does not handle) leaves no file behind. The outcome is posted to the main thread.
//
// Threads: construction and destruction on the main thread; the download on the worker. The
// destructor waits for the worker, serving its hand-overs meanwhile, then joins it; no callback
// runs after destruction.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "base/MainLoop.h"
#include "update/StreamDownloader.h"

namespace corvane::update {

class TDownloadThread final : private IStreamDownloadEvents {
public:
  struct Evenements {  // all run on the main thread
    std::function<void(int64_t total)> debut;
    std::function<void(int64_t fait)> travail;
    std::function<void()> fin;
    std::function<void(bool succes, const std::string& erreur)> termine;
  };

  // Starts at once. `telechargeur` is the downloader to use (the default one in the program).
  TDownloadThread(base::MainLoop& loop, std::unique_ptr<IStreamDownloader> telechargeur, std::string url,
                  std::string fichier, Evenements evenements);
  ~TDownloadThread() override;
  TDownloadThread(const TDownloadThread&) = delete;
  TDownloadThread& operator=(const TDownloadThread&) = delete;

  bool Fini() const { return fini_.load(); }

private:
  void DebutTravail(int64_t total) override;
  void Travail(int64_t done) override;
  void FinTravail() override;
  void Executer();

  base::MainLoop& loop_;
  std::unique_ptr<IStreamDownloader> telechargeur_;
  const std::string url_, fichier_;
  Evenements evenements_;
  std::shared_ptr<bool> vivant_ = std::make_shared<bool>(true);
  std::atomic<bool> fini_{false};
  std::thread thread_;
};

}  // namespace corvane::update
