#include "shell/MoCatalogue.h"

#include <cstdint>

#include "shell/ShellError.h"
#include "shell/ShellLimits.h"

namespace corvane::shell {
namespace {

constexpr uint32_t kMagic = 0x950412de;
constexpr uint32_t kMagicSwapped = 0xde120495;
constexpr size_t kHeaderBytes = 28;

uint32_t le32(std::string_view bytes, uint64_t at) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

}  // namespace

std::shared_ptr<const MoCatalogue> MoCatalogue::Parse(std::string_view bytes) {
  if (static_cast<int64_t>(bytes.size()) > kMaxCatalogueBytes) throw ECatalogueError("catalogue too large");
  if (bytes.size() < kHeaderBytes) throw ECatalogueError("catalogue too short");
  uint32_t magic = le32(bytes, 0);
  if (magic == kMagicSwapped) throw ECatalogueError("big-endian catalogues are not supported");
  if (magic != kMagic) throw ECatalogueError("not an MO catalogue");
  if ((le32(bytes, 4) >> 16) > 1) throw ECatalogueError("unknown MO revision");
  const uint64_t count = le32(bytes, 8);
  const uint64_t originals = le32(bytes, 12);
  const uint64_t translations = le32(bytes, 16);
  const uint64_t size = bytes.size();
  if (count > kMaxCatalogueStrings) throw ECatalogueError("too many catalogue entries");
  if (originals + count * 8 > size || translations + count * 8 > size)
    throw ECatalogueError("catalogue string tables out of bounds");

  auto stringAt = [&](uint64_t table, uint64_t index) {
    uint64_t length = le32(bytes, table + index * 8);
    uint64_t offset = le32(bytes, table + index * 8 + 4);
    if (offset + length > size) throw ECatalogueError("catalogue string out of bounds");
    std::string_view s = bytes.substr(offset, length);
    // Plural entries hold their forms separated by NULs; the first one is the singular.
    return s.substr(0, s.find('\0'));
  };

  auto catalogue = std::make_shared<MoCatalogue>();
  for (uint64_t i = 0; i < count; ++i) {
    std::string_view original = stringAt(originals, i);
    std::string_view translation = stringAt(translations, i);
    if (original.empty()) {
      catalogue->header_ = std::string(translation);
      continue;
    }
    if (translation.empty()) continue;  // untranslated entry
    catalogue->translations_.emplace(std::string(original), std::string(translation));
  }
  return catalogue;
}

const std::string* MoCatalogue::find(std::string_view msgid) const {
  if (msgid.empty()) return nullptr;
  auto it = translations_.find(msgid);
  return it == translations_.end() ? nullptr : &it->second;
}

bool MoCatalogue::hasUtf8Charset() const {
  std::string h = lower(header_);
  size_t start = 0;
  while (start < h.size()) {
    size_t end = h.find('\n', start);
    if (end == std::string::npos) end = h.size();
    std::string_view line(h.data() + start, end - start);
    if (line.starts_with("content-type:") && line.find("charset=utf-8") != std::string_view::npos) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace corvane::shell
