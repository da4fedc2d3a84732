#include "update/ThreadApplyUpdates.h"

namespace corvane::update {

TThreadApplyUpdates::TThreadApplyUpdates(base::MainLoop& loop, TAutoUpdater& engine, std::function<void()> termine)
    : loop_(loop) {
  std::weak_ptr<bool> vivant = vivant_;
  thread_ = std::thread([this, &engine, vivant, termine = std::move(termine)] {
    engine.Appliquer(TAutoUpdater::kMandatory | TAutoUpdater::kOptional);  // never throws
    base::MainLoop& loop = loop_;
    fini_.store(true);
    loop.wake();
    // `this` may be gone once fini_ is set; only the copies above are used from here.
    loop.post([vivant, termine] {
      if (vivant.lock() && termine) termine();
    });
  });
}

TThreadApplyUpdates::~TThreadApplyUpdates() {
  vivant_.reset();
  loop_.waitPumping([this] { return fini_.load(); });
  thread_.join();
}

}  // namespace corvane::update
