#pragma once
// The table of catalogues appended to the executable.
//
// The executable holds, in its data, the 36-character marker "6637DB2E-..." followed by an 8-byte
// little-endian value: 0 when nothing is appended, else the file offset of the first table entry.
// Each entry: next-entry offset (8 bytes, 0 ends the table), catalogue data offset (8), data size
// (8), then the catalogue's path relative to the executable's folder, blank-padded up to the next
// entry. All integers are little-endian signed 64-bit. The catalogues lie one after another from
// the end of the regular image, the table follows them, and an 8-byte zero closes the file.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::shell {

inline constexpr size_t kMarkerLength = 36;
inline constexpr int64_t kTableEntryBytes = 256;  // 24 bytes of offsets and a 232-byte path field
inline constexpr int64_t kTablePathBytes = kTableEntryBytes - 24;

// The marker's text, assembled at run time so that the only full copy in an executable is the
// one the append step patches.
std::string CatalogueMarkerText();

// The value after the marker in this executable's own data (0 when nothing was appended).
int64_t AppendedTableOffset();

struct CatalogueLocation {
  std::string path;  // as recorded, trimmed
  int64_t offset = 0;
  int64_t size = 0;
};

class CatalogueTable {
public:
  // Relative paths compare without regard to case, "/" and "\" alike.
  std::optional<CatalogueLocation> find(std::string_view relativePath) const;
  void add(CatalogueLocation location);
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  std::vector<CatalogueLocation> entries() const;

  static std::string Key(std::string_view relativePath);

private:
  std::map<std::string, CatalogueLocation> entries_;
};

// Reads the table starting at firstEntry. Every offset and size is checked against the file's
// size, entries must move forward, and a catalogue may not exceed kMaxCatalogueBytes; the first
// entry failing a check, or a read error, ends the scan with what was read so far.
CatalogueTable ReadCatalogueTable(const std::string& file, int64_t firstEntry);

// The executable's table: empty when the marker's value is 0.
CatalogueTable ReadOwnCatalogueTable(const std::string& executablePath);

// The table of another executable file, found through the marker in its bytes (empty when it
// has no marker or nothing appended). Used by the build step to check what it wrote.
CatalogueTable ReadCatalogueTableOfFile(const std::string& executable);

struct CatalogueToAppend {
  std::string relativePath;  // "locale\fr\LC_MESSAGES\TarvenholtCorvane.mo"
  std::string bytes;
};

// The build step: appends the catalogues and their table to the executable and writes the first
// entry's position after the marker. An earlier append is removed first, so it may run again.
// Throws ECatalogueError (no marker, more than one marker, path longer than the field, I/O).
void AppendCatalogues(const std::string& executable, const std::vector<CatalogueToAppend>& catalogues);

}  // namespace corvane::shell
