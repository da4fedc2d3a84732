#pragma once
// The customer program in-process against the reference service (in-memory database) and fake
// agents over loopback, all on one manual main loop: the test moves virtual time for the call's
// polls and time-outs and waits, bounded, for what other threads do.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ClientOptions.h"
#include "CustomerProgram.h"
#include "FakeAgent.h"
#include "ProgressOutput.h"
#include "ServiceServer.h"
#include "ServiceStore.h"
#include "base/ManualLoop.h"
#include "support/TempFolder.h"

namespace corvane::client::testing {

using corvane::testing::TempFolder;

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The reference service with one group; agents are added with the call port of a fake listener.
class TestService {
public:
  static constexpr int64_t kNowMs = 1'717'000'000'000;

  TestService() {
    service::TRemotableGroupeAgent group;
    group.Nom = "Helpers";
    group.Valide = true;
    groupId = store.SeedGroup(group);
    service::TRemotableAgent reader;  // reads the group's history; never available
    reader.GroupeID = groupId;
    reader.Login = "reader";
    store.SeedAgent(reader, "reader");
    service::TRemotableGroupeAgent strict;
    strict.Nom = "Known only";
    strict.Valide = true;
    strict.AccepteClientConnuUniquement = true;
    strictGroupId = store.SeedGroup(strict);
    service::TRemotableAgent watcher;  // reads the strict group's history
    watcher.GroupeID = strictGroupId;
    watcher.Login = "strict";
    store.SeedAgent(watcher, "strict");
    server.start();
  }
  ~TestService() { server.stop(); }

  void AddAgent(const std::string& login, uint16_t callPort) {
    service::TRemotableAgent agent;
    agent.GroupeID = groupId;
    agent.Login = login;
    agent.Nom = login;
    agent.AdresseIP = "127.0.0.1";
    agent.Port = callPort;
    agent.Ports = "5000-5010";
    agent.NiveauAdmin = 2;
    agent.Status = service::TStatusAgent::saDisponible;
    store.SeedAgent(agent, login);
  }

  // The closing letters of every request of the day, in request order.
  std::vector<std::string> Closings(const std::string& group = {}) {
    const std::string login = group == strictGroupId ? "strict" : "reader";
    const std::string session = store.LogIn(login, login);
    service::TRemotableFiltre filtre;
    filtre.DateDebutInclue = service::server::ServiceZoneTime(kNowMs) - 1;
    filtre.DateFinNonInclue = service::server::ServiceZoneTime(kNowMs) + 1;
    filtre.IdentificationClient = service::TFiltreIdentificationClient::ficTous;
    filtre.RequeteClient = service::TFiltreRequeteClient::frcToutes;
    std::vector<std::string> out;
    for (const auto& a : store.ListeAssistances(session, filtre)) out.push_back(a.Cloture);
    return out;
  }

  std::string Root() const { return server.rootUrl(); }

  service::server::ServiceStore store{service::server::StoreOptions{
      ":memory:", 60'000, [] { return kNowMs; }, service::server::kQuickPasswordIterations}};
  service::server::ServiceServer server{store, service::server::ServerOptions{"127.0.0.1", 0, "/scripts/ServiceCorvane.dll/", "", "", {}}};
  std::string groupId;
  std::string strictGroupId;

};

// Members are public so that tables of cases can act on them.
class ClientFixture : public ::testing::Test {
public:
  static constexpr uint32_t kPollMs = 1000;

  ClientOptions Options() {
    ClientOptions o;
    o.serviceUrl = service.Root();
    o.groupId = service.groupId;
    o.name = "Ada Lovelace";
    o.email = "ada@example.invalid";
    o.description = "The printer, again.\nIt says \"offline\", twice.";
    o.screenWidth = 320;
    o.screenHeight = 240;
    o.receiveDir = receiveDir.path().string();
    o.pollIntervalMs = kPollMs;
    o.ringTimeoutMs = 10000;
    o.closeWaitMs = 5000;
    return o;
  }

  CustomerProgram& Program(ClientOptions options) {
    program = std::make_unique<CustomerProgram>(loop, std::move(options), output);
    return *program;
  }

  // Starts the program and lets its call be accepted at the first poll: the session runs.
  CustomerProgram& Connected(ClientOptions options) {
    listener.Answer(FakeCallListener::Plan::Accept, 1, agent.Port());
    service.AddAgent("agent", listener.Port());
    CustomerProgram& p = Program(std::move(options));
    p.Start();
    loop.advance(kPollMs);
    EXPECT_TRUE(out.Contains("STATE connected"));
    EXPECT_TRUE(WaitFor([&] { return agent.AllBound(); }));
    return p;
  }

  bool WaitFor(const std::function<bool()>& pred, int ms = 10000) { return loop.pumpUntil(pred, ms); }
  bool Said(const std::string& line, int ms = 10000) {
    return WaitFor([&] { return out.Contains(line); }, ms);
  }

  // Declaration order matters: the program goes first, then the agent (its channels are still
  // bound to the program's connections), then the service and the loop.
  base::ManualLoop loop;
  TestService service;
  TempFolder receiveDir;
  TempFolder agentDir;
  FakeCallListener listener;
  FakeAgentSession agent{loop, agentDir.path()};
  Log out;
  ProgressOutput output{[this](const std::string& line) { out.Add(line); }};
  std::unique_ptr<CustomerProgram> program;

  void TearDown() override { program.reset(); }
};

}  // namespace corvane::client::testing
