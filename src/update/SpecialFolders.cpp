#include "update/SpecialFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace corvane::update {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string HomeFolder() {
  std::string home = Env("HOME");
  if (home.empty()) {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) home = pw->pw_dir;
  }
  return WithoutTrailingSlash(home.empty() ? "/" : home);
}

// One entry of user-dirs.dirs: XDG_DESKTOP_DIR="$HOME/Desktop". Only absolute paths and
// "$HOME/..." are accepted, as the file's own rules say.
std::string UserDir(const std::string& configHome, const std::string& home, const std::string& key,
                    const std::string& fallback) {
  std::ifstream in(configHome + "/user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + "=\"", 0) != 0) continue;
    const size_t valueStart = key.size() + 2;
    const size_t valueEnd = line.find('"', valueStart);
    if (valueEnd == std::string::npos) continue;
    std::string value = line.substr(valueStart, valueEnd - valueStart);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    if (!value.empty() && value.front() == '/') return WithoutTrailingSlash(value);
  }
  return home + "/" + fallback;
}

}  // namespace

SpecialFolders SpecialFolders::FromEnvironment() {
  const std::string home = HomeFolder();
  std::string dataHome = Env("XDG_DATA_HOME");
  if (dataHome.empty() || dataHome.front() != '/') dataHome = home + "/.local/share";
  std::string configHome = Env("XDG_CONFIG_HOME");
  if (configHome.empty() || configHome.front() != '/') configHome = home + "/.config";
  std::string tmp = Env("TMPDIR");
  if (tmp.empty() || tmp.front() != '/') tmp = "/tmp";

  SpecialFolders f;
  f.folders = {
      {"win", "/usr"},
      {"sys", "/usr/lib"},
      {"pf", "/opt"},
      {"cf", "/usr/local/share"},
      {"tmp", WithoutTrailingSlash(tmp)},
      {"fonts", "/usr/share/fonts"},
      {"startmenu", WithoutTrailingSlash(dataHome) + "/applications"},
      {"appdata", WithoutTrailingSlash(dataHome)},
      {"sendto", WithoutTrailingSlash(dataHome) + "/nautilus/scripts"},
      {"desktop", UserDir(configHome, home, "XDG_DESKTOP_DIR", "Desktop")},
      {"docs", UserDir(configHome, home, "XDG_DOCUMENTS_DIR", "Documents")},
  };
  return f;
}

}  // namespace corvane::update
