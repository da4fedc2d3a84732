#include "update/FileVersion.h"

#include <cstring>
#include <fstream>
#include <vector>

#include "update/UpdateError.h"
#include "update/UpdateLimits.h"

namespace corvane::update {

namespace {

constexpr uint32_t kShtNote = 7;
constexpr uint32_t kPtNote = 4;

// Reads fixed-size integers from a byte buffer in the ELF file's byte order; out of range reads
// give 0 and mark the reader failed.
struct Fields {
  const std::vector<unsigned char>& bytes;
  bool bigEndian;
  bool failed = false;

  uint64_t Get(uint64_t offset, int size) {
    if (offset > bytes.size() || bytes.size() - offset < static_cast<uint64_t>(size)) {
      failed = true;
      return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < size; ++i) {
      const uint64_t b = bytes[offset + (bigEndian ? i : size - 1 - i)];
      v = (v << 8) | b;
    }
    return v;
  }
};

class ElfFile {
public:
  explicit ElfFile(const std::string& path) : path_(path), in_(path, std::ios::binary) {
    if (!in_) throw EUpdateFileError("Cannot open " + path + " to read its version.");
    in_.seekg(0, std::ios::end);
    size_ = static_cast<uint64_t>(in_.tellg());
    in_.seekg(0);
  }

  // Reads [offset, offset+length) of the file; false when it lies outside the file.
  bool Read(uint64_t offset, uint64_t length, std::vector<unsigned char>& out) {
    if (offset > size_ || size_ - offset < length) return false;
    out.resize(length);
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(length));
    if (!in_) throw EUpdateFileError("Cannot read " + path_ + " to read its version.");
    return true;
  }

private:
  std::string path_;
  std::ifstream in_;
  uint64_t size_ = 0;
};

// Looks for our note among the notes of one section or segment.
std::optional<TFileVersion> FindVersionNote(const std::vector<unsigned char>& data, bool bigEndian, uint64_t align) {
  Fields f{data, bigEndian};
  const uint64_t a = align == 8 ? 8 : 4;
  auto up = [a](uint64_t v) { return (v + a - 1) / a * a; };
  uint64_t pos = 0;
  while (pos + 12 <= data.size()) {
    const uint64_t nameSize = f.Get(pos, 4);
    const uint64_t descSize = f.Get(pos + 4, 4);
    const uint64_t type = f.Get(pos + 8, 4);
    const uint64_t nameAt = pos + 12;
    const uint64_t descAt = nameAt + up(nameSize);
    if (descAt > data.size() || descSize > data.size() - descAt) return std::nullopt;
    const size_t ownerLength = std::strlen(kVersionNoteOwner);
    if (type == kVersionNoteType && nameSize == ownerLength + 1 && descSize == 16 &&
        std::memcmp(&data[nameAt], kVersionNoteOwner, ownerLength + 1) == 0) {
      TFileVersion v;
      for (int i = 0; i < 4; ++i) v.parts[i] = static_cast<uint32_t>(f.Get(descAt + 4 * i, 4));
      return v;
    }
    pos = descAt + up(descSize);
  }
  return std::nullopt;
}

}  // namespace

std::string TFileVersion::ToString() const {
  return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
         std::to_string(parts[3]);
}

std::optional<TFileVersion> ReadFileVersion(const std::string& path) {
  ElfFile file(path);
  std::vector<unsigned char> header;
  if (!file.Read(0, 52, header)) return std::nullopt;
  if (std::memcmp(header.data(), "\x7f" "ELF", 4) != 0) return std::nullopt;
  const bool is64 = header[4] == 2;
  if (header[4] != 1 && !is64) return std::nullopt;
  if (header[5] != 1 && header[5] != 2) return std::nullopt;
  const bool bigEndian = header[5] == 2;
  if (is64 && !file.Read(0, 64, header)) return std::nullopt;
  Fields h{header, bigEndian};

  // Note sections first; the program's note segments when the section table is gone.
  const uint64_t shoff = is64 ? h.Get(0x28, 8) : h.Get(0x20, 4);
  const uint64_t shentsize = is64 ? h.Get(0x3A, 2) : h.Get(0x2E, 2);
  const uint64_t shnum = is64 ? h.Get(0x3C, 2) : h.Get(0x30, 2);
  const uint64_t phoff = is64 ? h.Get(0x20, 8) : h.Get(0x1C, 4);
  const uint64_t phentsize = is64 ? h.Get(0x36, 2) : h.Get(0x2A, 2);
  const uint64_t phnum = is64 ? h.Get(0x38, 2) : h.Get(0x2C, 2);

  struct Table {
    uint64_t offset, entrySize, count, minEntry, typeAt, offsetAt, sizeAt, alignAt;
    uint32_t wantedType;
  };
  const Table tables[] = {
      is64 ? Table{shoff, shentsize, shnum, 64, 4, 24, 32, 48, kShtNote}
           : Table{shoff, shentsize, shnum, 40, 4, 16, 20, 32, kShtNote},
      is64 ? Table{phoff, phentsize, phnum, 56, 0, 8, 32, 48, kPtNote}
           : Table{phoff, phentsize, phnum, 32, 0, 4, 16, 28, kPtNote},
  };
  const int width = is64 ? 8 : 4;
  for (const Table& t : tables) {
    if (t.offset == 0 || t.count == 0 || t.count > limits::kMaxElfSections || t.entrySize < t.minEntry ||
        t.entrySize > 256) continue;
    std::vector<unsigned char> entries;
    if (!file.Read(t.offset, t.entrySize * t.count, entries)) continue;
    Fields e{entries, bigEndian};
    for (uint64_t i = 0; i < t.count; ++i) {
      const uint64_t base = i * t.entrySize;
      if (e.Get(base + t.typeAt, 4) != t.wantedType) continue;
      const uint64_t offset = e.Get(base + t.offsetAt, width);
      const uint64_t size = e.Get(base + t.sizeAt, width);
      const uint64_t align = e.Get(base + t.alignAt, width);
      if (size > limits::kMaxElfNoteBytes) continue;
      std::vector<unsigned char> notes;
      if (!file.Read(offset, size, notes)) continue;
      if (auto v = FindVersionNote(notes, bigEndian, align)) return v;
    }
  }
  return std::nullopt;
}

TFileVersion ParseVersionText(std::string_view text) {
  std::string compact;
  for (char ch : text)
    if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n') compact += ch;
  TFileVersion v;
  size_t start = 0;
  for (int part = 0; part < 4 && start <= compact.size(); ++part) {
    size_t dot = compact.find('.', start);
    if (dot == std::string::npos) dot = compact.size();
    const std::string_view piece = std::string_view(compact).substr(start, dot - start);
    uint64_t value = 0;
    bool numeric = !piece.empty() && piece.size() <= 10;
    for (char ch : piece) {
      if (ch < '0' || ch > '9') {
        numeric = false;
        break;
      }
      value = value * 10 + static_cast<uint64_t>(ch - '0');
    }
    v.parts[part] = numeric && value <= 0xFFFFFFFFu ? static_cast<uint32_t>(value) : 0;
    if (dot == compact.size()) break;
    start = dot + 1;
  }
  return v;
}

bool HasNonZeroPart(const TFileVersion& v) {
  for (uint32_t p : v.parts)
    if (p > 0) return true;
  return false;
}

bool VersionLower(const TFileVersion& a, const TFileVersion& b) { return a.parts < b.parts; }

}  // namespace corvane::update
