// screen-channel-fps: frames per second through the screen channel over loopback for a 1280x720
// screen. The customer's end answers every frame request with a full-screen PNG update; the agent
// decodes it and draws it into an off-screen 32-bit picture on the main thread. The baseline is
// decoding the same PNG alone, in the same run. Goal: the channel keeps at least 85% of the pace
// of the decoder alone (ratio >= 0.85).

#include <atomic>
#include <cstdio>
#include <random>

#include "BenchReport.h"
#include "base/RealLoop.h"
#include "session/Png.h"
#include "session/ScreenChannel.h"
#include "session/ScreenClient.h"
#include "session/ScreenPicture.h"
#include "session/TcpServer.h"

using namespace corvane;
using namespace corvane::session;

namespace {

constexpr int kWidth = 1280, kHeight = 720;
constexpr int kFramesPerRound = 30;
constexpr int kRounds = 12;

// A desktop: a gradient wallpaper, a task bar, and windows with title bars and lines of text.
Image Desktop() {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> pick(0, 99);
  Image img(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      img.at(x, y) = 0xFF000000u | static_cast<uint32_t>(20 + y / 6) << 16 |
                     static_cast<uint32_t>(60 + x / 10) << 8 | 0xA0u;
  for (int y = kHeight - 40; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) img.at(x, y) = 0xFF303440u;
  const int windows[][4] = {{60, 50, 700, 480}, {500, 200, 700, 420}, {900, 40, 340, 260}};
  for (const auto& w : windows) {
    for (int y = w[1]; y < w[1] + w[3]; ++y)
      for (int x = w[0]; x < w[0] + w[2]; ++x) {
        uint32_t& p = img.at(x, y);
        if (y < w[1] + 28) p = 0xFF2B5797u;
        else if ((y - w[1]) % 18 < 11 && pick(rng) < 22) p = 0xFF101010u;
        else p = 0xFFFAFAFAu;
      }
  }
  return img;
}

}  // namespace

int main() {
  const std::string png = EncodePng(Desktop(), 4);  // the session's default compression level

  base::RealLoop loop;
  TComponent root;
  TcpServer server(loop);
  server.SetBinding("127.0.0.1", 0);
  server.SetContextFactory([](TcpServer& s, std::unique_ptr<TcpConnection> c) {
    return std::make_unique<TOLAIdContext>(s, std::move(c));
  });
  server.OnExecute = [&](TcpContext& ctx) {
    ExecuteSessionConnection(static_cast<TOLAIdContext&>(ctx), root);
  };

  // Agent side: the picture of the customer's screen, drawn on the main thread.
  Image offScreen(kWidth, kHeight);
  std::atomic<int> frames{0};
  auto* screen = new TOLAIdServerScreen(&root, loop);
  screen->OnGraphicUpdate = [&](TOLAServerScreen&, const Image& g, uint16_t x, uint16_t y) {
    DrawPicture(offScreen, g, x, y);
  };
  screen->OnFrameUpdateEnd = [&](TOLAServerScreen&) { ++frames; };
  screen->SetActive(true);
  server.SetActive(true);

  // Customer side: every request gets the full screen again, as a ready-made PNG file.
  TOLAFrameUpdateMessageData update;
  update.PngUpdates.emplace_back().Image.Png = png;
  TOLAClientScreen customer(nullptr, loop);
  customer.OnFrameRequest = [&](TOLAClientScreen& c) { c.SendFrame(update); };
  ConnectClient(customer, "127.0.0.1", server.Port());

  if (!loop.runUntil([&] { return frames.load() >= 5; }, 30000)) {
    std::fprintf(stderr, "no frames came through the screen channel\n");
    return 1;
  }
  double channel = 1e300, decode = 1e300;
  for (int round = 0; round < kRounds; ++round) {
    const int start = frames.load();
    const double t0 = bench::SecondsNow();
    if (!loop.runUntil([&] { return frames.load() >= start + kFramesPerRound; }, 60000)) {
      std::fprintf(stderr, "the screen channel stalled\n");
      return 1;
    }
    channel = std::min(channel, bench::SecondsNow() - t0);
    // The decoder alone, while the channel waits for the main thread (the main loop is not run).
    decode = std::min(decode, bench::BestOf(1, [&] {
      for (int i = 0; i < kFramesPerRound; ++i) {
        const Image decoded = DecodePng(png);
        if (decoded.width != kWidth) std::abort();
      }
    }));
  }
  screen->SetSynchronizeEvents(false);
  server.SetActive(false);

  const double channelFps = kFramesPerRound / channel;
  const double decodeFps = kFramesPerRound / decode;
  std::printf("PNG of %zu bytes, %d frames per round, best of %d rounds\n", png.size(),
              kFramesPerRound, kRounds);
  bench::Report("screen-channel-fps", channelFps, "fps", decodeFps, channelFps / decodeFps, 0.85);
  return 0;
}
