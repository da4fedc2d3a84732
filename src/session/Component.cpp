#include "session/Component.h"

#include <algorithm>

namespace corvane::session {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->Insert(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_) owner_->Remove(this);
}

void TComponent::Free() {
  if (TComponent* owner = owner_) {
    owner->Remove(this);
    owner_ = nullptr;
  }
  delete this;
}

void TComponent::DestroyComponents() {
  for (;;) {
    TComponent* last = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (components_.empty()) return;
      last = components_.back();
    }
    last->Free();
  }
}

void TComponent::Insert(TComponent* child) {
  std::lock_guard lock(mutex_);
  components_.push_back(child);
}

void TComponent::Remove(TComponent* child) {
  std::lock_guard lock(mutex_);
  components_.erase(std::remove(components_.begin(), components_.end(), child), components_.end());
}

size_t TComponent::ComponentCount() const {
  std::lock_guard lock(mutex_);
  return components_.size();
}

TComponent* TComponent::FindComponent(const std::function<bool(TComponent&)>& pred) const {
  std::lock_guard lock(mutex_);
  for (auto* c : components_)
    if (pred(*c)) return c;
  return nullptr;
}

void TComponent::ForEachComponent(const std::function<void(TComponent&)>& fn) const {
  std::lock_guard lock(mutex_);
  for (auto* c : components_) fn(*c);
}

}  // namespace corvane::session
