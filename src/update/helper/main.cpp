// The update helper: finishes an update after the program that started it has ended.
//
//   helper -src <file> -dest <target> -pid <n> [-params <text>] -action <0|1|2>
//
// It waits for process <pid> to end, then moves src onto dest (actions 0 and 1) or deletes dest
// (action 2); action 1 then starts dest again with params and the switch
// -LastUsedUpdateExeFileNameToDelete "<this helper's path>" so that the restarted program deletes
// the helper. It reports nothing: a file it cannot move stays as it was.

#include <unistd.h>

#include <chrono>
#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "update/helper/HelperCommandLine.h"
#include "update/helper/HelperProcess.h"

using namespace corvane::update::helper;

namespace {

std::string OwnPath(const char* argv0) {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string(argv0 ? argv0 : "");
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const HelperSwitches s = ReadSwitches(args);
  const std::string params = DecodeParams(s.params, OwnPath(argc > 0 ? argv[0] : nullptr));
  const long pid = ParseDecimal(s.pid);
  const long action = ParseDecimal(s.action);
  if (pid == 0 || pid > INT_MAX || action < kActionMove || action > kActionDelete) return 0;

  WaitForProcessEnd(static_cast<pid_t>(pid));
  // Give the system a moment to release the ended program's files.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  if (action == kActionDelete) {
    ::unlink(s.dest.c_str());
    return 0;
  }
  MoveReplacing(s.src, s.dest);
  if (action == kActionMoveAndRestart) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    SpawnDetached(s.dest, SplitCommandLine(params));
  }
  return 0;
}
