#pragma once
// The rules of the customers window (TFrmAdministrationClients), also the upper part of the
// known-customer picker: opening and closing it over the customers list and the enabling and
// effect of each action. The picker and the window share the one customers record set: closing
// either closes it for both.
//
// Threads: main thread only.

#include <functional>

#include "records/DmGestionClient.h"
#include "shell/AdministrationAgentsModel.h"

namespace corvane::shell {

enum class ActionAdministrationClients {
  actAjouterClient,
  actSupprimerClient,
  actValiderClient,
  actAnnulerClient,
  actRafraichirListeClients,
  actFermer,
};

// Caption and hint keys (English, translated when shown).
TexteAction TexteActionClients(ActionAdministrationClients action);

class TFrmAdministrationClientsModel {
public:
  TFrmAdministrationClientsModel(records::TdmGestionClient& clients, std::function<void()> fermerFenetre);

  void Ouvrir();  // closes and reopens the customers list
  void Fermer();  // cancels a pending edit and closes the customers list

  bool Actif(ActionAdministrationClients action) const;
  void Executer(ActionAdministrationClients action);  // nothing when disabled

  records::TdmGestionClient& Clients() { return clients_; }

private:
  records::TdmGestionClient& clients_;
  std::function<void()> fermerFenetre_;
};

}  // namespace corvane::shell
