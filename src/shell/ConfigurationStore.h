#pragma once
// The configuration store: "CorvaneAgent.xml", loaded on first use and written once, at the end of
// the run (Save).
//
// Where the file lives: beside the executable. When that folder is not writable (an installed
// program), the file is written to the user's configuration folder
// ($XDG_CONFIG_HOME/corvane, else ~/.config/corvane), and a file there is read first on later runs.
// A file that cannot be read (permissions, I/O error), is too large or cannot be parsed gives the
// defaults and is moved aside, so that Save neither overwrites nor loses it: to
// "CorvaneAgent.xml.bad", or, when earlier copies exist, to the first free name among
// "CorvaneAgent.xml.bad.1", ".bad.2" ... ".bad.99"; an earlier copy is never replaced. A file that
// cannot be moved aside (no free name, folder not writable) stays where it is and Save never
// writes over it: it writes to the user's folder instead, or fails.
//
// Main thread only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shell/ConfigurationDocument.h"

namespace corvane::shell {

inline constexpr std::string_view kConfigurationFileName = "CorvaneAgent.xml";
inline constexpr std::string_view kDamagedSuffix = ".bad";

// $XDG_CONFIG_HOME/corvane, else $HOME/.config/corvane; empty when neither is known.
std::string DefaultUserConfigurationFolder();

class ConfigurationStore {
public:
  explicit ConfigurationStore(std::string executableFolder,
                              std::string userFolder = DefaultUserConfigurationFolder());

  std::optional<std::string> ReadValue(std::string_view section, std::string_view key);
  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue);
  // The default when absent or not an integer.
  int64_t ReadInteger(std::string_view section, std::string_view key, int64_t defaultValue);
  // "TRUE", "YES", "Y" and "FALSE", "NO", "N" (any case); the default otherwise.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue);

  void WriteString(std::string_view section, std::string_view key, std::string value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);  // "TRUE"/"FALSE"
  void EraseValue(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);
  bool SectionExists(std::string_view section);

  // Writes the document to disk atomically and returns the path written. Throws
  // EConfigurationError when neither the executable's folder nor the user's folder takes it.
  std::string Save();

  // The file the document came from; empty when none existed (defaults).
  const std::string& loadedFrom();
  // Where a damaged or unreadable file was moved at load; empty when none was.
  const std::string& damagedCopy();

  std::string executableFile() const;
  std::string userFile() const;

private:
  ConfigurationDocument& document();
  void load();

  std::string executableFolder_;
  std::string userFolder_;
  bool loaded_ = false;
  ConfigurationDocument document_;
  std::string loadedFrom_;
  std::string damagedCopy_;
  std::string keptInPlace_;  // a damaged or unreadable file that could not be moved aside
};

}  // namespace corvane::shell
