#pragma once
// A decoded picture: 32-bit pixels 0xAARRGGBB, rows top to bottom, no padding.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::session {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  Image() = default;
  Image(int w, int h, uint32_t fill = 0xFF000000u)
      : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}
  bool empty() const { return width <= 0 || height <= 0; }
  uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
  bool operator==(const Image&) const = default;
};

}  // namespace corvane::session
