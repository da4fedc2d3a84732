#include "shell/ui/TelechargementFichier.h"

#include <QProgressDialog>
#include <filesystem>
#include <fstream>

#include "base/Translate.h"

namespace corvane::shell::ui {

namespace {

// Progress of the worker, shown by the dialog on the main thread. Byte counts are scaled to
// kilobytes so that a large file fits the dialog's int range.
class Progression final : public update::IStreamDownloadEvents {
public:
  explicit Progression(QProgressDialog* dialogue) : dialogue_(dialogue) {}
  void DebutTravail(int64_t total) override {
    const int max = static_cast<int>(std::min<int64_t>(total / 1024, INT32_MAX));
    QMetaObject::invokeMethod(dialogue_, [d = dialogue_, max] { d->setRange(0, max); }, Qt::QueuedConnection);
  }
  void Travail(int64_t done) override {
    const int value = static_cast<int>(std::min<int64_t>(done / 1024, INT32_MAX));
    QMetaObject::invokeMethod(dialogue_, [d = dialogue_, value] {
      if (d->maximum() > 0) d->setValue(std::min(value, d->maximum()));
    }, Qt::QueuedConnection);
  }
  void FinTravail() override {}

private:
  QProgressDialog* dialogue_;
};

}  // namespace

TTelechargementFichier::TTelechargementFichier(QWidget* parent, std::unique_ptr<update::IStreamDownloader> downloader)
    : downloader_(std::move(downloader)), dialogue_(std::make_unique<QProgressDialog>(parent)) {
  dialogue_->setObjectName("FrmTelechargement");
  dialogue_->setCancelButton(nullptr);  // the transfer ends by itself, its time-outs included
  dialogue_->setMinimumDuration(0);
  dialogue_->setAutoClose(false);
  dialogue_->setAutoReset(false);
  dialogue_->reset();
  dialogue_->hide();
  evenements_ = std::make_unique<Progression>(dialogue_.get());
  downloader_->SetEvenements(evenements_.get());
}

TTelechargementFichier::~TTelechargementFichier() {
  if (worker_.joinable()) worker_.join();
}

void TTelechargementFichier::Demarrer(const std::string& url, const std::string& fichier, std::function<void()> succes,
                                      std::function<void()> echec) {
  if (worker_.joinable()) return;  // one download at a time
  fichier_ = fichier;
  succes_ = std::move(succes);
  echec_ = std::move(echec);
  dialogue_->setWindowTitle(QString::fromStdString(base::Tr("Download client application")));
  dialogue_->setLabelText(QString::fromStdString(fichier));
  dialogue_->setRange(0, 0);  // busy until the size is known
  dialogue_->show();
  const std::string part = fichier + ".part";
  worker_ = std::thread([this, url, part] {
    bool ok = false;
    try {
      std::ofstream out(part, std::ios::binary | std::ios::trunc);
      ok = out && downloader_->Telecharger(url, out);
      out.close();
      ok = ok && out.good() && std::filesystem::file_size(part) > 0;
    } catch (...) {
      ok = false;  // a transfer error is the failure box
    }
    QMetaObject::invokeMethod(dialogue_.get(), [this, ok] { fin(ok); }, Qt::QueuedConnection);
  });
}

void TTelechargementFichier::fin(bool ok) {
  worker_.join();
  dialogue_->hide();
  const std::string part = fichier_ + ".part";
  std::error_code error;
  if (ok) {
    std::filesystem::rename(part, fichier_, error);
    ok = !error;
  }
  if (!ok) std::filesystem::remove(part, error);
  const auto notification = ok ? succes_ : echec_;
  if (notification) notification();
}

}  // namespace corvane::shell::ui
