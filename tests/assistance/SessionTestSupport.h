#pragma once
// A logged-in, available agent on the reference service with real session models, and the
// customer's side of a call: the call requests over HTTP and the eleven channel connections.

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "assistance/SessionAssistanceModel.h"
#include "calls/AppelClientModel.h"
#include "calls/CallsTestSupport.h"
#include "calls/ScriptedAgentProxy.h"
#include "session/ChannelTestSupport.h"
#include "session/ClientFileTransfertManagers.h"
#include "session/TextClients.h"

namespace corvane::assistance::testing {

using calls::testing::CallHeaders;
using calls::testing::HttpResult;
using calls::testing::ReferenceService;
using calls::testing::ScriptedAgentProxy;
using calls::testing::SendRequest;
using session::testing::Log;
using session::testing::RawPeer;

// The customer's eleven channel ends: real ends for chat, commands and incoming files, raw
// sockets announcing the other channels.
class Customer {
public:
  Customer(base::MainLoop& loop, uint16_t port) : loop_(loop), port_(port) {}
  ~Customer() { Close(); }

  void ConnectAll() {
    for (session::TOLAMessageCode code : {session::mcChannelScreen, session::mcChannelCursor,
                                          session::mcChannelSpeakingInputs})
      Raw(code);
    Raw(session::mcChannelSpeakingClipboard);
    Raw(session::mcChannelClipboard);
    chatIn = std::make_unique<session::TOLAClientChat>(nullptr, loop_);
    chatIn->OnMessageChat = [this](session::TOLAClientChat&, const std::string& m) { received.Add("chat " + m); };
    session::ConnectClient(*chatIn, "127.0.0.1", port_);
    chatOut = std::make_unique<session::TOLAClientSpeakingChat>(nullptr, loop_);
    session::ConnectClient(*chatOut, "127.0.0.1", port_);
    commandsIn = std::make_unique<session::TOLAClientCommands>(nullptr, loop_);
    commandsIn->OnCommand = [this](session::TOLAClientCommands&, const std::string& c) { received.Add("command " + c); };
    session::ConnectClient(*commandsIn, "127.0.0.1", port_);
    commandsOut = std::make_unique<session::TOLAClientSpeakingCommands>(nullptr, loop_);
    session::ConnectClient(*commandsOut, "127.0.0.1", port_);
    if (!filesOut) ConnectFiles();
    Raw(session::mcChannelSpeakingFileTransfertManager);
  }
  // The end that asks the agent to accept files (channel 24).
  void ConnectFiles() {
    filesOut = std::make_unique<session::TOLAClientFileTransfertManager>(nullptr, loop_);
    filesOut->OnAnswer = [this](session::TOLAClientFileTransfertManager&, const std::string& f, bool started) {
      received.Add(std::string(started ? "accepted " : "refused ") + f);
    };
    session::ConnectClient(*filesOut, "127.0.0.1", port_);
  }
  // A raw connection announcing code (or nothing when code is mcEmpty).
  RawPeer& Raw(session::TOLAMessageCode code) {
    raw.push_back(std::make_unique<RawPeer>(port_));
    if (code != session::mcEmpty) raw.back()->Send(session::MessageCodeLine(code));
    return *raw.back();
  }
  void Close() {
    filesOut.reset();
    commandsOut.reset();
    commandsIn.reset();
    chatOut.reset();
    chatIn.reset();
    raw.clear();
  }

  Log received;
  std::vector<std::unique_ptr<RawPeer>> raw;
  std::unique_ptr<session::TOLAClientChat> chatIn;
  std::unique_ptr<session::TOLAClientSpeakingChat> chatOut;
  std::unique_ptr<session::TOLAClientCommands> commandsIn;
  std::unique_ptr<session::TOLAClientSpeakingCommands> commandsOut;
  std::unique_ptr<session::TOLAClientFileTransfertManager> filesOut;

private:
  base::MainLoop& loop_;
  uint16_t port_;
};

class SessionFixture : public ::testing::Test {
protected:
  ReferenceService service;
  base::ManualLoop loop;
  std::shared_ptr<ScriptedAgentProxy> proxy = std::make_shared<ScriptedAgentProxy>(service.root);
  std::vector<std::string> errors;  // session error boxes
  std::vector<std::pair<std::string, std::string>> warnings;
  std::vector<std::exception_ptr> applicationErrors;
  std::vector<calls::TFrmAppelClientModel*> dialogs;
  // Session models created and not closed yet (a model destroyed at once for want of a port stays
  // listed: read the controller's list for those).
  std::vector<TFrmInstanceCorvaneAgentModel*> sessions;
  std::unique_ptr<calls::TCorvaneAgent> agent;

  void SetUp() override {
    agent = std::make_unique<calls::TCorvaneAgent>(loop);
    agent->SetRacineServeur(service.root);
    agent->SetHoteEcoute("127.0.0.1");
    agent->SetProxies(proxy, std::make_shared<service::CorvaneGroupeAgentProxy>(service.root));
    agent->RequeteAdresse = [](const std::string&) {};
    agent->OnErreur = [this](std::exception_ptr e) { applicationErrors.push_back(e); };
    agent->OnAvertissement = [this](const std::string& c, const std::string& t) { warnings.emplace_back(c, t); };
    agent->OnFenetreAppelCreee = [this](calls::TFrmAppelClientModel& d) { dialogs.push_back(&d); };
    InstallerFabriqueSessions(
        *agent, loop,
        [this](TFrmInstanceCorvaneAgentModel& m) {
          sessions.push_back(&m);
          m.OnErreur = [this](const std::string& t) { errors.push_back(t); };
          m.OnAvertissement = [this](const std::string& c, const std::string& t) { warnings.emplace_back(c, t); };
          m.OnFermer = [this, &m] { sessions.erase(std::find(sessions.begin(), sessions.end(), &m)); };
        },
        "127.0.0.1");
    calls::testing::FixedCredentials credentials("tech", "tech");
    ASSERT_TRUE(agent->Connecter(credentials));
    service::TRemotableAgent record = *agent->InfosAgent();
    record.Ports = "0";  // any free port for each session
    agent->MettreAJourAgent(record);
    agent->SetStatusAgent(service::TStatusAgent::saDisponible);
  }
  void TearDown() override { agent.reset(); }

  HttpResult Call(const httplib::Headers& h) { return SendRequest(loop, agent->PortEcoute(), h); }

  // A help request opened at the service, then its call accepted by the agent and started:
  // returns the session model and its port; id receives the assistance identifier.
  TFrmInstanceCorvaneAgentModel& StartSession(uint16_t& port, std::string* idOut = nullptr) {
    const std::string id =
        service.store.OpenHelpRequest(service.demo.groupeId, "Visitor", "visitor@customer.invalid", "", "Help me",
                                      "127.0.0.1")
            .assistanceId;
    if (idOut) *idOut = id;
    httplib::Headers h = CallHeaders(id, 1, 1);
    h.emplace("DAD-ClientNom", "Visitor");
    h.emplace("DAD-ClientEMail", "visitor@customer.invalid");
    h.emplace("DAD-Description", "\"Help me\"");
    Call(h);
    EXPECT_FALSE(dialogs.empty());
    dialogs.back()->Accepter();
    const HttpResult ok = Call(CallHeaders(id, 2, 1));
    EXPECT_EQ(ok.dad.count("DAD-Reponse") ? ok.dad.at("DAD-Reponse") : "", "OK");
    port = static_cast<uint16_t>(std::stoi(ok.dad.count("DAD-Port") ? ok.dad.at("DAD-Port") : "0"));
    Call(CallHeaders(id, 3, 1));
    return *sessions.back();
  }
  bool WaitFor(const std::function<bool()>& pred) { return loop.pumpUntil(pred, 10000); }
  int Closings() { return proxy->calls["CloturerAssistance"]; }
};

}  // namespace corvane::assistance::testing
