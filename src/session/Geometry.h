#pragma once
// Points and rectangles in pixels of the customer's screen, origin top left. Right and Bottom are
// exclusive.

#include <cstdint>

namespace corvane::session {

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

}  // namespace corvane::session
