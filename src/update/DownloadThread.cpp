#include "update/DownloadThread.h"

#include <cstdio>
#include <fstream>


namespace corvane::update {

TDownloadThread::TDownloadThread(base::MainLoop& loop, std::unique_ptr<IStreamDownloader> telechargeur,
                                 std::string url, std::string fichier, Evenements evenements)
    : loop_(loop),
      telechargeur_(std::move(telechargeur)),
      url_(std::move(url)),
      fichier_(std::move(fichier)),
      evenements_(std::move(evenements)) {
  thread_ = std::thread([this] { Executer(); });
}

TDownloadThread::~TDownloadThread() {
  vivant_.reset();
  loop_.waitPumping([this] { return fini_.load(); });
  thread_.join();
}

void TDownloadThread::Executer() {
  bool succes = false;
  std::string erreur;
  telechargeur_->SetEvenements(this);
  {
    std::ofstream out(fichier_, std::ios::binary | std::ios::trunc);
    if (!out) {
      erreur = "cannot create " + fichier_;
    } else {
      try {
        succes = telechargeur_->Telecharger(url_, out);
        if (!succes) erreur = "unsupported URL scheme";
        out.flush();
        if (succes && !out) {
          succes = false;
          erreur = "cannot write " + fichier_;
        }
      } catch (const std::exception& e) {
        erreur = e.what();
      }
    }
  }
  telechargeur_->SetEvenements(nullptr);
  if (!succes) std::remove(fichier_.c_str());
  std::weak_ptr<bool> vivant = vivant_;
  auto termine = evenements_.termine;
  base::MainLoop& loop = loop_;
  fini_.store(true);
  loop.wake();
  // `this` may be gone once fini_ is set; only the copies above are used from here.
  loop.post([vivant, termine, succes, erreur] {
    if (vivant.lock() && termine) termine(succes, erreur);
  });
}

void TDownloadThread::DebutTravail(int64_t total) {
  if (evenements_.debut) loop_.invoke([this, total] { evenements_.debut(total); });
}

void TDownloadThread::Travail(int64_t done) {
  if (evenements_.travail) loop_.invoke([this, done] { evenements_.travail(done); });
}

void TDownloadThread::FinTravail() {
  if (evenements_.fin) loop_.invoke([this] { evenements_.fin(); });
}

}  // namespace corvane::update
