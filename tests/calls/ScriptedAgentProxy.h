#pragma once
// An agent-interface proxy that forwards to the real SOAP proxy, counts the calls per operation
// and throws a scripted error in place of chosen operations.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "service/CorvaneAgent.h"

namespace corvane::calls::testing {

class ScriptedAgentProxy final : public service::ICorvaneAgent {
public:
  explicit ScriptedAgentProxy(const std::string& root) : real_(root) {}

  std::map<std::string, int> calls;
  std::vector<service::TRemotableClotureAssistance> clotures;  // the closings the service stored
  // Operation name -> thrower; consulted before forwarding.
  std::map<std::string, std::function<void()>> failures;

  std::string LogIn(const std::string& u, const std::string& p) override {
    Hit("LogIn");
    return real_.LogIn(u, p);
  }
  void ChangePassword(const std::string& s, const std::string& a, const std::string& c,
                      const std::string& n) override {
    Hit("ChangePassword");
    real_.ChangePassword(s, a, c, n);
  }
  void LogOut(const std::string& s) override {
    Hit("LogOut");
    real_.LogOut(s);
  }
  void ModifierStatus(const std::string& s, service::TStatusAgent v) override {
    Hit("ModifierStatus");
    real_.ModifierStatus(s, v);
  }
  void ModifierPhoto(const std::string& s, const service::TByteDynArray& p) override {
    Hit("ModifierPhoto");
    real_.ModifierPhoto(s, p);
  }
  service::TByteDynArray ObtenirPhoto(const std::string& s, const std::string& a) override {
    Hit("ObtenirPhoto");
    return real_.ObtenirPhoto(s, a);
  }
  service::TRemotableAgent ObtenirAgent(const std::string& s, const std::string& a) override {
    Hit("ObtenirAgent");
    return real_.ObtenirAgent(s, a);
  }
  void MettreAJourAgent(const std::string& s, const service::TRemotableAgent& a) override {
    Hit("MettreAJourAgent");
    real_.MettreAJourAgent(s, a);
  }
  service::TRemotableAssistances ListeAssistances(const std::string& s,
                                                  const service::TRemotableFiltre& f) override {
    Hit("ListeAssistances");
    return real_.ListeAssistances(s, f);
  }
  std::string AjouterUnAgent(const std::string& s, const service::TRemotableAgent& a) override {
    Hit("AjouterUnAgent");
    return real_.AjouterUnAgent(s, a);
  }
  service::TRemotableAgents ListeAgents(const std::string& s) override {
    Hit("ListeAgents");
    return real_.ListeAgents(s);
  }
  void SupprimerUnAgent(const std::string& s, const std::string& a) override {
    Hit("SupprimerUnAgent");
    real_.SupprimerUnAgent(s, a);
  }
  void CloturerAssistance(const std::string& s, const service::TRemotableClotureAssistance& c) override {
    Hit("CloturerAssistance");
    real_.CloturerAssistance(s, c);
    clotures.push_back(c);
  }
  std::string AjouterUnClient(const std::string& s, const service::TRemotableClient& c) override {
    Hit("AjouterUnClient");
    return real_.AjouterUnClient(s, c);
  }
  service::TRemotableClient ObtenirClient(const std::string& s, const std::string& c) override {
    Hit("ObtenirClient");
    return real_.ObtenirClient(s, c);
  }
  service::TRemotableClient ObtenirClientParIdentifiant(const std::string& s, const std::string& g,
                                                        const std::string& i) override {
    Hit("ObtenirClientParIdentifiant");
    return real_.ObtenirClientParIdentifiant(s, g, i);
  }
  void MettreAJourClient(const std::string& s, const service::TRemotableClient& c) override {
    Hit("MettreAJourClient");
    real_.MettreAJourClient(s, c);
  }
  void SupprimerUnClient(const std::string& s, const std::string& c) override {
    Hit("SupprimerUnClient");
    real_.SupprimerUnClient(s, c);
  }
  service::TRemotableClients ListeClients(const std::string& s) override {
    Hit("ListeClients");
    return real_.ListeClients(s);
  }

private:
  void Hit(const std::string& operation) {
    ++calls[operation];
    auto it = failures.find(operation);
    if (it != failures.end() && it->second) it->second();
  }
  service::CorvaneAgentProxy real_;
};

}  // namespace corvane::calls::testing
