#include "calls/ContexteAppel.h"

#include "calls/AppelClientModel.h"
#include "calls/CorvaneAgent.h"
#include "calls/FenetreSession.h"
#include "calls/TextHelpers.h"
#include "service/RemotableFaults.h"

namespace corvane::calls {

TContexteAppel::TContexteAppel() = default;

// Only plain data is freed here: the last reference may be dropped on a connection thread. The
// dialog and the window were released on the main thread by Liberer (purge or controller end).
TContexteAppel::~TContexteAppel() = default;

void TContexteAppel::Liberer() {
  if (auto dialog = FenetreAppel.lock(); dialog && Agent) Agent->LibererFenetreAppel(dialog.get());
  FenetreAppel.reset();
  LibererFenetreSession();
}

void TContexteAppel::LibererFenetreSession() {
  if (auto window = FenetreSession.lock(); window && Agent && !window->Visible())
    Agent->LibererFenetreSession(window.get());
  FenetreSession.reset();
}

void TContexteAppel::Traiter() {
  try {
    if (Demande.Etat == TInfosDemande::Refusee) {
      Action = AucuneAction;
      return;
    }
    switch (Action) {
      case NouvelAppel:
        NouvelAppelRecu();
        break;
      case Interrogation: {
        auto dialog = FenetreAppel.lock();
        if (!dialog) {
          Action = AucuneAction;
          break;
        }
        Demande.Etat = static_cast<uint8_t>(dialog->LireReponse());
        dialog->SetNbreAgents(NbreAgents);
        dialog->SignalerInterrogation();
        break;
      }
      case DebutSession:
        DemarrerSession();
        break;
      case FinAppel:
        Action = AucuneAction;
        break;
      default:
        break;
    }
  } catch (const service::ERemotableInvalideSession&) {
    Action = AucuneAction;
    throw;
  }
}

void TContexteAppel::NouvelAppelRecu() {
  if (!Agent) return;
  // A repeated action 1 for the same call: the earlier dialog and window are released first, so
  // that none is left behind without a reference.
  Liberer();
  // Beyond the calls allowed to ring at once nothing is opened: the caller is refused.
  if (Agent->AppelsEnSonnerie() >= Agent->MaxAppelsEnSonnerie) {
    Demande.Etat = TInfosDemande::Refusee;
    return;
  }
  if (OuvrirSession()) {
    Demande.Etat = TInfosDemande::Sonnerie;
    try {
      RemplirClient();
      auto dialog = Agent->CreerFenetreAppel();
      FenetreAppel = dialog;
      dialog->Remplir(Client);
      dialog->SetDescription(Demande.Description);
      dialog->SetNbreAgents(NbreAgents);
      dialog->Afficher();
    } catch (...) {
      // The call cannot ring (the customer look-up failed, for instance a mistyped identifier):
      // the prepared window and its assistance port are released now, and the call ends refused,
      // so that the caller hears NOK from now on and the context is purged. The fault still goes
      // on to the listener, which answers it.
      AbandonnerNouvelAppel();
      throw;
    }
  } else {
    Demande.Etat = TInfosDemande::Refusee;
    Agent->AvertirPortsOccupes();  // modal: the answer waits until the agent dismisses it
  }
}

void TContexteAppel::AbandonnerNouvelAppel() {
  Demande.Etat = TInfosDemande::Refusee;
  Action = AucuneAction;
  if (auto dialog = FenetreAppel.lock()) Agent->LibererFenetreAppel(dialog.get());
  FenetreAppel.reset();
  std::shared_ptr<IFenetreSession> window = FenetreSession.lock();
  FenetreSession.reset();
  if (window) Agent->DetruireFenetreSession(window);
}

bool TContexteAppel::OuvrirSession() {
  std::shared_ptr<IFenetreSession> window = Agent->CreerFenetreSession();
  if (!window) return false;
  FenetreSession = window;
  int port = 0;
  bool opened = false;
  try {
    opened = window->OuvrirPortAssistance(port);
  } catch (...) {
    FenetreSession.reset();
    Agent->DetruireFenetreSession(window);
    throw;
  }
  if (opened) {
    Demande.Port = port;
    return true;
  }
  FenetreSession.reset();
  Agent->DetruireFenetreSession(window);
  return false;
}

void TContexteAppel::RemplirClient() {
  Client.TypeClient = Demande.TypeClient;
  Client.Nom = Demande.ClientNom;
  Client.EMail = Demande.ClientEMail;
  Client.Identifiant = Trim(Demande.ClientID);
  if (Client.Identifiant.empty()) Client.TypeClient = 0;
  Client.AdresseIP = Demande.AdresseIP;
  if (Client.TypeClient == 1) {
    const service::TRemotableAgent* agent = Agent->InfosAgent();
    const service::TRemotableClient known =
        Agent->ObtenirClientParIdentifiant(agent ? agent->GroupeID : std::string(), Client.Identifiant);
    Client.Nom = known.Nom;
    Client.Prenom = known.Prenom;
    Client.EMail = known.EMail;
  }
}

void TContexteAppel::DemarrerSession() {
  Action = AucuneAction;
  auto window = FenetreSession.lock();
  // No prepared window (a call that never got a port, an unknown identifier), or a call the agent
  // has not accepted: the request is ignored. Starting a session unasked would hand the agent's
  // clipboard to whoever sends action 3.
  if (!window || Demande.Etat != TInfosDemande::Acceptee) return;
  window->SetAssistanceID(Demande.AssistanceID);
  window->ActiverServeur();
  window->SetClient(Client);
  window->SetDescription(Demande.Description);
  window->Afficher();
}

}  // namespace corvane::calls
