#pragma once
// The rules of the known-customer picker (TFrmSelectionClientConnu): the customers window's list
// and actions, and OK handing the current customer to the owning session window. Nothing of it is
// kept in the configuration.
//
// Threads: main thread only.

#include <functional>

#include "calls/FenetreSession.h"
#include "shell/AdministrationClientsModel.h"

namespace corvane::shell {

class TFrmSelectionClientConnuModel {
public:
  // `fermerFenetre` closes (and then destroys) the picker.
  TFrmSelectionClientConnuModel(records::TdmGestionClient& clients, calls::IFenetreSession& session,
                                std::function<void()> fermerFenetre);

  TFrmAdministrationClientsModel& Liste() { return liste_; }

  void Ouvrir();  // closes and reopens the customers list
  // "&OK": posts a pending edit, then hands the current customer to the session and closes.
  // Returns false, leaving the picker open and the session untouched, when the identifier is blank.
  bool Ok();
  void Annuler();   // "&Cancel"
  void Fermeture(); // closing in any way: cancels a pending edit and closes the customers list

private:
  TFrmAdministrationClientsModel liste_;
  calls::IFenetreSession& session_;
  std::function<void()> fermerFenetre_;
};

}  // namespace corvane::shell
