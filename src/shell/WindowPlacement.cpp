#include "shell/WindowPlacement.h"

#include <charconv>
#include <climits>

#include "base/Format.h"
#include "shell/ConfigurationSections.h"

namespace corvane::shell {

std::string FormatFourIntegers(const std::array<int, 4>& v) {
  return base::Format("%d,%d,%d,%d", {v[0], v[1], v[2], v[3]});
}

std::optional<std::array<int, 4>> ParseFourIntegers(std::string_view text) {
  std::array<int, 4> out{};
  for (int i = 0; i < 4; ++i) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out[i]);
    if (ec != std::errc()) return std::nullopt;
    text.remove_prefix(static_cast<size_t>(ptr - text.data()));
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (i < 3) {
      if (text.empty() || text.front() != ',') return std::nullopt;
      text.remove_prefix(1);
    }
  }
  if (!text.empty()) return std::nullopt;
  return out;
}

void WritePlacement(ConfigurationStore& store, std::string_view section, const WindowPlacement& p) {
  store.WriteInteger(section, kKeyFormVersion, 0);
  store.WriteInteger(section, kKeyFlags, p.Flags);
  store.WriteInteger(section, kKeyPixelsPerInch, p.PixelsPerInch);
  store.WriteString(section, kKeyMinMaxPos, FormatFourIntegers(p.MinMaxPos));
  store.WriteString(section, kKeyNormPos, FormatFourIntegers(p.NormPos));
}

std::optional<WindowPlacement> ReadPlacement(ConfigurationStore& store, std::string_view section) {
  constexpr int64_t kAbsent = INT64_MIN;
  int64_t flags = store.ReadInteger(section, kKeyFlags, kAbsent);
  int64_t ppi = store.ReadInteger(section, kKeyPixelsPerInch, kAbsent);
  auto minMax = store.ReadValue(section, kKeyMinMaxPos);
  auto norm = store.ReadValue(section, kKeyNormPos);
  if (flags < INT_MIN || flags > INT_MAX || ppi <= 0 || ppi > INT_MAX || !minMax || !norm) return std::nullopt;
  auto minMaxPos = ParseFourIntegers(*minMax);
  auto normPos = ParseFourIntegers(*norm);
  if (!minMaxPos || !normPos) return std::nullopt;
  WindowPlacement p;
  p.Flags = static_cast<int>(flags);
  p.PixelsPerInch = static_cast<int>(ppi);
  p.MinMaxPos = *minMaxPos;
  p.NormPos = *normPos;
  return p;
}

}  // namespace corvane::shell
