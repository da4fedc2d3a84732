#include "assistance/FolderArchiveFormat.h"

#include "assistance/AssistanceError.h"
#include "base/Cp1252.h"
#include "base/Format.h"
#include "base/Translate.h"

namespace corvane::assistance {

FolderArchiveError ArchiveError(std::string_view text, const std::string& name) {
  return FolderArchiveError(base::Format(base::Tr(text), {name}));
}

bool IsSafeArchiveComponent(std::string_view c) {
  if (c.empty() || c == "." || c == "..") return false;
  if (c.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos) return false;
  const bool drive = c.size() >= 2 && c[1] == ':' &&
                     ((c[0] >= 'A' && c[0] <= 'Z') || (c[0] >= 'a' && c[0] <= 'z'));
  return !drive;
}

std::string ArchiveEntryText(const FolderArchiveEntry& entry) {
  std::string text = base::Cp1252ToUtf8(entry.Directory + entry.Name);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = '?';  // control bytes would garble the message
  return text;
}

std::vector<std::string> ArchiveEntryPath(const FolderArchiveEntry& entry) {
  const std::string directory = base::Cp1252ToUtf8(entry.Directory);
  const std::string name = base::Cp1252ToUtf8(entry.Name);
  auto unsafe = [&] { return ArchiveError(kArchiveEntryUnsafe, ArchiveEntryText(entry)); };
  if (!directory.empty() && (directory[0] == '\\' || directory[0] == '/')) throw unsafe();
  std::vector<std::string> path;
  size_t start = 0;
  while (start <= directory.size()) {
    size_t end = directory.find_first_of("\\/", start);
    if (end == std::string::npos) end = directory.size();
    const std::string component = directory.substr(start, end - start);
    // Doubled separators and "." change nothing; everything else must be a plain name.
    if (!component.empty() && component != ".") {
      if (!IsSafeArchiveComponent(component)) throw unsafe();
      path.push_back(component);
    }
    start = end + 1;
  }
  if (!IsSafeArchiveComponent(name)) throw unsafe();
  path.push_back(name);
  return path;
}

}  // namespace corvane::assistance
