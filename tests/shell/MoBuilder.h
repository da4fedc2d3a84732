#pragma once
// Builds MO catalogues in memory for the tests (the layout msgfmt writes, little-endian).

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corvane::shell::testing {

inline std::string Utf8Header() {
  return "Project-Id-Version: test\nContent-Type: text/plain; charset=UTF-8\n";
}

inline std::string BuildMo(std::vector<std::pair<std::string, std::string>> entries,
                           std::string header = Utf8Header()) {
  entries.emplace_back("", std::move(header));
  std::sort(entries.begin(), entries.end());
  const uint32_t n = static_cast<uint32_t>(entries.size());
  auto put = [](std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  const uint32_t originals = 28, translations = originals + 8 * n;
  uint32_t data = translations + 8 * n;
  std::string tables, strings;
  std::string origTable, transTable;
  for (const auto& [id, str] : entries) {
    put(origTable, static_cast<uint32_t>(id.size()));
    put(origTable, data + static_cast<uint32_t>(strings.size()));
    strings += id;
    strings.push_back('\0');
  }
  for (const auto& [id, str] : entries) {
    put(transTable, static_cast<uint32_t>(str.size()));
    put(transTable, data + static_cast<uint32_t>(strings.size()));
    strings += str;
    strings.push_back('\0');
  }
  std::string out;
  put(out, 0x950412de);
  put(out, 0);
  put(out, n);
  put(out, originals);
  put(out, translations);
  put(out, 0);
  put(out, 0);
  return out + origTable + transTable + strings;
}

}  // namespace corvane::shell::testing
