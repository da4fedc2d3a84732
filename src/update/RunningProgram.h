#pragma once
// The running program as the update engine needs it: its executable and its arguments.

#include <string>
#include <vector>

namespace corvane::update {

struct RunningProgram {
  std::string exePath;                 // absolute path of the executable
  std::vector<std::string> arguments;  // everything after the executable's name

  // Read from /proc/self/exe and /proc/self/cmdline.
  static RunningProgram Current();
};

}  // namespace corvane::update
