#include "session/ScreenPicture.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace corvane::session {

namespace {

// Copies a w x h block from (sx, sy) of from to (dx, dy) of to, clipped to both pictures.
// Computed in 64 bits so that no position a customer sends can overflow.
void Blit(const uint32_t* from, int64_t fromWidth, int64_t fromHeight, int64_t sx, int64_t sy,
          Image& to, int64_t dx, int64_t dy, int64_t w, int64_t h) {
  // Clip against the source.
  if (sx < 0) { dx -= sx; w += sx; sx = 0; }
  if (sy < 0) { dy -= sy; h += sy; sy = 0; }
  w = std::min(w, fromWidth - sx);
  h = std::min(h, fromHeight - sy);
  // Clip against the destination.
  if (dx < 0) { sx -= dx; w += dx; dx = 0; }
  if (dy < 0) { sy -= dy; h += dy; dy = 0; }
  w = std::min<int64_t>(w, to.width - dx);
  h = std::min<int64_t>(h, to.height - dy);
  if (w <= 0 || h <= 0) return;
  for (int64_t row = 0; row < h; ++row)
    std::memcpy(to.pixels.data() + static_cast<size_t>((dy + row) * to.width + dx),
                from + static_cast<size_t>((sy + row) * fromWidth + sx),
                static_cast<size_t>(w) * sizeof(uint32_t));
}

}  // namespace

void CopyRectangle(Image& picture, const TRect& src, const TRect& dest) {
  // Widen before clipping: a hostile rectangle may span the whole 32-bit range.
  const int64_t left = std::max<int64_t>(src.Left, 0);
  const int64_t top = std::max<int64_t>(src.Top, 0);
  const int64_t right = std::min<int64_t>(src.Right, picture.width);
  const int64_t bottom = std::min<int64_t>(src.Bottom, picture.height);
  if (right <= left || bottom <= top) return;
  const auto w = static_cast<int32_t>(right - left);
  const auto h = static_cast<int32_t>(bottom - top);
  std::vector<uint32_t> block(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int32_t row = 0; row < h; ++row)
    std::memcpy(block.data() + static_cast<size_t>(row) * static_cast<size_t>(w),
                &picture.at(static_cast<int32_t>(left), static_cast<int32_t>(top) + row),
                static_cast<size_t>(w) * sizeof(uint32_t));
  const int64_t dx = int64_t{dest.Left} + (left - src.Left);
  const int64_t dy = int64_t{dest.Top} + (top - src.Top);
  Blit(block.data(), w, h, 0, 0, picture, dx, dy, w, h);
}

void DrawPicture(Image& picture, const Image& patch, int32_t x, int32_t y) {
  if (patch.empty()) return;
  Blit(patch.pixels.data(), patch.width, patch.height, 0, 0, picture, x, y, patch.width, patch.height);
}

}  // namespace corvane::session
