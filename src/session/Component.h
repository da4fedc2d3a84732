#pragma once
// Ownership tree of components: an owner destroys the components it owns, in reverse order of
// creation, and a component removes itself from its owner when destroyed on its own.
//
// Threads: the list of owned components is guarded by a lock, because a per-transfer channel may
// be destroyed on its connection's thread while the main thread creates others. FindComponent
// holds that lock while it tests candidates, so none can be destroyed under it.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace corvane::session {

class TComponent {
public:
  explicit TComponent(TComponent* owner = nullptr);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  std::string Name;

  // Leaves the owner's list first, under its lock, and then destroys the component: a thread
  // walking the owner's components never meets one whose destructor is already running. Use it
  // instead of delete for a component that is owned while other threads may walk its owner.
  void Free();

  size_t ComponentCount() const;
  // The first owned component, in order of creation, for which pred returns true; the lock on the
  // list is held while pred runs.
  TComponent* FindComponent(const std::function<bool(TComponent&)>& pred) const;
  // Calls fn for every owned component in order of creation, with the list locked.
  void ForEachComponent(const std::function<void(TComponent&)>& fn) const;
  // Holds the list lock (recursive) while a component is created and set up under this owner, so
  // that FindComponent on another thread never sees it half built.
  std::unique_lock<std::recursive_mutex> LockComponents() const {
    return std::unique_lock<std::recursive_mutex>(mutex_);
  }

protected:
  // Destroys every owned component now (derived classes call it first in their destructor when
  // owned components must not outlive the derived part).
  void DestroyComponents();

private:
  void Insert(TComponent* child);
  void Remove(TComponent* child);

  TComponent* owner_;
  mutable std::recursive_mutex mutex_;
  std::vector<TComponent*> components_;
};

}  // namespace corvane::session
