#include "FrameEncoder.h"

#include <algorithm>

#include "ClientLimits.h"
#include "session/ScreenPicture.h"

namespace corvane::client {

using session::Image;
using session::TRect;

namespace {

Image Crop(const Image& from, const TRect& r) {
  Image out(r.Width(), r.Height());
  for (int y = 0; y < out.height; ++y)
    std::copy_n(&from.pixels[static_cast<size_t>(r.Top + y) * static_cast<size_t>(from.width) + static_cast<size_t>(r.Left)],
                out.width, &out.pixels[static_cast<size_t>(y) * static_cast<size_t>(out.width)]);
  return out;
}

bool Inside(const TRect& r, int width, int height) {
  return r.Left >= 0 && r.Top >= 0 && r.Right <= width && r.Bottom <= height && r.Width() > 0 && r.Height() > 0;
}

bool TileDiffers(const Image& a, const Image& b, int x0, int y0, int x1, int y1) {
  for (int y = y0; y < y1; ++y) {
    const size_t row = static_cast<size_t>(y) * static_cast<size_t>(a.width);
    if (!std::equal(a.pixels.begin() + static_cast<ptrdiff_t>(row + static_cast<size_t>(x0)),
                    a.pixels.begin() + static_cast<ptrdiff_t>(row + static_cast<size_t>(x1)),
                    b.pixels.begin() + static_cast<ptrdiff_t>(row + static_cast<size_t>(x0))))
      return true;
  }
  return false;
}

uint32_t Quantise(uint32_t p, session::TOLAPixelFormat format) {
  const uint32_t a = p & 0xFF000000u;
  uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  auto keep = [](uint32_t v, int bits) {
    const uint32_t levels = (1u << bits) - 1;
    return ((v * levels + 127) / 255) * 255 / levels;
  };
  switch (format) {
    case session::pf1bit: {
      const uint32_t v = (r * 299 + g * 587 + b * 114) / 1000 >= 128 ? 255 : 0;
      r = g = b = v;
      break;
    }
    case session::pf4bit:
      r = keep(r, 1), g = keep(g, 1), b = keep(b, 1);
      break;
    case session::pf8bit:
      r = keep(r, 3), g = keep(g, 3), b = keep(b, 2);
      break;
    case session::pf15bit:
    case session::pf16bit:
      r = keep(r, 5), g = keep(g, 6), b = keep(b, 5);
      break;
    default:
      break;
  }
  return a | (r << 16) | (g << 8) | b;
}

}  // namespace

void FrameEncoder::ApplyOptions(Image& picture, const session::TDadScreenOptions::Values& options) {
  if (!options.GrayScale && options.PixelFormat == session::pf24bit) return;
  for (uint32_t& p : picture.pixels) {
    if (options.GrayScale) {
      const uint32_t v = (((p >> 16) & 0xFF) * 299 + ((p >> 8) & 0xFF) * 587 + (p & 0xFF) * 114) / 1000;
      p = (p & 0xFF000000u) | (v << 16) | (v << 8) | v;
    }
    p = Quantise(p, options.PixelFormat);
  }
}

std::vector<TRect> FrameEncoder::ChangedRegions(const Image& a, const Image& b, int tile) {
  std::vector<TRect> done;
  std::vector<TRect> open;  // runs of the previous tile row, still growing downwards
  for (int y0 = 0; y0 < a.height; y0 += tile) {
    const int y1 = std::min(y0 + tile, a.height);
    std::vector<TRect> row;
    for (int x0 = 0; x0 < a.width; x0 += tile) {
      const int x1 = std::min(x0 + tile, a.width);
      if (!TileDiffers(a, b, x0, y0, x1, y1)) continue;
      if (!row.empty() && row.back().Right == x0)
        row.back().Right = x1;
      else
        row.push_back(TRect{x0, y0, x1, y1});
    }
    std::vector<TRect> next;
    for (TRect& run : row) {
      auto same = std::find_if(open.begin(), open.end(), [&](const TRect& o) {
        return o.Left == run.Left && o.Right == run.Right && o.Bottom == run.Top;
      });
      if (same != open.end()) {
        run.Top = same->Top;
        open.erase(same);
      }
      next.push_back(run);
    }
    done.insert(done.end(), open.begin(), open.end());
    open = std::move(next);
  }
  done.insert(done.end(), open.begin(), open.end());
  return done;
}

session::TOLAFrameUpdateMessageData FrameEncoder::Next(const SyntheticDesktop& desktop,
                                                       const session::TDadScreenOptions::Values& options) {
  const SyntheticDesktop::Scene scene = desktop.Render(current_);
  ApplyOptions(current_, options);
  session::TOLAFrameUpdateMessageData frame;
  frame.CompressionLevel = static_cast<uint8_t>(std::clamp(options.Compression, 0, 9));

  std::lock_guard lock(mutex_);
  if (model_.width != current_.width || model_.height != current_.height) {
    // Nothing the agent holds can be reused: every tile differs from this empty model.
    model_ = Image(current_.width, current_.height, 0);
    haveSquare_ = false;
  }
  if (haveSquare_ && !(lastSquare_ == scene.square) && Inside(lastSquare_, model_.width, model_.height) &&
      Inside(scene.square, model_.width, model_.height)) {
    session::TOLACopyRectUpdate move;
    move.Left = static_cast<int16_t>(lastSquare_.Left);
    move.Top = static_cast<int16_t>(lastSquare_.Top);
    move.Right = static_cast<int16_t>(lastSquare_.Right);
    move.Bottom = static_cast<int16_t>(lastSquare_.Bottom);
    move.PosX = static_cast<int16_t>(scene.square.Left);
    move.PosY = static_cast<int16_t>(scene.square.Top);
    frame.CopyRectUpdates.push_back(move);
    session::CopyRectangle(model_, lastSquare_, scene.square);
    ++copies_;
  }
  lastSquare_ = scene.square;
  haveSquare_ = true;

  for (const TRect& r : ChangedRegions(model_, current_, kFrameTileSide)) {
    session::TOLAPngUpdate patch;
    patch.Left = static_cast<int16_t>(r.Left);
    patch.Top = static_cast<int16_t>(r.Top);
    patch.Image.Picture = Crop(current_, r);
    session::DrawPicture(model_, patch.Image.Picture, r.Left, r.Top);
    frame.PngUpdates.push_back(std::move(patch));
    ++patches_;
  }
  ++frames_;
  return frame;
}

Image FrameEncoder::Model() const {
  std::lock_guard lock(mutex_);
  return model_;
}

uint64_t FrameEncoder::Frames() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

uint64_t FrameEncoder::Patches() const {
  std::lock_guard lock(mutex_);
  return patches_;
}

uint64_t FrameEncoder::Copies() const {
  std::lock_guard lock(mutex_);
  return copies_;
}

}  // namespace corvane::client
