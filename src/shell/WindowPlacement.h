#pragma once
// A window's placement as the configuration stores it: FormVersion (always 0), Flags,
// PixelsPerInch, MinMaxPos (minimised x, y, maximised x, y) and NormPos (restored left, top,
// right, bottom), the last two as "%d,%d,%d,%d". How a desktop captures and applies it is the
// window's business.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "shell/ConfigurationStore.h"

namespace corvane::shell {

struct WindowPlacement {
  int Flags = 0;
  int PixelsPerInch = 96;
  std::array<int, 4> MinMaxPos{};
  std::array<int, 4> NormPos{};
  bool operator==(const WindowPlacement&) const = default;
};

void WritePlacement(ConfigurationStore& store, std::string_view section, const WindowPlacement& placement);
// nullopt unless every placement key is present and well-formed.
std::optional<WindowPlacement> ReadPlacement(ConfigurationStore& store, std::string_view section);

std::string FormatFourIntegers(const std::array<int, 4>& values);
std::optional<std::array<int, 4>> ParseFourIntegers(std::string_view text);

}  // namespace corvane::shell
