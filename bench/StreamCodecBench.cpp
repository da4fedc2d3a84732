// Component-stream codec cost against PNG decoding alone: a frame update holding 50 PNG patches is
// encoded and decoded (which decodes the PNGs), and the same patches are decoded without the stream.
// Goal: the stream's own cost adds less than 10% to PNG decoding (ratio >= 0.91).

#include <cstdio>
#include <random>

#include "BenchReport.h"
#include "session/ComponentStream.h"
#include "session/MessageData.h"
#include "session/Png.h"

using namespace corvane;
using namespace corvane::session;

namespace {

// A patch that looks like a piece of a desktop: flat areas, text-like strokes, a gradient.
Image DesktopPatch(int w, int h, std::mt19937& rng) {
  Image img(w, h, 0xFFF0F0F0u);
  std::uniform_int_distribution<int> pick(0, 99);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t& p = img.at(x, y);
      if (y < h / 6) p = 0xFF000000u | (static_cast<uint32_t>(40 + x % 200) << 8) | 0x80u;
      else if ((y / 12) % 2 == 0 && pick(rng) < 18) p = 0xFF202020u;
    }
  return img;
}

}  // namespace

int main() {
  std::mt19937 rng(42);
  TOLAFrameUpdateMessageData frame;
  std::vector<std::string> pngs;
  size_t pngBytes = 0;
  for (int i = 0; i < 50; ++i) {
    const int w = 64 + (i % 5) * 48, h = 48 + (i % 4) * 32;
    TOLAPngUpdate patch;
    patch.Left = static_cast<int16_t>((i * 97) % 1200);
    patch.Top = static_cast<int16_t>((i * 53) % 700);
    patch.Image.Png = EncodePng(DesktopPatch(w, h, rng), 4);
    pngBytes += patch.Image.Png.size();
    pngs.push_back(patch.Image.Png);
    frame.PngUpdates.push_back(std::move(patch));
  }
  for (int i = 0; i < 20; ++i) frame.CopyRectUpdates.push_back({0, 0, 100, 20, 0, static_cast<int16_t>(20 + i)});

  const std::string stream = EncodeComponent(frame);
  const int kRounds = 20;
  size_t sink = 0;

  const double pngOnly = bench::BestOf(7, [&] {
    // Like the stream decoder, keep the frame's pictures until the frame is done.
    for (int r = 0; r < kRounds; ++r) {
      std::vector<Image> frameImages;
      for (const auto& p : pngs) frameImages.push_back(DecodePng(p));
      sink += frameImages.size();
    }
  });
  const double codec = bench::BestOf(7, [&] {
    for (int r = 0; r < kRounds; ++r) {
      const std::string bytes = EncodeComponent(frame);
      TOLAFrameUpdateMessageData back;
      DecodeComponent(bytes, back);
      sink += back.PngUpdates.size() + bytes.size();
    }
  });

  const double mb = static_cast<double>(stream.size()) * kRounds / 1e6;
  const double codecRate = mb / codec;
  const double pngRate = mb / pngOnly;
  std::fprintf(stderr, "stream %zu bytes, PNG data %zu bytes (sink %zu)\n", stream.size(), pngBytes, sink);
  bench::Report("stream-codec", codecRate, "MB/s", pngRate, codecRate / pngRate, 0.91);
  return 0;
}
