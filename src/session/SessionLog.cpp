#include "session/SessionLog.h"

#include <cstdio>
#include <exception>
#include <string>

namespace corvane::session {

void LogSwallowedError(std::string_view where) {
  std::string what = "unknown error";
  try {
    throw;
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
  }
  const std::string line = "corvane: " + std::string(where) + ": " + what + "\n";
  std::fputs(line.c_str(), stderr);
}

}  // namespace corvane::session
