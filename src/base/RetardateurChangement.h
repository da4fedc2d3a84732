#pragma once
// Change delayer: a restartable one-shot timer that turns a burst of change signals into one call
// of its handler, one interval after the last signal. State 0 idle, 1 pending, 2 firing;
// OnEtatChange is raised at every state change. Main thread only.
//
// The handler may signal a new change (the delayer then stays pending) or destroy the delayer.
// An owner whose destructor still touches the delayer calls OwnerDestroying() first: from then on
// nothing fires and no state change is reported into the half-destroyed owner.

#include <cstdint>
#include <functional>
#include <memory>

#include "base/Timer.h"

namespace corvane::base {

class TRetardateurChangement {
public:
  enum Etat : int { Inactif = 0, EnAttente = 1, EnCours = 2 };

  explicit TRetardateurChangement(MainLoop& loop, uint32_t intervalMs = 2000);
  ~TRetardateurChangement();
  TRetardateurChangement(const TRetardateurChangement&) = delete;
  TRetardateurChangement& operator=(const TRetardateurChangement&) = delete;

  std::function<void()> OnChangement;          // the delayed work
  std::function<void(int etat)> OnEtatChange;  // every state change

  uint32_t interval() const;
  // A pending change restarts its countdown with the new interval.
  void setInterval(uint32_t ms);
  int etat() const { return etat_; }

  // Stops the timer, sets state 1 and starts the timer again.
  void Changement();
  // Stops the timer and sets state 0.
  void Annuler();
  // Runs the handler at once when a change is pending (state 1), as if the timer had elapsed.
  void Flush();
  // Stops the timer for good; every later call does nothing.
  void OwnerDestroying();

private:
  void setEtat(int etat);
  void elapsed();

  Timer timer_;
  int etat_ = Inactif;
  bool destroying_ = false;
  // Lets elapsed() notice that the handler destroyed this object.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace corvane::base
