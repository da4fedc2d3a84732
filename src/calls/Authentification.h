#pragma once
// The credentials interfaces between the agent controller and whatever supplies a login and
// password (login dialog, session re-opening dialog, command line). The controller's log-in calls
// SetAuthentification, then Authentifier; the provider tries credentials through
// EssayerConnexion as often as it decides. Main thread only.

#include <string>

namespace corvane::calls {

// Implemented by the agent controller: try this login and password at the service.
class ICorvaneAuthentification {
public:
  virtual ~ICorvaneAuthentification() = default;
  virtual bool EssayerConnexion(const std::string& login, const std::string& password) = 0;
};

class IFournisseurAuthentification {
public:
  virtual ~IFournisseurAuthentification() = default;
  // Obtains credentials, tries them, returns true once they were accepted.
  virtual bool Authentifier() = 0;
  virtual void SetAuthentification(ICorvaneAuthentification* authentification) = 0;
  // True when a new agent group was created while the credentials were obtained.
  virtual bool GroupeCree() const = 0;
};

}  // namespace corvane::calls
