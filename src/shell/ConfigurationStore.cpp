#include "shell/ConfigurationStore.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "shell/AtomicFile.h"
#include "shell/ShellError.h"
#include "shell/ShellLimits.h"

namespace corvane::shell {
namespace {

std::string join(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  return folder.back() == '/' ? folder + std::string(name) : folder + "/" + std::string(name);
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// mkdir -p for the user's folder (0700 for what we create: it holds the agent's login).
bool makeFolders(const std::string& folder) {
  if (folder.empty()) return false;
  for (size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos != folder.size() && folder[pos] != '/') continue;
    std::string part = folder.substr(0, pos);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// Errors that mean "this folder is not ours to write", as opposed to a full disk.
bool isNotWritable(const std::error_code& ec) {
  return ec == std::errc::permission_denied || ec == std::errc::read_only_file_system ||
         ec == std::errc::operation_not_permitted || ec == std::errc::no_such_file_or_directory;
}

// rename() that fails with EEXIST instead of replacing an existing target.
bool renameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without RENAME_NOREPLACE: look first (only this program names these copies).
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

// Moves a damaged file to "<name>.bad", else the first free "<name>.bad.<n>"; the new name, or
// empty when it could not be moved.
std::string moveAside(const std::string& path) {
  const std::string bad = path + std::string(kDamagedSuffix);
  for (int n = 0; n < kMaxDamagedConfigurationCopies; ++n) {
    const std::string name = n == 0 ? bad : bad + "." + std::to_string(n);
    if (renameNoReplace(path, name)) return name;
    if (errno != EEXIST) return {};
  }
  return {};
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

}  // namespace

std::string DefaultUserConfigurationFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return join(xdg, "corvane");
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return join(join(home, ".config"), "corvane");
  return {};
}

ConfigurationStore::ConfigurationStore(std::string executableFolder, std::string userFolder)
    : executableFolder_(std::move(executableFolder)), userFolder_(std::move(userFolder)) {}

std::string ConfigurationStore::executableFile() const { return join(executableFolder_, kConfigurationFileName); }

std::string ConfigurationStore::userFile() const {
  return userFolder_.empty() ? std::string() : join(userFolder_, kConfigurationFileName);
}

void ConfigurationStore::load() {
  loaded_ = true;
  std::string source;
  if (fileExists(userFile()))
    source = userFile();
  else if (fileExists(executableFile()))
    source = executableFile();
  if (source.empty()) return;
  loadedFrom_ = source;
  std::error_code ec;
  std::optional<std::string> bytes = ReadWholeFile(source, kMaxConfigurationBytes, ec);
  if (!bytes && ec == std::errc::no_such_file_or_directory) {  // removed since it was found
    loadedFrom_.clear();
    return;
  }
  if (bytes) {
    try {
      document_ = ConfigurationDocument::fromXml(*bytes);
      return;
    } catch (const EConfigurationError&) {
    }
  }
  // Damaged, too large or unreadable: the settings it holds are unknown, so it is kept for
  // inspection instead of being replaced by the defaults at the end of the run.
  document_ = ConfigurationDocument();
  damagedCopy_ = moveAside(source);
  if (damagedCopy_.empty()) keptInPlace_ = source;
}

ConfigurationDocument& ConfigurationStore::document() {
  if (!loaded_) load();
  return document_;
}

const std::string& ConfigurationStore::loadedFrom() {
  document();
  return loadedFrom_;
}

const std::string& ConfigurationStore::damagedCopy() {
  document();
  return damagedCopy_;
}

std::optional<std::string> ConfigurationStore::ReadValue(std::string_view section, std::string_view key) {
  return document().value(section, key);
}

std::string ConfigurationStore::ReadString(std::string_view section, std::string_view key,
                                           std::string_view defaultValue) {
  auto v = ReadValue(section, key);
  return v ? *v : std::string(defaultValue);
}

int64_t ConfigurationStore::ReadInteger(std::string_view section, std::string_view key, int64_t defaultValue) {
  auto v = ReadValue(section, key);
  if (!v) return defaultValue;
  std::string_view text = *v;
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int64_t value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return defaultValue;
  return value;
}

bool ConfigurationStore::ReadBool(std::string_view section, std::string_view key, bool defaultValue) {
  auto v = ReadValue(section, key);
  if (!v) return defaultValue;
  std::string u = upper(*v);
  if (u == "TRUE" || u == "YES" || u == "Y") return true;
  if (u == "FALSE" || u == "NO" || u == "N") return false;
  return defaultValue;
}

void ConfigurationStore::WriteString(std::string_view section, std::string_view key, std::string value) {
  document().setValue(section, key, std::move(value));
}

void ConfigurationStore::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void ConfigurationStore::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "TRUE" : "FALSE");
}

void ConfigurationStore::EraseValue(std::string_view section, std::string_view key) {
  document().eraseValue(section, key);
}

void ConfigurationStore::EraseSection(std::string_view section) { document().eraseSection(section); }

bool ConfigurationStore::SectionExists(std::string_view section) { return document().hasSection(section); }

std::string ConfigurationStore::Save() {
  const std::string bytes = document().toXml();
  std::error_code ec;
  // A file read from the user's folder is written back there: it is the one read first. A file
  // that could not be read nor moved aside is never written over.
  if ((loadedFrom_.empty() || loadedFrom_ != userFile()) && executableFile() != keptInPlace_) {
    ec = WriteFileAtomically(executableFile(), bytes);
    if (!ec) return executableFile();
    if (!isNotWritable(ec) || userFile().empty())
      throw EConfigurationError("Can't write " + executableFile() + ": " + ec.message());
  }
  if (userFile().empty() || userFile() == keptInPlace_)
    throw EConfigurationError("Can't write " + keptInPlace_ + ": the file there could not be read nor moved aside.");
  if (!makeFolders(userFolder_))
    throw EConfigurationError("Can't create " + userFolder_ + ": " + std::error_code(errno, std::generic_category()).message());
  ec = WriteFileAtomically(userFile(), bytes);
  if (ec) throw EConfigurationError("Can't write " + userFile() + ": " + ec.message());
  return userFile();
}

}  // namespace corvane::shell
