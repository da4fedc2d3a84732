#pragma once
// Helpers of the call-reception tests: the reference web service started in-process, a session
// window stand-in that hands out ports from a pool, a credentials provider, and HTTP requests to
// the call listener sent from a thread of their own while the test's main loop keeps pumping.

#include <httplib.h>

#include <atomic>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DemoData.h"
#include "ServiceServer.h"
#include "base/ManualLoop.h"
#include "calls/Authentification.h"
#include "calls/CorvaneAgent.h"
#include "calls/FenetreSession.h"

namespace corvane::calls::testing {

// The reference service on an ephemeral loopback port with an in-memory database, the demo group,
// and one more agent "tech"/"tech" whose call port is 0 (any free port) and whose address is
// published automatically.
class ReferenceService {
public:
  ReferenceService() {
    service::TRemotableAgent tech;
    tech.GroupeID = demo.groupeId;
    tech.Login = "tech";
    tech.Nom = "Durand";
    tech.Prenom = "Alice";
    tech.EMail = "alice@demo.invalid";
    tech.AdresseIPAuto = true;
    tech.Port = 0;
    techId = store.SeedAgent(tech, "tech");
    server.start();
    root = server.rootUrl();
  }
  ~ReferenceService() { server.stop(); }

  std::atomic<int64_t> clockMs{1'717'000'000'000};
  service::server::ServiceStore store{
      service::server::StoreOptions{":memory:", 3'600'000, [this] { return clockMs.load(); },
                                    service::server::kQuickPasswordIterations}};
  service::server::DemoSummary demo = service::server::SeedDemo(store, clockMs);
  service::server::ServiceServer server{
      store, service::server::ServerOptions{"127.0.0.1", 0, "/scripts/ServiceCorvane.dll/", "", "", {}}};
  std::string techId;
  std::string root;
};

// One try with fixed credentials, like the command line's provider.
class FixedCredentials final : public IFournisseurAuthentification {
public:
  FixedCredentials(std::string login, std::string password)
      : login_(std::move(login)), password_(std::move(password)) {}
  bool Authentifier() override { return auth_ && auth_->EssayerConnexion(login_, password_); }
  void SetAuthentification(ICorvaneAuthentification* a) override { auth_ = a; }
  bool GroupeCree() const override { return false; }

private:
  std::string login_, password_;
  ICorvaneAuthentification* auth_ = nullptr;
};

// Ports handed out to the stand-in windows; a port comes back when its window goes away.
struct PortPool {
  std::deque<int> free;
  int opened = 0;
  int shown = 0;  // windows shown
};

// A session window stand-in: opens a "port" from the pool, records what the context gives it.
class FakeFenetreSession final : public IFenetreSession {
public:
  FakeFenetreSession(std::shared_ptr<PortPool> pool, std::shared_ptr<int> alive)
      : pool_(std::move(pool)), alive_(std::move(alive)) {
    ++*alive_;
  }
  ~FakeFenetreSession() override {
    --*alive_;
    if (port_) pool_->free.push_back(port_);
  }
  bool OuvrirPortAssistance(int& port) override {
    if (pool_->free.empty()) return false;
    port_ = pool_->free.front();
    pool_->free.pop_front();
    ++pool_->opened;
    port = port_;
    return true;
  }
  void ActiverServeur() override { ++activations; }
  void SetAssistanceID(const std::string& id) override { assistanceId = id; }
  void SetClient(const TInfosClient& c) override { client = c; }
  void SetDescription(const std::string& d) override { description = d; }
  void Afficher() override {
    visible = true;
    ++pool_->shown;
  }
  bool Visible() const override { return visible; }
  int EtatConnexion() const override { return etat; }
  bool DemanderFermeture() override { return false; }
  bool EstActive() const override { return false; }
  void SetReouvertureEnCours(bool) override {}
  TInfosClient& Client() override { return client; }
  void AppliquerIdentification() override { ++identifications; }
  void ArreterEcoute() override {
    if (port_) pool_->free.push_back(port_);
    port_ = 0;
  }

  std::string assistanceId, description;
  TInfosClient client;
  bool visible = false;
  int etat = 0;
  int activations = 0;
  int identifications = 0;

private:
  std::shared_ptr<PortPool> pool_;
  std::shared_ptr<int> alive_;
  int port_ = 0;
};

struct HttpResult {
  int status = 0;  // 0: no answer (connection failed)
  std::map<std::string, std::string> dad;  // the DAD- answer headers
  std::string body;
  std::string contentType;
};

// Sends one request to the listener from a thread of its own, pumping the loop until the answer
// came (the listener hands its work to the main thread).
inline HttpResult SendRequest(base::ManualLoop& loop, int port, const httplib::Headers& headers,
                              const std::string& method = "GET", const std::string& path = "/") {
  auto future = std::async(std::launch::async, [=] {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5);
    client.set_read_timeout(20);
    HttpResult r;
    httplib::Result res = method == "POST" ? client.Post(path, headers, "", "text/plain")
                          : method == "HEAD" ? client.Head(path, headers)
                                             : client.Get(path, headers);
    if (!res) return r;
    r.status = res->status;
    r.body = res->body;
    r.contentType = res->get_header_value("Content-Type");
    for (const auto& [name, value] : res->headers)
      if (name.rfind("DAD-", 0) == 0) r.dad[name] = value;
    return r;
  });
  loop.pumpUntil([&] { return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
                 30000);
  return future.get();
}

// The headers of a call request from the customer's program.
inline httplib::Headers CallHeaders(const std::string& id, int action, int agents = 2) {
  return {{"User-Agent", "CorvaneClient"},
          {"DAD-AssistanceID", id},
          {"DAD-Action", std::to_string(action)},
          {"DAD-AgentCount", std::to_string(agents)}};
}

}  // namespace corvane::calls::testing
