#pragma once
// The agent controller's service wrappers that the record sets call. Each operation is the web
// service's operation of the same name without its `Session` argument: the controller
// (TCorvaneAgent) supplies its session string and raises BeforeWork / AfterWork around the call.
// Faults and transport errors pass on to the caller unchanged (ServiceErrors.h,
// RemotableFaults.h). Returned records belong to the caller.
//
// Threads: main thread only, like every service call of the program.

#include <string>

#include "service/Remotables.h"

namespace corvane::service {

class ServiceGateway {
public:
  virtual ~ServiceGateway() = default;

  // The logged-in agent's own record; nullptr while logged out. Gives the defaults of new agent
  // and customer rows (group, port) and the group the group record set reads.
  virtual const TRemotableAgent* InfosAgent() const = 0;

  // Agents of the session's group.
  virtual std::string AjouterUnAgent(const TRemotableAgent& Agent) = 0;
  virtual TRemotableAgents ListeAgents() = 0;
  virtual TRemotableAgent ObtenirAgent(const std::string& AgentId) = 0;
  virtual void MettreAJourAgent(const TRemotableAgent& Agent) = 0;
  virtual void SupprimerUnAgent(const std::string& AgentID) = 0;

  // History of the group's assistance sessions matching the filter.
  virtual TRemotableAssistances ListeAssistances(const TRemotableFiltre& Filtre) = 0;

  // Customers of the session's group.
  virtual std::string AjouterUnClient(const TRemotableClient& Client) = 0;
  virtual TRemotableClient ObtenirClient(const std::string& ClientId) = 0;
  virtual void MettreAJourClient(const TRemotableClient& Client) = 0;
  virtual void SupprimerUnClient(const std::string& ClientID) = 0;
  virtual TRemotableClients ListeClients() = 0;

  // The group record; `Groupe` of ModifierGroupe is in/out: the service's copy replaces it.
  virtual void ModifierGroupe(TRemotableGroupeAgent& Groupe) = 0;
  virtual TRemotableGroupeAgent ObtenirGroupe(const std::string& GroupeID) = 0;
};

}  // namespace corvane::service
