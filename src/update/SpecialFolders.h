#pragma once
// The folders behind the file-system substitution tags, on Linux.
//
// Mapping (no trailing separator on any of them):
//   win        /usr                          the system's own installation tree
//   sys        /usr/lib                      shared libraries
//   pf         /opt                          add-on application packages
//   cf         /usr/local/share              files shared by several programs
//   tmp        $TMPDIR, else /tmp
//   fonts      /usr/share/fonts
//   startmenu  $XDG_DATA_HOME/applications   menu entries of the user
//   appdata    $XDG_DATA_HOME                (~/.local/share)
//   sendto     $XDG_DATA_HOME/nautilus/scripts   the file manager's per-file actions
//   desktop    XDG_DESKTOP_DIR of user-dirs.dirs, else ~/Desktop
//   docs       XDG_DOCUMENTS_DIR of user-dirs.dirs, else ~/Documents

#include <map>
#include <string>

namespace corvane::update {

struct SpecialFolders {
  // Tag name (lower case) to folder.
  std::map<std::string, std::string> folders;

  // Reads HOME, TMPDIR, XDG_DATA_HOME, XDG_CONFIG_HOME and $XDG_CONFIG_HOME/user-dirs.dirs.
  static SpecialFolders FromEnvironment();
};

}  // namespace corvane::update
