#pragma once
// What the agent controller and the call contexts need of an assistance-session window. The
// session model of the assistance library implements it; the controller creates windows through
// the factory it is given and owns them.
//
// Threads: main thread only.

#include <string>

#include "calls/InfosClient.h"

namespace corvane::calls {

class IFenetreSession {
public:
  virtual ~IFenetreSession() = default;

  // Chooses and opens a free assistance port; returns whether one was opened, and the port.
  virtual bool OuvrirPortAssistance(int& port) = 0;
  // Activates the session's TCP listener (normally still active from OuvrirPortAssistance).
  virtual void ActiverServeur() = 0;
  virtual void SetAssistanceID(const std::string& assistanceId) = 0;
  virtual void SetClient(const TInfosClient& client) = 0;
  virtual void SetDescription(const std::string& description) = 0;
  // Shows the window; the session's own start-up follows.
  virtual void Afficher() = 0;
  virtual bool Visible() const = 0;
  // Connection state 0 to 7; 0 is "not connected".
  virtual int EtatConnexion() const = 0;
  // A close request (close button, the main window's FermerSessions); true when the window closed.
  virtual bool DemanderFermeture() = 0;
  // True while the window is the focused window (set by the user interface).
  virtual bool EstActive() const = 0;
  // Set while the main window re-opens the agent's service session; closing is refused meanwhile.
  virtual void SetReouvertureEnCours(bool value) = 0;
  // The customer of the session, which the known-customer picker rewrites before it calls
  // AppliquerIdentification.
  virtual TInfosClient& Client() = 0;
  // The picker stored a new identifier in Client(): refresh the display and tell the customer.
  virtual void AppliquerIdentification() = 0;
  // The window is released (its destruction follows later): it stops listening now, so that its
  // port is free for the next call at once.
  virtual void ArreterEcoute() = 0;
};

}  // namespace corvane::calls
