#include "base/RetardateurChangement.h"

namespace corvane::base {

TRetardateurChangement::TRetardateurChangement(MainLoop& loop, uint32_t intervalMs)
    : timer_(loop, intervalMs, true) {
  timer_.onTimer = [this] { elapsed(); };
}

TRetardateurChangement::~TRetardateurChangement() {
  destroying_ = true;
  timer_.stop();
}

uint32_t TRetardateurChangement::interval() const { return timer_.interval(); }

void TRetardateurChangement::setInterval(uint32_t ms) {
  if (destroying_) return;
  timer_.setInterval(ms);
}

void TRetardateurChangement::Changement() {
  if (destroying_) return;
  timer_.stop();
  setEtat(EnAttente);
  timer_.start();
}

void TRetardateurChangement::Annuler() {
  if (destroying_) return;
  timer_.stop();
  setEtat(Inactif);
}

void TRetardateurChangement::Flush() {
  if (destroying_ || etat_ != EnAttente) return;
  elapsed();
}

void TRetardateurChangement::OwnerDestroying() {
  destroying_ = true;
  timer_.stop();
}

void TRetardateurChangement::setEtat(int etat) {
  if (etat == etat_) return;
  etat_ = etat;
  if (OnEtatChange && !destroying_) {
    auto notify = OnEtatChange;
    notify(etat);
  }
}

void TRetardateurChangement::elapsed() {
  if (destroying_) return;
  timer_.stop();
  std::weak_ptr<bool> alive = alive_;
  setEtat(EnCours);
  if (alive.expired() || destroying_) return;
  // Back to idle even when the handler throws, unless it signalled a new change meanwhile
  // (state 1 with the timer armed again) or destroyed this object.
  struct BackToIdle {
    TRetardateurChangement* self;
    std::weak_ptr<bool> alive;
    ~BackToIdle() {
      if (!alive.expired() && !self->destroying_ && self->etat_ == EnCours) self->setEtat(Inactif);
    }
  } backToIdle{this, alive};
  if (OnChangement) {
    auto handler = OnChangement;
    handler();
  }
}

}  // namespace corvane::base
