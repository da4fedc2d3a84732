#pragma once
// A controller wired to the reference service (through a scripted proxy), with its events logged,
// the address publication and warning boxes recorded, and stand-in session windows.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "CallsTestSupport.h"
#include "ScriptedAgentProxy.h"
#include "calls/AppelClientModel.h"

namespace corvane::calls::testing {

class ControllerFixture : public ::testing::Test {
protected:
  ReferenceService service;
  base::ManualLoop loop;
  std::shared_ptr<ScriptedAgentProxy> proxy = std::make_shared<ScriptedAgentProxy>(service.root);
  std::vector<std::string> events;
  std::vector<std::string> published;
  std::vector<std::exception_ptr> errors;
  std::vector<std::pair<std::string, std::string>> warnings;
  std::vector<TFrmAppelClientModel*> dialogs;
  std::vector<std::weak_ptr<FakeFenetreSession>> windows;  // every window created, in order
  std::shared_ptr<PortPool> pool = std::make_shared<PortPool>();
  std::shared_ptr<int> windowsAlive = std::make_shared<int>(0);
  std::unique_ptr<TCorvaneAgent> agent;

  void SetUp() override {
    agent = std::make_unique<TCorvaneAgent>(loop);
    agent->SetRacineServeur(service.root);
    agent->SetHoteEcoute("127.0.0.1");
    agent->SetProxies(proxy, std::make_shared<service::CorvaneGroupeAgentProxy>(service.root));
    agent->RequeteAdresse = [this](const std::string& url) { published.push_back(url); };
    agent->OnErreur = [this](std::exception_ptr e) { errors.push_back(e); };
    agent->OnAvertissement = [this](const std::string& c, const std::string& t) { warnings.emplace_back(c, t); };
    agent->OnFenetreAppelCreee = [this](TFrmAppelClientModel& d) { dialogs.push_back(&d); };
    agent->FabriqueFenetreSession = [this](TCorvaneAgent&) {
      auto w = std::make_shared<FakeFenetreSession>(pool, windowsAlive);
      windows.push_back(w);
      return std::shared_ptr<IFenetreSession>(w);
    };
    for (int p = 6001; p <= 6005; ++p) pool->free.push_back(p);
    agent->OnLogIn = [this] { events.push_back("LogIn"); };
    agent->OnLogOut = [this] { events.push_back("LogOut"); };
    agent->OnInfosProjetChange = [this] { events.push_back("InfosProjet"); };
    agent->OnStatusAgentChange = [this] { events.push_back("Status"); };
    agent->OnHistoriqueChanged = [this] { events.push_back("Historique"); };
    agent->OnContactedButInvalidSession = [this] { events.push_back("InvalidSession"); };
    agent->BeforeWork = [this] { ++work; };
    agent->AfterWork = [this] { --work; };
  }
  void TearDown() override {
    agent.reset();
    windows.clear();
  }

  void LogIn() {
    FixedCredentials credentials("tech", "tech");
    ASSERT_TRUE(agent->Connecter(credentials));
  }
  void Available() {
    LogIn();
    agent->SetStatusAgent(service::TStatusAgent::saDisponible);
    ASSERT_GT(agent->PortEcoute(), 0);
  }
  // Ends the controller's service session behind its back (as an expiry would).
  void ExpireSession() { service::CorvaneAgentProxy(service.root).LogOut(agent->Session()); }
  size_t Count(const std::string& event) const {
    return static_cast<size_t>(std::count(events.begin(), events.end(), event));
  }
  HttpResult Call(const httplib::Headers& headers) { return SendRequest(loop, agent->PortEcoute(), headers); }

  int work = 0;  // BeforeWork minus AfterWork
};

}  // namespace corvane::calls::testing
