#pragma once
// TContexteAppel: one customer's call, found by its assistance identifier. It stores what the
// requests said, owns the customer description derived from it, refers to the incoming-call
// dialog and the session window prepared for the call (both owned by the agent controller), and
// processes each request's action on the main thread.
//
// Threads: a listener connection thread writes Action, NbreAgents and the request data while it
// holds the context (TContextesAppel::Acquerir), then hands Traiter to the main thread and waits;
// Traiter and Liberer run on the main thread only. The requests of one call are serialised by the
// context's own mutex, which only connection threads take (never the main thread), so a request
// that waits for an earlier one of the same call can never block the main thread.

#include <cstdint>
#include <memory>
#include <mutex>

#include "calls/InfosClient.h"
#include "calls/InfosDemande.h"

namespace corvane::calls {

class IFenetreSession;
class TCorvaneAgent;
class TContextesAppel;
class TFrmAppelClientModel;

class TContexteAppel {
public:
  // The call's actions ("DAD-Action").
  enum : uint8_t { AucuneAction = 0, NouvelAppel = 1, Interrogation = 2, DebutSession = 3, FinAppel = 4 };

  TContexteAppel();
  ~TContexteAppel();
  TContexteAppel(const TContexteAppel&) = delete;
  TContexteAppel& operator=(const TContexteAppel&) = delete;

  // Weak: a dialog or window released by its owner can never be used through the context.
  std::weak_ptr<TFrmAppelClientModel> FenetreAppel;
  std::weak_ptr<IFenetreSession> FenetreSession;
  TCorvaneAgent* Agent = nullptr;
  TInfosDemande Demande;
  TInfosClient Client;
  // The last action received; 0: nothing pending, the context may be purged.
  uint8_t Action = AucuneAction;
  int NbreAgents = 0;

  // Processes Action. Main thread. Faults pass on to the listener; the invalid-session fault
  // clears Action first, and any fault of a new call also releases its window and port and ends
  // the call refused.
  void Traiter();
  // Releases the dialog, and the session window unless it is shown (a shown session goes on
  // without its context). Main thread.
  void Liberer();
  // Releases the session window only, unless it is shown. Main thread.
  void LibererFenetreSession();

private:
  friend class TContextesAppel;
  void NouvelAppelRecu();
  bool OuvrirSession();
  // A new call that failed after its window got a port: releases the dialog and destroys the
  // window at once (its port is free when this returns), and ends the call refused.
  void AbandonnerNouvelAppel();
  void RemplirClient();
  void DemarrerSession();

  std::mutex requete_;  // held by the connection thread processing a request of this call
  bool purge_ = false;  // guarded by the list's lock
};

}  // namespace corvane::calls
