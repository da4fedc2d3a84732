#include <gtest/gtest.h>

#include <functional>
#include <future>

#include "ChannelTestSupport.h"
#include "LargePicture.h"
#include "session/ChatChannels.h"
#include "session/ClipboardChannels.h"
#include "session/CommandChannels.h"
#include "session/CursorChannel.h"
#include "session/ScreenChannel.h"
#include "session/TextClients.h"

using namespace corvane;
using namespace corvane::session;
using namespace corvane::session::testing;

namespace {

std::string Code(TOLAMessageCode code) { return MessageCodeLine(code); }

std::string EmptyFrame() { return Block(TOLAFrameUpdateMessageData()); }

std::string FrameWithBadPng() {
  TOLAFrameUpdateMessageData frame;
  frame.PngUpdates.emplace_back().Image.Png = "\x89PNG\r\n\x1a\n garbage";
  return Block(frame);
}

std::string Dimension(int16_t width, int16_t height) {
  TOLAScreenDimensionMessageData record;
  record.Width = width;
  record.Height = height;
  return Block(record);
}

std::string ClipboardHeader(uint32_t size) {
  TOLAClipBoardChangeMessageData record;
  record.ClipBoardStreamSize = size;
  return Code(mcClipboardChange) + Block(record);
}

// A customer misbehaving on one channel connection while a healthy chat runs beside it.
class HostileCustomerTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto* chat = new TOLAIdServerChat(&host.root, loop);
    chat->OnMessageChat = [this](TOLAServerChat&, const std::string& text) { log.Add(text); };
    host.Start();
    healthy = ConnectedClient<TOLAClientSpeakingChat>(host);
  }
  void ExpectHealthyChat(const std::string& marker) {
    healthy->SendText(marker);
    EXPECT_TRUE(host.WaitFor([&] { return log.Contains(marker); })) << marker;
  }

  Log log;  // before the host: pending events write here while it stops
  base::ManualLoop loop;
  SessionHost host{loop};
  std::unique_ptr<TOLAClientSpeakingChat> healthy;
};

}  // namespace

TEST_F(HostileCustomerTest, BadRecordsAndTruncationEndOnlyTheirOwnConnection) {
  enum Outcome { Ignored, ClosedByAgent, EndedWhenPeerLeaves };
  using Make = std::function<TOLACustomServer*()>;
  const Make screen = [&] {
    auto* s = new TOLAIdServerScreen(&host.root, loop);
    s->SetActive(true);
    return s;
  };
  const Make cursor = [&] { return new TOLAIdServerCursor(&host.root, loop); };
  const Make clipboard = [&] { return new TOLAIdServerClipboard(&host.root, loop); };
  const Make chat = [&] { return new TOLAIdServerChat(&host.root, loop); };
  const Make commands = [&] { return new TOLAIdServerCommands(&host.root, loop); };
  struct Case {
    const char* name;
    Make make;
    std::string bytes;
    Outcome outcome;
  } cases[] = {
      {"screen: unknown codes and garbage lines", screen, "z\r\n~\r\nhello\r\n\r\n" + Code(mcKey), Ignored},
      {"screen: record cut short, then the customer leaves", screen,
       Code(mcFrameUpdate) + BigEndian(100) + "TPF0", EndedWhenPeerLeaves},
      {"screen: stream truncated inside its block", screen,
       Code(mcFrameUpdate) + BigEndian(8) + "TPF0\x1aTOL", ClosedByAgent},
      {"screen: not a component stream", screen, Code(mcFrameUpdate) + BigEndian(4) + "XPF0", ClosedByAgent},
      {"screen: PNG patch that does not decode", screen, Code(mcFrameUpdate) + FrameWithBadPng(), ClosedByAgent},
      {"screen: gigantic block length", screen, Code(mcFrameUpdate) + BigEndian(0x7FFFFFF0u), ClosedByAgent},
      {"screen: dimension without its frame, then leaves", screen,
       Code(mcScreenDimension) + Dimension(800, 600), EndedWhenPeerLeaves},
      {"cursor: unknown codes", cursor, Code(mcFrameRequest) + "xyz\r\n", Ignored},
      {"cursor: position record of the wrong shape", cursor,
       Code(mcCursorPosition) + Block(TOLAKeyboardMessageData()), ClosedByAgent},
      {"clipboard: gigantic announced size", clipboard, ClipboardHeader(0xFFFFFFF0u), ClosedByAgent},
      {"clipboard: text cut short, then the customer leaves", clipboard,
       ClipboardHeader(50) + "only part", EndedWhenPeerLeaves},
      {"chat: negative length", chat, Code(mcChatMessage) + BigEndian(0xFFFFFFFFu), ClosedByAgent},
      {"chat: length above the chat ceiling", chat,
       Code(mcChatMessage) + BigEndian(kMaxChatTextLength + 1), ClosedByAgent},
      {"chat: text cut short, then the customer leaves", chat,
       Code(mcChatMessage) + BigEndian(10) + "abc", EndedWhenPeerLeaves},
      {"commands: garbage lines", commands, "hello\r\n\r\n" + Code(mcChatMessage), Ignored},
  };
  for (const auto& c : cases) {
    TOLACustomServer* channel = c.make();
    const int disconnectsBefore = host.disconnects.load();
    {
      RawPeer peer(host.Port());
      peer.Send(Code(channel->ChannelId()));
      ASSERT_TRUE(host.WaitFor([&] { return channel->Connected(); })) << c.name;
      peer.Send(c.bytes);
      switch (c.outcome) {
        case Ignored:
          EXPECT_FALSE(peer.ClosedByAgent(200)) << c.name;
          EXPECT_TRUE(channel->Connected()) << c.name;
          break;
        case ClosedByAgent:
          EXPECT_TRUE(peer.ClosedByAgent()) << c.name;
          break;
        case EndedWhenPeerLeaves:
          EXPECT_FALSE(peer.ClosedByAgent(100)) << c.name;  // still waiting for the rest
          break;
      }
    }
    EXPECT_TRUE(host.WaitFor([&] { return host.disconnects.load() == disconnectsBefore + 1; })) << c.name;
    ExpectHealthyChat(std::string("after ") + c.name);
  }
}

TEST_F(HostileCustomerTest, ScreenKeepsWorkingAfterGarbage) {
  auto* screen = new TOLAIdServerScreen(&host.root, loop);
  screen->OnFrameUpdateEnd = [&](TOLAServerScreen&) { log.Add("frame"); };
  screen->SetActive(true);
  RawPeer peer(host.Port());
  peer.Send(Code(mcChannelScreen) + "garbage\r\n" + Code(mcCursorImage) + "!\r\n");
  peer.Send(Code(mcFrameUpdate) + EmptyFrame());
  EXPECT_TRUE(host.WaitFor([&] { return log.Contains("frame"); }));
  host.Stop();
}

TEST_F(HostileCustomerTest, FrameOfManyLargePatchesEndsItsConnectionWithinBoundedMemory) {
  // Three hundred valid PNG patches of 8192x8192 black pixels, a few kilobytes each, for a
  // 1024x768 screen.
  const std::string png = ZeroPng(8192, 8192);
  TOLAFrameUpdateMessageData bomb;
  for (int i = 0; i < 300; ++i) bomb.PngUpdates.emplace_back().Image.Png = png;
  const std::string bytes = Code(mcScreenDimension) + Dimension(1024, 768) + Block(bomb);

  auto* screen = new TOLAIdServerScreen(&host.root, loop);
  screen->SetActive(true);
  AddressSpaceCap cap(1536);
  const long before = PeakMemoryMiB();
  const int disconnectsBefore = host.disconnects.load();
  {
    RawPeer peer(host.Port());
    peer.Send(Code(mcChannelScreen));
    ASSERT_TRUE(host.WaitFor([&] { return screen->Connected(); }));
    // Sent from another thread: the size event needs the main thread while the record arrives.
    auto sending = std::async(std::launch::async, [&] {
      try {
        peer.Send(bytes);
      } catch (const SessionError&) {
        // the agent may close before the last bytes are taken
      }
    });
    EXPECT_TRUE(host.WaitFor([&] { return host.disconnects.load() == disconnectsBefore + 1; }));
    sending.get();
  }
  EXPECT_LT(PeakMemoryMiB() - before, 128);
  ExpectHealthyChat("after the oversized frame");

  // The next customer's screen shows its frames.
  auto* next = new TOLAIdServerScreen(&host.root, loop);
  next->OnGraphicUpdate = [&](TOLAServerScreen&, const Image& g, uint16_t, uint16_t) {
    log.Add("image " + std::to_string(g.width) + "x" + std::to_string(g.height));
  };
  next->SetActive(true);
  TOLAFrameUpdateMessageData frame;
  frame.PngUpdates.emplace_back().Image.Picture = Image(1024, 768, 0xFF336699u);
  RawPeer peer(host.Port());
  peer.Send(Code(mcChannelScreen) + Code(mcScreenDimension) + Dimension(1024, 768) + Block(frame));
  EXPECT_TRUE(host.WaitFor([&] { return log.Contains("image 1024x768"); }));
  host.Stop();
}
