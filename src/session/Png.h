#pragma once
// PNG coding from and to memory. Decoding checks the announced size against limits before any
// pixel memory is allocated, so a small file announcing a gigantic picture fails cleanly.

#include <cstdint>
#include <string>
#include <string_view>

#include "session/Image.h"
#include "session/Limits.h"

namespace corvane::session {

struct PngLimits {
  int maxSide = kMaxPngSide;
  uint64_t maxPixels = kMaxPngPixels;
};

// Throws PngError when the data is not a complete PNG file or exceeds the limits.
Image DecodePng(std::string_view bytes, const PngLimits& limits = {});

// Encodes with the given zlib compression level (0-9).
std::string EncodePng(const Image& image, int compressionLevel = 6);

}  // namespace corvane::session
