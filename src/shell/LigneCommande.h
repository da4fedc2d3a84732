#pragma once
// The command line: automatic login, status after it, start hidden, and the file the update helper
// leaves behind. Switches start with "-" or "/" and ignore case; a switch that takes a value takes
// the next argument, and as the very last argument it counts as absent. Unknown arguments are
// ignored.
//
// Parsed once at process start (InitialiserLigneCommande, main thread), read-only afterwards.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::shell {

inline constexpr std::string_view kSwitchLogin = "login";
inline constexpr std::string_view kSwitchPwd = "pwd";
inline constexpr std::string_view kSwitchStatus = "status";
inline constexpr std::string_view kSwitchMini = "mini";
inline constexpr std::string_view kSwitchLastUsedUpdateExe = "LastUsedUpdateExeFileNameToDelete";

struct TInfosLigneCommande {
  std::string Login;     // empty: no automatic login
  std::string Password;  // may be empty
  uint8_t Status = 0;    // 0 leave disconnected, 1 busy (saOccupe), 2 available (saDisponible)
  bool DemarrageReduit = false;  // "mini": start hidden in the notification area
  // The previous executable the update helper asks us to delete; absent when not given.
  std::optional<std::string> LastUsedUpdateExeFileNameToDelete;

  bool LoginAutomatique() const { return !Login.empty(); }
};

// args are the arguments without the program name.
TInfosLigneCommande ParseLigneCommande(const std::vector<std::string>& args);

// The classic switch search: true when "-name" or "/name" (any case) is among args.
bool FindCmdLineSwitch(const std::vector<std::string>& args, std::string_view name);
// The value following the first "-name"/"/name"; nullopt when absent or given last.
std::optional<std::string> FindCmdLineSwitchValue(const std::vector<std::string>& args,
                                                  std::string_view name);

// The process-wide parsed command line.
void InitialiserLigneCommande(int argc, const char* const* argv);
const TInfosLigneCommande& InfosLigneCommande();

}  // namespace corvane::shell
