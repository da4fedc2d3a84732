#pragma once
// Seeds a demonstration group: an administrator ("admin"/"admin"), a second agent
// ("agent"/"agent"), a few customers and about a hundred sessions over the past 60 days with every
// closing state.

#include "ServiceStore.h"

namespace corvane::service::server {

struct DemoSummary {
  std::string groupeId;
  int assistances = 0;
};

DemoSummary SeedDemo(ServiceStore& store, int64_t nowUnixMs);

}  // namespace corvane::service::server
