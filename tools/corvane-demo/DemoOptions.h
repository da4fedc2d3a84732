#pragma once
// The demo's command line.

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::demo {

struct DemoOptions {
  uint32_t sessionMs = 8000;        // how long the assistance session runs
  std::string outputDir = "corvane-demo-output";
  std::string language;             // "fr" or "en"; empty: from LANG
  std::string serviceProgram;       // empty: found beside the demo, else the build's
  std::string clientProgram;
  uint32_t stepTimeoutMs = 20000;   // longest wait for one awaited event
  bool keepTemporary = false;
  bool verbose = false;
  bool help = false;
};

// Throws DemoUsageError naming the faulty option.
DemoOptions ParseDemoOptions(const std::vector<std::string>& args);

std::string DemoUsage();

}  // namespace corvane::demo
