// Frame-update handling: a screen-dimension record, then a frame update, as the screen channel
// receives them after code 4; the frame's PNG patches are decoded and drawn, and its rectangles
// moved, into a picture of the announced size. Input: a 4-byte little-endian length, the dimension
// stream, then the frame stream.

#include <cstring>

#include "FuzzSupport.h"
#include "session/Limits.h"
#include "session/MessageData.h"
#include "session/ScreenPicture.h"
#include "session/SessionError.h"

using namespace corvane::session;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t first = 0;
  std::memcpy(&first, data, 4);
  if (first > size - 4) return 0;
  const auto bytes = corvane::fuzz::Bytes(data + 4, size - 4);
  try {
    TOLAScreenDimensionMessageData dimension;
    DecodeComponent(bytes.substr(0, first), dimension);
    // The screen channel refuses sides outside 1..kMaxScreenSide; the harness also keeps the
    // picture small enough to run fast.
    if (dimension.Width <= 0 || dimension.Height <= 0 || dimension.Width > kMaxScreenSide ||
        dimension.Height > kMaxScreenSide || int64_t{dimension.Width} * dimension.Height > (1 << 22))
      return 0;
    Image screen(dimension.Width, dimension.Height);
    TOLAFrameUpdateMessageData frame;
    DecodeComponent(bytes.substr(first), frame);
    for (const auto& move : frame.CopyRectUpdates) {
      const TRect src{move.Left, move.Top, move.Right, move.Bottom};
      const TRect dest{move.PosX, move.PosY, move.PosX + (move.Right - move.Left),
                       move.PosY + (move.Bottom - move.Top)};
      CopyRectangle(screen, src, dest);
    }
    for (const auto& patch : frame.PngUpdates)
      DrawPicture(screen, patch.Image.Picture, static_cast<uint16_t>(patch.Left),
                  static_cast<uint16_t>(patch.Top));
  } catch (const SessionError&) {
  }
  return 0;
}
