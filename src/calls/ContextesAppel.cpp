#include "calls/ContextesAppel.h"

#include "calls/AppelClientModel.h"

namespace corvane::calls {

TContextesAppel::~TContextesAppel() = default;

TContextesAppel::Contexte TContextesAppel::TrouverOuCreer(const std::string& id) {
  std::lock_guard lock(mutex_);
  for (const Contexte& c : list_)
    if (c->Demande.AssistanceID == id) return c;
  if (list_.size() >= capacity_) return nullptr;
  list_.push_back(std::make_shared<TContexteAppel>());
  return list_.back();
}

std::optional<TContextesAppel::Requete> TContextesAppel::Acquerir(
    const std::string& id, const std::function<void(TContexteAppel&)>& store) {
  for (;;) {
    Contexte contexte = TrouverOuCreer(id);
    if (!contexte) return std::nullopt;
    std::unique_lock verrou(contexte->requete_);
    std::lock_guard lock(mutex_);
    if (contexte->purge_) continue;  // purged while this request waited: look it up again
    store(*contexte);
    return Requete{std::move(contexte), std::move(verrou)};
  }
}

void TContextesAppel::Purger() {
  std::vector<Contexte> removed;
  {
    std::lock_guard lock(mutex_);
    for (size_t i = list_.size(); i-- > 0;) {
      if (list_[i]->Action != TContexteAppel::AucuneAction) continue;
      list_[i]->purge_ = true;
      removed.push_back(std::move(list_[i]));
      list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  // A context still held by a request's thread is freed by that thread; its dialog and window are
  // released here, on the main thread.
  for (const Contexte& c : removed) c->Liberer();
}

void TContextesAppel::Abandonner(const TFrmAppelClientModel* dialog) {
  std::vector<Contexte> abandonnes;
  {
    std::lock_guard lock(mutex_);
    for (const Contexte& c : list_) {
      if (c->FenetreAppel.lock().get() != dialog) continue;
      c->Action = TContexteAppel::AucuneAction;
      abandonnes.push_back(c);
    }
  }
  // The prepared window (and its port) goes now; the context and its hidden dialog, whose answer
  // is the refusal, stay until the next purge, so that a caller that polls late still hears it.
  for (const Contexte& c : abandonnes) c->LibererFenetreSession();
}

void TContextesAppel::Vider() {
  std::vector<Contexte> removed;
  {
    std::lock_guard lock(mutex_);
    for (Contexte& c : list_) c->purge_ = true;
    removed.swap(list_);
  }
  for (const Contexte& c : removed) c->Liberer();
}

size_t TContextesAppel::Count() const {
  std::lock_guard lock(mutex_);
  return list_.size();
}

void TContextesAppel::ForEach(const std::function<void(TContexteAppel&)>& fn) const {
  std::vector<Contexte> copy;
  {
    std::lock_guard lock(mutex_);
    copy = list_;
  }
  for (const Contexte& c : copy) fn(*c);
}

}  // namespace corvane::calls
