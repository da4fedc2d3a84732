#pragma once
// The rules of the profile window (TFrmInfosAgent): a private one-row record set over the window's
// own copy of the logged-in agent's record, the IP address box enabled only while "Automatic" is
// unchecked, OK and Restore enabled only while the row is edited, and OK sending the copy to the
// controller when it is still the logged-in agent's record.
//
// Threads: main thread only.

#include <functional>

#include "records/GestionRTTIProprietes.h"
#include "records/VirtualRecordSet.h"
#include "service/Remotables.h"

namespace corvane::shell {

class TFrmInfosAgentModel {
public:
  struct Liens {
    // The controller's agent record (nullptr while logged out).
    std::function<service::TRemotableAgent*()> agentControleur;
    // The controller sends its agent record to the service (MettreAJourAgent).
    std::function<void()> enregistrerAgent;
    std::function<void()> fermerFenetre;
  };

  explicit TFrmInfosAgentModel(Liens liens);
  ~TFrmInfosAgentModel();
  TFrmInfosAgentModel(const TFrmInfosAgentModel&) = delete;
  TFrmInfosAgentModel& operator=(const TFrmInfosAgentModel&) = delete;

  records::VirtualRecordSet& EzAgent() { return set_; }
  const service::TRemotableAgent& Copie() const { return copie_; }

  // The window is shown: copies the controller's record and opens the one-row record set.
  void Afficher();
  // The window closes in any way: a pending edit is cancelled.
  void Fermeture();

  // "Automatic" clicked: puts the row into edit mode and stores the new state.
  void SetAutomatique(bool coche);
  bool Automatique() const;
  bool AdresseIPActive() const { return !Automatique(); }
  bool OkActif() const;
  bool RestaurerActif() const { return OkActif(); }

  // "&OK": posts the row, closes the window and sends the copy when it is the agent's own record.
  // A post refused by a field rule leaves the window open and passes the error on.
  void Ok();
  void Restaurer();  // "&Restore": cancels the edit
  void Annuler();    // "&Cancel": closes the window

private:
  Liens liens_;
  service::TRemotableAgent copie_;
  records::VirtualRecordSet set_{"EzAgent"};
  records::TGestionRTTIProprietes copieur_{&copie_};
};

}  // namespace corvane::shell
