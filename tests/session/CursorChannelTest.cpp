#include <gtest/gtest.h>

#include "ChannelTestSupport.h"
#include "session/ChatChannels.h"
#include "session/CursorChannel.h"
#include "session/Png.h"
#include "session/ScreenClient.h"
#include "session/TextClients.h"

using namespace corvane;
using namespace corvane::session;
using namespace corvane::session::testing;

namespace {

class CursorChannelTest : public ::testing::Test {
protected:
  Log log;  // before the host: pending events write here while it stops
  base::ManualLoop loop;
  SessionHost host{loop};
};

}  // namespace

TEST_F(CursorChannelTest, PositionsAndImagesReachTheMainThread) {
  auto* cursor = new TOLAIdServerCursor(&host.root, loop);
  cursor->OnCursorImagePosChange = [&](TOLAServerCursor& c, int32_t x, int32_t y) {
    const TPoint stored = c.CursorPos();
    log.Add("pos " + std::to_string(x) + "," + std::to_string(y) +
            (stored == TPoint{x, y} ? "" : " (stored differs)"));
  };
  cursor->OnCursorImageChange = [&](TOLAServerCursor& c) {
    const Image* image = c.CursorImage();
    log.Add(image ? "image " + std::to_string(image->width) + "x" + std::to_string(image->height) +
                        " hot " + std::to_string(c.HotSpot().X) + "," + std::to_string(c.HotSpot().Y)
                  : "no image");
  };
  host.Start();
  auto client = ConnectedClient<TOLAClientCursor>(host);
  client->SendCursorPosition(5, 6);
  client->SendCursorPosition(5, 6);  // the same position still raises the event
  PngPicture arrow;
  arrow.Picture = Image(12, 20, 0xFFFFFFFFu);
  client->SendCursorImage(3, 4, arrow);
  client->SendCursorPosition(-2, 7);
  ASSERT_TRUE(host.WaitFor([&] { return log.Size() == 4; }));
  EXPECT_EQ(log.Items(), (std::vector<std::string>{"pos 5,6", "pos 5,6", "image 12x20 hot 3,4",
                                                   "pos -2,7"}));
  EXPECT_EQ(cursor->CursorImage(), nullptr);  // set only while the event runs
  EXPECT_EQ(cursor->HotSpot(), (TPoint{3, 4}));
  host.Stop();
}

TEST_F(CursorChannelTest, BadPngEndsOnlyTheCursorConnection) {
  auto* cursor = new TOLAIdServerCursor(&host.root, loop);
  auto* chat = new TOLAIdServerChat(&host.root, loop);
  cursor->OnCursorImageChange = [&](TOLAServerCursor&) { log.Add("image"); };
  chat->OnMessageChat = [&](TOLAServerChat&, const std::string& text) { log.Add(text); };
  host.Start();
  auto chatClient = ConnectedClient<TOLAClientSpeakingChat>(host);
  RawPeer peer(host.Port());
  peer.Send(MessageCodeLine(mcChannelCursor));
  ASSERT_TRUE(host.WaitFor([&] { return cursor->Connected(); }));

  TOLACursorChangeMessageData change;
  change.Image.Png = std::string("\x89PNG\r\n\x1a\n", 8) + "not a picture";
  peer.Send(MessageCodeLine(mcCursorImage) + Block(change));
  EXPECT_TRUE(peer.ClosedByAgent());
  chatClient->SendText("still talking");
  ASSERT_TRUE(host.WaitFor([&] { return log.Size() == 1; }));
  EXPECT_EQ(log.Items(), std::vector<std::string>{"still talking"});
  host.Stop();
}
