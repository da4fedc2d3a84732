#include "update/RunningProgram.h"

#include <fstream>
#include <iterator>
#include <system_error>
#include <filesystem>

namespace corvane::update {

RunningProgram RunningProgram::Current() {
  RunningProgram p;
  std::error_code ec;
  p.exePath = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t start = all.find('\0');  // skip argv[0]
  while (start != std::string::npos && start + 1 <= all.size()) {
    const size_t end = all.find('\0', start + 1);
    if (end == std::string::npos) break;
    p.arguments.push_back(all.substr(start + 1, end - start - 1));
    start = end;
  }
  return p;
}

}  // namespace corvane::update
