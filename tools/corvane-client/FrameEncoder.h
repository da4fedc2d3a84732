#pragma once
// Turns the synthetic desktop into frame updates for the agent. The encoder keeps a copy of the
// picture the agent holds (the model); each frame first moves the bouncing square with a
// copy-rectangle when it moved, then sends a PNG patch for every run of tiles that still differs
// from the model. Applying a frame to the model exactly as the agent applies it (moves first, then
// patches) keeps both pictures equal.
//
// Screen options: grey scale and the pixel format (1, 4 -> 8 colours, 8 (3-3-2), 16 (5-6-5) or 24
// bits) are applied to the picture before it is compared; the compression level is the PNG level.
//
// Threads: Next runs on the screen channel's worker; Model and the counters may be read from any
// thread (mutex_).

#include <cstdint>
#include <mutex>

#include "SyntheticDesktop.h"
#include "session/MessageData.h"
#include "session/ScreenOptions.h"

namespace corvane::client {

class FrameEncoder {
public:
  // The next frame update; the first one (and any after a size change) covers the whole screen.
  session::TOLAFrameUpdateMessageData Next(const SyntheticDesktop& desktop,
                                           const session::TDadScreenOptions::Values& options);

  // The agent's picture after the last frame, as this encoder expects it.
  session::Image Model() const;
  uint64_t Frames() const;
  uint64_t Patches() const;
  uint64_t Copies() const;

  // Applies grey scale and colour depth to a picture, in place.
  static void ApplyOptions(session::Image& picture, const session::TDadScreenOptions::Values& options);
  // The rectangles (right and bottom exclusive) of tiles where a and b differ, runs of tiles on one
  // row joined, and equal runs of consecutive rows joined. a and b have the same size.
  static std::vector<session::TRect> ChangedRegions(const session::Image& a, const session::Image& b, int tile);

private:
  mutable std::mutex mutex_;  // guards model_ and the counters
  session::Image model_;
  session::Image current_;  // worker only
  session::TRect lastSquare_{};
  bool haveSquare_ = false;
  uint64_t frames_ = 0, patches_ = 0, copies_ = 0;
};

}  // namespace corvane::client
