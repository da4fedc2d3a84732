#pragma once
// Where this program's executable lives; the configuration file and the "locale" folder are
// looked for beside it.

#include <string>

namespace corvane::shell {

// The absolute path of the running executable ("" when the system does not tell).
std::string ExecutablePath();
// The folder part of a path ("." when it has none).
std::string FolderOf(const std::string& path);

}  // namespace corvane::shell
