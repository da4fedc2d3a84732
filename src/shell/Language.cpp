#include "shell/Language.h"

#include <cstdlib>

namespace corvane::shell {
namespace {

std::string dropFromDot(std::string_view code) { return std::string(code.substr(0, code.find('.'))); }

bool isSafe(std::string_view code) {
  for (char c : code) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
              c == '-' || c == '@';
    if (!ok) return false;
  }
  return true;
}

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

}  // namespace

std::string LanguageCode(std::string_view langEnv, std::string_view localeEnv) {
  std::string code;
  if (!langEnv.empty()) {
    code = dropFromDot(langEnv);
  } else {
    code = dropFromDot(localeEnv);
    if (code == "no" || code.starts_with("no_")) code.replace(0, 2, "nb");
  }
  return isSafe(code) ? code : std::string();
}

std::string LanguageFromEnvironment() {
  std::string locale = env("LC_ALL");
  if (locale.empty()) locale = env("LC_MESSAGES");
  return LanguageCode(env("LANG"), locale);
}

}  // namespace corvane::shell
