#include "update/FileSystemRemplaceTag.h"

#include <algorithm>

namespace corvane::update {

TFileSystemRemplaceTag::TFileSystemRemplaceTag(std::string prefix, std::string exePath, SpecialFolders folders)
    : TCustomRemplaceTag(std::move(prefix)), exePath_(std::move(exePath)), folders_(std::move(folders)) {}

void TFileSystemRemplaceTag::ReplaceTag(const std::string& name, const std::vector<TTagAttribute>& attributes,
                                        const std::string& inner, std::string& replacement) {
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char ch) { return static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch); });
  if (lower == "appexename") {
    replacement = exePath_;
  } else if (lower == "app") {
    replacement = exePath_.substr(0, exePath_.rfind('/') + 1);
  } else if (auto it = folders_.folders.find(lower); it != folders_.folders.end()) {
    replacement = it->second;
  } else {
    TCustomRemplaceTag::ReplaceTag(name, attributes, inner, replacement);
  }
}

}  // namespace corvane::update
