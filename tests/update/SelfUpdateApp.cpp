// A small program that updates itself, for the self-update test. Built twice, as versions 1 and 2.
//
//   update_selftest_app --descriptor <url> --marker <file> [any other arguments]
//
// A normal run checks the descriptor, applies what it finds, writes "<marker>.first" and ends so
// that the update helper can replace it. A run started by the helper (it carries the switch
// -LastUsedUpdateExeFileNameToDelete) writes <marker> with its version, what the engine saw and its
// arguments, one per line.

#include <strings.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "update/AutoUpdater.h"
#include "update/FileVersion.h"
#include "update/MainWindowUpdater.h"
#include "update/UpdateFiles.h"
#include "update/helper/HelperCommandLine.h"

using namespace corvane::update;

namespace {

std::string ValueOf(const std::vector<std::string>& args, const char* name) {
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if ((args[i][0] == '-' || args[i][0] == '/') && strcasecmp(args[i].c_str() + 1, name) == 0) return args[i + 1];
  return {};
}

void WriteAtomically(const std::string& path, const std::string& text) {
  {
    std::ofstream out(path + ".part");
    out << text;
  }
  std::filesystem::rename(path + ".part", path);
}

}  // namespace

int main() {
  const RunningProgram program = RunningProgram::Current();
  const std::string helper = ValueOf(program.arguments, helper::kSwitchLastUsedUpdateExe);
  const std::string marker = ValueOf(program.arguments, "-marker");
  try {
    TAutoUpdater engine(program, helper);
    if (engine.JustUpdated()) {
      bool announced = false;
      engine.OnJustUpdated = [&](TAutoUpdater&) { announced = true; };
      engine.Verifier();
      std::string text = "version " + ReadFileVersion(program.exePath)->ToString() + "\n";
      text += "justUpdated " + std::to_string(announced) + "\n";
      text += "helperGone " + std::to_string(!FileExists(helper)) + "\n";
      for (const std::string& a : program.arguments) text += a + "\n";
      WriteAtomically(marker, text);
      return 0;
    }
    ConfigureMainWindowUpdater(engine, ValueOf(program.arguments, "-descriptor"));
    engine.Verifier();
    const int updates = engine.NombreMisesAJour();
    engine.Appliquer(TAutoUpdater::kMandatory | TAutoUpdater::kOptional);
    WriteAtomically(marker + ".first", "updates " + std::to_string(updates) + " completed " +
                                           std::to_string(engine.Completed()) + " terminate " +
                                           std::to_string(engine.TerminateRequired()) + " self " +
                                           std::to_string(engine.SelfUpdate()) + " " + engine.LastError() + "\n");
    return 0;
  } catch (const std::exception& e) {
    WriteAtomically(marker + ".error", e.what());
    return 1;
  }
}
