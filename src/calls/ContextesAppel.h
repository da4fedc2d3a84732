#pragma once
// TContextesAppel: the agent controller's list of call contexts. Lookup, insertion and purging
// take the list's lock; purging destroys the contexts whose Action is 0, releasing their dialogs
// and unshown session windows.
//
// Threads: TrouverOuCreer and Acquerir run on listener connection threads; Purger, Abandonner,
// Vider and Count on the main thread. mutex_ guards the list, every context's Action while it is
// listed, and the purged flags; it is never held while waiting for anything.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "calls/CallsLimits.h"
#include "calls/ContexteAppel.h"

namespace corvane::calls {

class TContextesAppel {
public:
  using Contexte = std::shared_ptr<TContexteAppel>;

  explicit TContextesAppel(size_t capacity = kMaxCallContexts) : capacity_(capacity) {}
  ~TContextesAppel();

  // The first context whose Demande.AssistanceID equals id exactly, else a new one appended to
  // the list. nullptr when the list is full.
  Contexte TrouverOuCreer(const std::string& id);

  // One request's hold on its context: the context's request mutex is held while it lives, so the
  // requests of one call are processed one after the other.
  struct Requete {
    Contexte contexte;
    std::unique_lock<std::mutex> verrou;
  };
  // Finds or creates the context for id, waits for earlier requests of the same call, then runs
  // store (writing Action and the request data) under the list lock, so that a purge can never
  // remove the context between the lookup and the store. nullopt when the list is full.
  std::optional<Requete> Acquerir(const std::string& id,
                                  const std::function<void(TContexteAppel&)>& store);

  // Main thread: destroys every context whose Action is 0, from the last to the first.
  void Purger();
  // Main thread: the caller of the call whose dialog this is stopped polling (the dialog's answer
  // is then a refusal). The call's unshown session window (and so its port) is released, and its
  // context goes with the dialog at the next purge.
  void Abandonner(const TFrmAppelClientModel* dialog);
  // Main thread: releases and drops every context (the controller is going away).
  void Vider();
  size_t Count() const;
  // Main thread: calls fn for each listed context (the list is copied first).
  void ForEach(const std::function<void(TContexteAppel&)>& fn) const;

private:
  mutable std::mutex mutex_;
  std::vector<Contexte> list_;
  size_t capacity_;
};

}  // namespace corvane::calls
