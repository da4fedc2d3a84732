#pragma once
// The reference service started in-process on an ephemeral loopback port, with an in-memory
// database, a clock the test moves, and a seeded group ("admin"/"admin" level 2, "agent"/"agent"
// level 0).

#include <gtest/gtest.h>

#include <atomic>

#include "DemoData.h"
#include "ServiceServer.h"
#include "service/CorvaneAgent.h"
#include "service/CorvaneGroupeAgent.h"
#include "service/CorvaneInscription.h"

namespace corvane::service::server::test {

class ServiceFixture : public ::testing::Test {
protected:
  static constexpr int64_t kIdleMs = 60'000;
  std::atomic<int64_t> clockMs{1'717'000'000'000};
  ServiceStore store{StoreOptions{":memory:", kIdleMs, [this] { return clockMs.load(); }, kQuickPasswordIterations}};
  DemoSummary demo = SeedDemo(store, clockMs);
  ServiceServer server{store, ServerOptions{"127.0.0.1", 0, "/scripts/ServiceCorvane.dll/", "", "", {}}};
  std::string root;

  void SetUp() override {
    server.start();
    root = server.rootUrl();
  }
  CorvaneAgentProxy agentProxy() { return CorvaneAgentProxy(root); }
};

}  // namespace corvane::service::server::test
