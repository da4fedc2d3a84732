#include "shell/LigneCommande.h"

#include <charconv>

namespace corvane::shell {
namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool isSwitch(std::string_view arg, std::string_view name) {
  return arg.size() > 1 && (arg[0] == '-' || arg[0] == '/') && equalsNoCase(arg.substr(1), name);
}

TInfosLigneCommande& processCommandLine() {
  static TInfosLigneCommande infos;
  return infos;
}

}  // namespace

bool FindCmdLineSwitch(const std::vector<std::string>& args, std::string_view name) {
  for (const auto& arg : args)
    if (isSwitch(arg, name)) return true;
  return false;
}

std::optional<std::string> FindCmdLineSwitchValue(const std::vector<std::string>& args,
                                                  std::string_view name) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (!isSwitch(args[i], name)) continue;
    if (i + 1 < args.size()) return args[i + 1];
    return std::nullopt;
  }
  return std::nullopt;
}

TInfosLigneCommande ParseLigneCommande(const std::vector<std::string>& args) {
  TInfosLigneCommande infos;
  infos.Login = FindCmdLineSwitchValue(args, kSwitchLogin).value_or("");
  infos.Password = FindCmdLineSwitchValue(args, kSwitchPwd).value_or("");
  if (auto status = FindCmdLineSwitchValue(args, kSwitchStatus)) {
    int value = 0;
    const char* end = status->data() + status->size();
    auto [ptr, ec] = std::from_chars(status->data(), end, value);
    // Only 1 (busy) and 2 (available) do anything; other numbers and text leave 0.
    if (ec == std::errc() && ptr == end && (value == 1 || value == 2)) infos.Status = static_cast<uint8_t>(value);
  }
  infos.DemarrageReduit = FindCmdLineSwitch(args, kSwitchMini);
  infos.LastUsedUpdateExeFileNameToDelete = FindCmdLineSwitchValue(args, kSwitchLastUsedUpdateExe);
  return infos;
}

void InitialiserLigneCommande(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  processCommandLine() = ParseLigneCommande(args);
}

const TInfosLigneCommande& InfosLigneCommande() { return processCommandLine(); }

}  // namespace corvane::shell
