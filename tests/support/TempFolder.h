#pragma once
// A fresh folder under the system's temporary folder for one test, removed with everything in it
// (permissions restored first, so a test that made something read-only still cleans up).

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace corvane::testing {

class TempFolder {
public:
  explicit TempFolder(const std::string& prefix = "corvane-test") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

}  // namespace corvane::testing
