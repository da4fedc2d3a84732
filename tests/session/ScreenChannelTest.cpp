#include <gtest/gtest.h>

#include <chrono>

#include "ChannelTestSupport.h"
#include "session/ScreenChannel.h"
#include "session/ScreenClient.h"
#include "session/ScreenPicture.h"
#include "session/SessionError.h"

using namespace corvane;
using namespace corvane::session;
using namespace corvane::session::testing;

namespace {

constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kBlack = 0xFF000000u;

std::string Code(TOLAMessageCode code) { return MessageCodeLine(code); }

TOLAPngUpdate Patch(int16_t left, int16_t top, int w, int h, uint32_t color) {
  TOLAPngUpdate u;
  u.Left = left;
  u.Top = top;
  u.Image.Picture = Image(w, h, color);
  return u;
}

// The agent's screen channel with its events written to a log (main thread) and applied to a
// picture of the customer's screen, as the session window keeps it.
class ScreenChannelTest : public ::testing::Test {
protected:
  TOLAIdServerScreen* NewScreen() {
    auto* s = new TOLAIdServerScreen(&host.root, loop);
    s->OnOptionsChanged = [this](TOLAServerScreen&) { log.Add("options"); };
    s->OnScreenDimensionsChange = [this](TOLAServerScreen&, int32_t w, int32_t h) {
      log.Add("size " + std::to_string(w) + "x" + std::to_string(h));
      picture = Image(w, h, kBlack);
    };
    s->OnFrameUpdateBegin = [this](TOLAServerScreen& sender) {
      log.Add(sender.CurrentFrame() ? "begin" : "begin without the frame");
    };
    s->OnCopyRectUpdate = [this](TOLAServerScreen&, const TRect& src, const TRect& dest) {
      log.Add("copy " + std::to_string(src.Left) + "," + std::to_string(src.Top) + "->" +
              std::to_string(dest.Left) + "," + std::to_string(dest.Top));
      CopyRectangle(picture, src, dest);
    };
    s->OnGraphicUpdate = [this](TOLAServerScreen&, const Image& g, uint16_t x, uint16_t y) {
      log.Add("image " + std::to_string(g.width) + "x" + std::to_string(g.height) + "@" +
              std::to_string(x) + "," + std::to_string(y));
      DrawPicture(picture, g, x, y);
    };
    s->OnFrameUpdateEnd = [this](TOLAServerScreen&) { log.Add("end"); };
    return s;
  }

  // Declared before the host: events still pending when the host stops write to them.
  Log log;
  Image picture;
  base::ManualLoop loop;
  SessionHost host{loop};
};

}  // namespace

TEST_F(ScreenChannelTest, OptionsAreAskedFirstThenEveryChangeGoesOutInFixedOrder) {
  auto* screen = NewScreen();
  screen->Options().SetCompression(7);  // pending while the request is: never sent
  screen->RequestOptions();
  screen->SetActive(true);
  host.Start();
  RawPeer peer(host.Port());
  peer.Send(Code(mcChannelScreen));
  EXPECT_EQ(peer.Receive(6), Code(mcScreenOptions) + Code(mcFrameRequest));

  TDadScreenOptions customer;
  customer.SetAccuracy(30);
  customer.SetPixelFormat(pf8bit);
  customer.SetCompression(3);
  customer.SetGrayScale(true);
  customer.SetFullScreenUpdateInterval(1200);
  peer.Send(Code(mcScreenOptions) + Block(customer));
  ASSERT_TRUE(host.WaitFor([&] { return log.Contains("options"); }));
  EXPECT_EQ(screen->Options().Compression(), 3);

  // The customer's values go back, each with its own code, in the fixed order.
  EXPECT_EQ(peer.Receive(4 * 4 + 3 + 4 + 3),
            Code(mcAccuracy) + "\x1e" + Code(mcCompression) + "\x03" + Code(mcGrayScale) + "\x01" +
                Code(mcPixelFormat) + "\x03" + Code(mcFullScreenUpdateInterval) + BigEndian(1200) +
                Code(mcFrameRequest));

  // A change made while the agent waits for the frame goes out with the next request.
  screen->Options().SetAccuracy(60);
  peer.Send(Code(mcFrameUpdate) + Block(TOLAFrameUpdateMessageData()));
  ASSERT_TRUE(host.WaitFor([&] { return log.Contains("end"); }));
  EXPECT_EQ(peer.Receive(7), Code(mcAccuracy) + "<" + Code(mcFrameRequest));
  host.Stop();
}

TEST_F(ScreenChannelTest, FramesFlowOneRequestOneAnswerWithSizeFirstAndMovesBeforeImages) {
  auto* screen = NewScreen();
  screen->RequestOptions();
  screen->SetActive(true);
  host.Start();
  Log customer;  // the customer end's worker writes here
  auto client = std::make_unique<TOLAClientScreen>(nullptr, loop);
  client->OnOptionReceived = [&](TOLAClientScreen& c, TOLAMessageCode code) {
    if (code == mcGrayScale) customer.Add(c.Options().GrayScale() ? "gray on" : "gray off");
  };
  ConnectClient(*client, "127.0.0.1", host.Port());

  // First frame: a 40x30 screen, a red patch covering the left half.
  TOLAFrameUpdateMessageData first;
  first.PngUpdates.push_back(Patch(0, 0, 20, 30, kRed));
  client->QueueScreenDimension(40, 30, first);
  // Second frame: the red block moves right (overlapping itself) and a blue patch lands where the
  // move put red: the move must come first, whatever the order in the stream.
  TOLAFrameUpdateMessageData second;
  second.PngUpdates.push_back(Patch(15, 0, 5, 5, kBlue));
  second.CopyRectUpdates.push_back(TOLACopyRectUpdate{0, 0, 20, 30, 10, 0});
  client->QueueFrame(second);
  client->QueueFrame(TOLAFrameUpdateMessageData());

  ASSERT_TRUE(host.WaitFor([&] { return log.Size() >= 11 && client->FrameRequests() >= 4; }));
  EXPECT_EQ(client->OptionRequests(), 1);
  const std::vector<std::string> expected = {
      "options",
      "size 40x30", "begin", "image 20x30@0,0", "end",                    // first
      "begin", "copy 0,0->10,0", "image 5x5@15,0", "end",                 // second
      "begin", "end"};                                                     // empty
  auto items = log.Items();
  items.resize(expected.size());
  EXPECT_EQ(items, expected);
  EXPECT_EQ(screen->ScreenWidth(), 40);
  EXPECT_EQ(picture.at(5, 10), kRed);     // left of the move: still the old red
  EXPECT_EQ(picture.at(25, 10), kRed);    // moved red
  EXPECT_EQ(picture.at(16, 2), kBlue);    // drawn after the move
  EXPECT_EQ(picture.at(35, 10), kBlack);

  // The customer's end applies option changes the agent sends.
  screen->Options().SetGrayScale(true);
  client->QueueFrame(TOLAFrameUpdateMessageData());
  ASSERT_TRUE(host.WaitFor([&] { return customer.Contains("gray on"); }));
  // The customer's own values came back once (the agent echoes what it received).
  EXPECT_EQ(customer.Items(), (std::vector<std::string>{"gray off", "gray on"}));
  host.Stop();
}

TEST_F(ScreenChannelTest, InactiveChannelNeitherReadsNorWrites) {
  auto* screen = NewScreen();
  host.Start();
  RawPeer peer(host.Port());
  peer.Send(Code(mcChannelScreen) + Code(mcFrameUpdate) + Block(TOLAFrameUpdateMessageData()));
  EXPECT_FALSE(peer.Line(300).has_value());  // nothing written
  loop.pump();
  EXPECT_EQ(log.Size(), 0u);                 // nothing read

  screen->SetActive(true);
  // The creation values are pending changes: all five go out, then the request; the frame sent
  // unasked is read only now.
  EXPECT_EQ(peer.Line(), "K");
  ASSERT_TRUE(host.WaitFor([&] { return log.Size() == 2; }));
  EXPECT_EQ(log.Items(), (std::vector<std::string>{"begin", "end"}));

  // Closing does not wait for an inactive step's interval.
  screen->SetActive(false);
  auto* idle = NewScreen();
  RawPeer second(host.Port());
  second.Send(Code(mcChannelScreen));
  ASSERT_TRUE(host.WaitFor([&] { return idle->Connected(); }));
  const auto start = std::chrono::steady_clock::now();
  host.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

TEST_F(ScreenChannelTest, ScreenDimensionsOutsideTheLimitsEndTheConnection) {
  struct Case {
    int16_t width, height;
    bool accepted;
  } cases[] = {{0, 600, false},     {800, 0, false},       {-1, 600, false}, {800, -5, false},
               {16385, 600, false}, {800, 16385, false},   {16384, 1, true}, {1, 16384, true}};
  host.Start();
  for (const auto& c : cases) {
    auto* screen = NewScreen();
    screen->SetActive(true);
    RawPeer peer(host.Port());
    peer.Send(Code(mcChannelScreen));
    ASSERT_TRUE(host.WaitFor([&] { return screen->Connected(); }));
    TOLAScreenDimensionMessageData dimension;
    dimension.Width = c.width;
    dimension.Height = c.height;
    const size_t before = log.Size();
    peer.Send(Code(mcScreenDimension) + Block(dimension) + Block(TOLAFrameUpdateMessageData()));
    const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height);
    if (c.accepted) {
      EXPECT_TRUE(host.WaitFor([&] { return log.Contains("size " + what); })) << what;
    } else {
      EXPECT_TRUE(host.WaitFor([&] { return !screen->Connected(); })) << what;
      loop.pump();
      EXPECT_EQ(log.Size(), before) << what;
    }
  }
  host.Stop();
}

TEST_F(ScreenChannelTest, FailingDrawStillEndsTheFrameAndThenTheConnection) {
  auto* screen = NewScreen();
  screen->OnGraphicUpdate = [](TOLAServerScreen&, const Image&, uint16_t, uint16_t) {
    throw std::runtime_error("cannot draw");
  };
  screen->SetActive(true);
  host.Start();
  auto client = ConnectedClient<TOLAClientScreen>(host);
  TOLAFrameUpdateMessageData frame;
  frame.PngUpdates.push_back(Patch(0, 0, 2, 2, kGreen));
  client->QueueFrame(frame);
  ASSERT_TRUE(host.WaitFor([&] { return log.Size() == 2; }));
  EXPECT_EQ(log.Items(), (std::vector<std::string>{"begin", "end"}));
  EXPECT_TRUE(host.WaitFor([&] { return !screen->Connected() && !client->Running(); }));
  host.Stop();
}

TEST(ScreenPictureTest, HostileRectanglesAndPositionsAreClipped) {
  Image picture(8, 8, kBlack);
  picture.at(0, 0) = kRed;
  CopyRectangle(picture, TRect{-2, -2, 1, 1}, TRect{5, 5, 8, 8});
  EXPECT_EQ(picture.at(7, 7), kRed);
  CopyRectangle(picture, TRect{0, 0, INT32_MAX, INT32_MAX}, TRect{INT32_MIN, INT32_MIN, 0, 0});
  CopyRectangle(picture, TRect{5, 5, 2, 2}, TRect{0, 0, -3, -3});  // inverted: nothing
  DrawPicture(picture, Image(4, 4, kBlue), 6, 6);
  EXPECT_EQ(picture.at(7, 7), kBlue);
  DrawPicture(picture, Image(4, 4, kGreen), 65535, 65535);
  DrawPicture(picture, Image(4, 4, kGreen), -3, -3);
  EXPECT_EQ(picture.at(0, 0), kGreen);
  EXPECT_EQ(picture.at(1, 1), kBlack);
}
