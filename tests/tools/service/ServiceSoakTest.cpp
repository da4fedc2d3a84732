// Many clients at once: every call succeeds and no write is lost.

#include <thread>
#include <vector>

#include "ServiceFixture.h"

using namespace corvane::service;
using namespace corvane::service::server::test;

namespace {

class ServiceSoak : public ServiceFixture {};

TEST_F(ServiceSoak, ConcurrentClientsLoseNoWriteAndSeeNoError) {
  constexpr int kClients = 16;
  constexpr int kRounds = 12;
  std::atomic<int> errors{0};
  std::vector<std::string> firstError(kClients);
  std::vector<std::thread> threads;
  TRemotableFiltre filtre;
  filtre.DateDebutInclue = 0;
  filtre.DateFinNonInclue = 1e6;
  filtre.IdentificationClient = TFiltreIdentificationClient::ficTous;
  filtre.RequeteClient = TFiltreRequeteClient::frcToutes;
  for (int c = 0; c < kClients; ++c) {
    threads.emplace_back([&, c] {
      try {
        CorvaneAgentProxy proxy(root);
        std::string session = proxy.LogIn(c % 2 ? "admin" : "agent", c % 2 ? "admin" : "agent");
        for (int r = 0; r < kRounds; ++r) {
          if (proxy.ListeAssistances(session, filtre).size() < 100) throw std::runtime_error("short list");
          TRemotableClient client;
          client.Identifiant = "soak-" + std::to_string(c) + "-" + std::to_string(r);
          proxy.AjouterUnClient(session, client);
        }
      } catch (const std::exception& e) {
        if (errors++ == 0) firstError[c] = e.what();
      }
    });
  }
  for (std::thread& t : threads) t.join();
  std::string anyError;
  for (const std::string& e : firstError) anyError += e;
  EXPECT_EQ(errors.load(), 0) << anyError;
  CorvaneAgentProxy proxy(root);
  EXPECT_EQ(proxy.ListeClients(proxy.LogIn("admin", "admin")).size(), 5u + kClients * kRounds);
}

}  // namespace
