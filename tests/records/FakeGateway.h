#pragma once
// A stand-in for the agent controller's service wrappers: records every call, keeps the group's
// agents, customers, group record and history in memory, and fails the operations it is told to.

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "records/DmGestionAssistances.h"
#include "service/RemotableFaults.h"
#include "service/ServiceGateway.h"

namespace corvane::records::testing {

using namespace corvane::service;

class FakeGateway final : public ServiceGateway {
public:
  TRemotableAgent self;
  bool loggedIn = true;
  std::vector<TRemotableAgent> agents;
  std::vector<TRemotableClient> clients;
  TRemotableGroupeAgent group;
  std::vector<TRemotableAssistance> sessions;  // request dates in the service's zone

  std::vector<std::string> calls;               // operation names in call order
  std::vector<TRemotableFiltre> historyQueries; // filters received by ListeAssistances
  std::vector<TRemotableAgent> agentsSent;
  std::vector<TRemotableClient> clientsSent;
  std::vector<TRemotableGroupeAgent> groupsSent;

  std::set<std::string> failing;  // operations that throw `fault()`
  std::function<void()> fault = [] { throw ERemotableEchecIntegrite("integrity"); };
  int nextId = 100;

  FakeGateway() {
    self.AgentID = "1";
    self.GroupeID = "G7";
    self.Port = 8086;
  }

  const TRemotableAgent* InfosAgent() const override { return loggedIn ? &self : nullptr; }

  std::string AjouterUnAgent(const TRemotableAgent& a) override {
    agentsSent.push_back(a);
    enter("AjouterUnAgent");
    TRemotableAgent stored = a;
    stored.AgentID = std::to_string(nextId++);
    agents.push_back(stored);
    return stored.AgentID;
  }
  TRemotableAgents ListeAgents() override {
    enter("ListeAgents");
    return agents;
  }
  TRemotableAgent ObtenirAgent(const std::string& id) override {
    enter("ObtenirAgent");
    for (auto& a : agents)
      if (a.AgentID == id) return a;
    throw ERemotableException("no agent " + id);
  }
  void MettreAJourAgent(const TRemotableAgent& a) override {
    agentsSent.push_back(a);
    enter("MettreAJourAgent");
    for (auto& stored : agents)
      if (stored.AgentID == a.AgentID) stored = a;
  }
  void SupprimerUnAgent(const std::string& id) override {
    enter("SupprimerUnAgent " + id);
    std::erase_if(agents, [&](const TRemotableAgent& a) { return a.AgentID == id; });
  }
  TRemotableAssistances ListeAssistances(const TRemotableFiltre& f) override {
    enter("ListeAssistances");
    historyQueries.push_back(f);
    TRemotableAssistances out;
    for (const auto& s : sessions)
      if (s.DemandeDate >= f.DateDebutInclue && s.DemandeDate < f.DateFinNonInclue && Selected(s, f))
        out.push_back(s);
    return out;
  }
  // The service's selection as the contract describes it, written apart from the console's cache
  // matching so that a fault in one does not hide in the other. A session of a customer's record
  // has that record's identifier; other sessions have none.
  static bool Selected(const TRemotableAssistance& s, const TRemotableFiltre& f) {
    const bool identified = s.ClientID.find_first_not_of(' ') != std::string::npos;
    const bool handled = !s.AgentID.empty();
    bool customer = true;
    switch (f.IdentificationClient) {
      case TFiltreIdentificationClient::ficIdentifies: customer = identified; break;
      case TFiltreIdentificationClient::ficNonIdentifies: customer = !identified; break;
      case TFiltreIdentificationClient::ficTous: break;
      case TFiltreIdentificationClient::ficSpecifique:
        customer = identified && s.ClientID == std::to_string(f.ClientID);
        break;
    }
    bool request = true;
    if (f.RequeteClient == TFiltreRequeteClient::frcPrisesEnCharge) request = handled;
    if (f.RequeteClient == TFiltreRequeteClient::frcNonPrisesEnCharge) request = !handled;
    bool response = true;
    if (f.ReponsesAgents != TFiltreReponsesAgents::fraToutes) {
      const std::string letter(1, " IRNUA"[static_cast<int>(f.ReponsesAgents)]);
      response = f.FiltreReponsesAgentsExclusif ? s.Cloture == letter : s.Cloture.find(letter) != std::string::npos;
    }
    return customer && request && response;
  }
  std::string AjouterUnClient(const TRemotableClient& c) override {
    clientsSent.push_back(c);
    enter("AjouterUnClient");
    TRemotableClient stored = c;
    stored.ClientID = std::to_string(nextId++);
    clients.push_back(stored);
    return stored.ClientID;
  }
  TRemotableClient ObtenirClient(const std::string& id) override {
    enter("ObtenirClient");
    for (auto& c : clients)
      if (c.ClientID == id) return c;
    throw ERemotableException("no client " + id);
  }
  void MettreAJourClient(const TRemotableClient& c) override {
    clientsSent.push_back(c);
    enter("MettreAJourClient");
    for (auto& stored : clients)
      if (stored.ClientID == c.ClientID) stored = c;
  }
  void SupprimerUnClient(const std::string& id) override {
    enter("SupprimerUnClient " + id);
    std::erase_if(clients, [&](const TRemotableClient& c) { return c.ClientID == id; });
  }
  TRemotableClients ListeClients() override {
    enter("ListeClients");
    return clients;
  }
  void ModifierGroupe(TRemotableGroupeAgent& g) override {
    groupsSent.push_back(g);
    enter("ModifierGroupe");
    group = g;
    group.Nbre += 1;  // the service maintains it
    g = group;
  }
  TRemotableGroupeAgent ObtenirGroupe(const std::string& id) override {
    enter("ObtenirGroupe " + id);
    return group;
  }

  size_t count(const std::string& op) const {
    size_t n = 0;
    for (auto& c : calls) n += c == op;
    return n;
  }

private:
  void enter(const std::string& op) {
    calls.push_back(op);
    const std::string name = op.substr(0, op.find(' '));
    if (failing.count(name)) fault();
  }
};

// A history filter with settable period and criteria.
class TestFilter final : public HistoryFilter {
public:
  TDateTime debut = 0, fin = 0;
  TRemotableFiltre criteres;
  TestFilter() {
    criteres.IdentificationClient = TFiltreIdentificationClient::ficTous;
    criteres.RequeteClient = TFiltreRequeteClient::frcToutes;
    criteres.ReponsesAgents = TFiltreReponsesAgents::fraToutes;
  }
  TDateTime DateDebut() const override { return debut; }
  TDateTime DateFin() const override { return fin; }
  TRemotableFiltre Criteres() const override { return criteres; }
  std::string LibellePeriode() const override { return "Last 7 days"; }
  std::string LibelleCriteres() const override { return "All clients. All requests handling. All response type"; }
};

}  // namespace corvane::records::testing
