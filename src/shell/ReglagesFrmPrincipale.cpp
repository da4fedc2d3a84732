#include "shell/ReglagesFrmPrincipale.h"

#include "shell/ConfigurationSections.h"
#include "shell/RacineServeur.h"

namespace corvane::shell {

std::string ReglagesFrmPrincipale::RacineEffective() const { return shell::RacineEffective(RacineServeur); }

ReglagesFrmPrincipale LireReglagesFrmPrincipale(ConfigurationStore& store) {
  ReglagesFrmPrincipale r;
  r.TimerFermetureApplicationInterval = store.ReadInteger(
      kSectionFrmPrincipale, kKeyTimerFermetureApplicationInterval, kTimerFermetureApplicationIntervalDefaut);
  if (r.TimerFermetureApplicationInterval < 1 || r.TimerFermetureApplicationInterval > UINT32_MAX)
    r.TimerFermetureApplicationInterval = kTimerFermetureApplicationIntervalDefaut;
  r.IntervalRafraichissementStatus = store.ReadInteger(
      kSectionFrmPrincipale, kKeyIntervalRafraichissementStatus, kIntervalRafraichissementStatusDefaut);
  // Minutes; the refresh timer counts milliseconds in 32 bits.
  if (r.IntervalRafraichissementStatus < 1 || r.IntervalRafraichissementStatus > 71582)
    r.IntervalRafraichissementStatus = kIntervalRafraichissementStatusDefaut;
  r.RacineServeur = store.ReadString(kSectionFrmPrincipale, kKeyRacineServeur, "");
  return r;
}

void EcrireReglagesFrmPrincipale(ConfigurationStore& store, const ReglagesFrmPrincipale& r) {
  store.WriteInteger(kSectionFrmPrincipale, kKeyFormVersion, 0);
  store.WriteInteger(kSectionFrmPrincipale, kKeyTimerFermetureApplicationInterval, r.TimerFermetureApplicationInterval);
  store.WriteInteger(kSectionFrmPrincipale, kKeyIntervalRafraichissementStatus, r.IntervalRafraichissementStatus);
  if (EstRacineParDefaut(r.RacineEffective()))
    store.EraseValue(kSectionFrmPrincipale, kKeyRacineServeur);
  else
    store.WriteString(kSectionFrmPrincipale, kKeyRacineServeur, r.RacineServeur);
}

}  // namespace corvane::shell
