#include "shell/CatalogueTable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "shell/ShellError.h"
#include "shell/ShellLimits.h"

namespace corvane::shell {
namespace {

class File {
public:
  File(const std::string& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC)) {}
  ~File() {
    if (fd_ >= 0) ::close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  int64_t size() const {
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? st.st_size : -1;
  }
  bool readAt(int64_t offset, void* buf, size_t n) const {
    auto* p = static_cast<char*>(buf);
    while (n > 0) {
      ssize_t r = ::pread(fd_, p, n, offset);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return false;
      p += r;
      n -= static_cast<size_t>(r);
      offset += r;
    }
    return true;
  }
  bool writeAt(int64_t offset, const void* buf, size_t n) const {
    const auto* p = static_cast<const char*>(buf);
    while (n > 0) {
      ssize_t w = ::pwrite(fd_, p, n, offset);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      p += w;
      n -= static_cast<size_t>(w);
      offset += w;
    }
    return true;
  }

private:
  int fd_;
};

bool readI64(const File& f, int64_t offset, int64_t& value) {
  unsigned char b[8];
  if (!f.readAt(offset, b, 8)) return false;
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | b[i];
  value = static_cast<int64_t>(v);
  return true;
}

void putI64(std::string& out, int64_t value) {
  auto v = static_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\0' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

std::string errnoText() { return std::strerror(errno); }

}  // namespace

std::string CatalogueMarkerText() {
  // Two halves: a literal of the whole marker would put a second copy into every executable.
  std::string text = "6637DB2E-62E1-4A60";
  text += "-AC19-C23867046A89";
  return text;
}

std::string CatalogueTable::Key(std::string_view relativePath) {
  std::string key = trim(relativePath);
  for (char& c : key) {
    if (c == '/') c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return key;
}

std::optional<CatalogueLocation> CatalogueTable::find(std::string_view relativePath) const {
  auto it = entries_.find(Key(relativePath));
  if (it == entries_.end()) return std::nullopt;
  return it->second;
}

void CatalogueTable::add(CatalogueLocation location) {
  std::string key = Key(location.path);
  entries_.insert_or_assign(std::move(key), std::move(location));
}

std::vector<CatalogueLocation> CatalogueTable::entries() const {
  std::vector<CatalogueLocation> out;
  for (const auto& [key, location] : entries_) out.push_back(location);
  return out;
}

CatalogueTable ReadCatalogueTable(const std::string& file, int64_t firstEntry) {
  CatalogueTable table;
  if (firstEntry <= 0) return table;
  File f(file, O_RDONLY);
  if (!f.ok()) return table;
  const int64_t fileSize = f.size();
  int64_t pos = firstEntry;
  for (int n = 0; n < kMaxTableEntries; ++n) {
    if (pos < 0 || pos > fileSize - 8) break;
    int64_t next = 0;
    if (!readI64(f, pos, next) || next == 0) break;
    int64_t dataOffset = 0, dataSize = 0;
    if (pos > fileSize - 24 || !readI64(f, pos + 8, dataOffset) || !readI64(f, pos + 16, dataSize)) break;
    // The next entry lies after this one's path and still has room for its first field.
    const int64_t pathStart = pos + 24;
    if (next <= pathStart || next > fileSize - 8 || next - pathStart > kMaxTablePathBytes) break;
    if (dataOffset < 0 || dataSize < 0 || dataSize > kMaxCatalogueBytes || dataOffset > fileSize - dataSize) break;
    std::string path(static_cast<size_t>(next - pathStart), '\0');
    if (!f.readAt(pathStart, path.data(), path.size())) break;
    path = trim(path);
    if (path.empty()) break;
    table.add(CatalogueLocation{std::move(path), dataOffset, dataSize});
    pos = next;
  }
  return table;
}

CatalogueTable ReadOwnCatalogueTable(const std::string& executablePath) {
  return ReadCatalogueTable(executablePath, AppendedTableOffset());
}

namespace {

// Reads the whole file and finds its only marker; returns the value's file offset.
int64_t locateMarkerValue(const File& f, const std::string& executable, std::string& image) {
  const int64_t fileSize = f.size();
  if (fileSize < 0) throw ECatalogueError("Can't read the size of " + executable);
  image.assign(static_cast<size_t>(fileSize), '\0');
  if (!f.readAt(0, image.data(), image.size())) throw ECatalogueError("Can't read " + executable);
  const std::string marker = CatalogueMarkerText();
  size_t at = image.find(marker);
  if (at == std::string::npos) throw ECatalogueError(executable + " holds no catalogue marker");
  if (image.find(marker, at + 1) != std::string::npos)
    throw ECatalogueError(executable + " holds the catalogue marker more than once");
  const int64_t valueAt = static_cast<int64_t>(at + kMarkerLength);
  if (valueAt > fileSize - 8) throw ECatalogueError(executable + ": marker value truncated");
  return valueAt;
}

}  // namespace

CatalogueTable ReadCatalogueTableOfFile(const std::string& executable) {
  File f(executable, O_RDONLY);
  if (!f.ok()) return {};
  std::string image;
  int64_t value = 0;
  try {
    if (!readI64(f, locateMarkerValue(f, executable, image), value)) return {};
  } catch (const ECatalogueError&) {
    return {};
  }
  return ReadCatalogueTable(executable, value);
}

void AppendCatalogues(const std::string& executable, const std::vector<CatalogueToAppend>& catalogues) {
  File f(executable, O_RDWR);
  if (!f.ok()) throw ECatalogueError("Can't open " + executable + ": " + errnoText());
  std::string image;
  const int64_t valueAt = locateMarkerValue(f, executable, image);
  const int64_t fileSize = static_cast<int64_t>(image.size());

  // An earlier append ends the image where its first catalogue (or its table) starts.
  int64_t imageEnd = fileSize;
  int64_t previous = 0;
  readI64(f, valueAt, previous);
  if (previous != 0) {
    CatalogueTable old = ReadCatalogueTable(executable, previous);
    if (old.empty() || previous > fileSize) throw ECatalogueError(executable + " holds a damaged catalogue table");
    imageEnd = previous;
    for (const auto& location : old.entries()) imageEnd = std::min(imageEnd, location.offset);
  }

  std::string tail;
  std::vector<std::pair<int64_t, int64_t>> placed;
  for (const auto& c : catalogues) {
    if (static_cast<int64_t>(c.bytes.size()) > kMaxCatalogueBytes)
      throw ECatalogueError(c.relativePath + " is larger than a catalogue may be");
    if (static_cast<int64_t>(trim(c.relativePath).size()) > kTablePathBytes || trim(c.relativePath).empty())
      throw ECatalogueError("Catalogue path empty or longer than the table's field: " + c.relativePath);
    placed.emplace_back(imageEnd + static_cast<int64_t>(tail.size()), static_cast<int64_t>(c.bytes.size()));
    tail += c.bytes;
  }
  const int64_t firstEntry = imageEnd + static_cast<int64_t>(tail.size());
  for (size_t i = 0; i < catalogues.size(); ++i) {
    const int64_t entry = firstEntry + static_cast<int64_t>(i) * kTableEntryBytes;
    putI64(tail, entry + kTableEntryBytes);
    putI64(tail, placed[i].first);
    putI64(tail, placed[i].second);
    std::string path = trim(catalogues[i].relativePath);
    path.resize(static_cast<size_t>(kTablePathBytes), ' ');
    tail += path;
  }
  putI64(tail, 0);
  if (catalogues.empty()) tail.clear();

  if (::ftruncate(f.fd(), imageEnd) != 0) throw ECatalogueError("Can't truncate " + executable + ": " + errnoText());
  if (!f.writeAt(imageEnd, tail.data(), tail.size()))
    throw ECatalogueError("Can't write " + executable + ": " + errnoText());
  std::string value;
  putI64(value, catalogues.empty() ? 0 : firstEntry);
  if (!f.writeAt(valueAt, value.data(), value.size()))
    throw ECatalogueError("Can't write the marker of " + executable + ": " + errnoText());
}

}  // namespace corvane::shell
