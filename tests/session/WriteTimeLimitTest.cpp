#include <gtest/gtest.h>

#include <sys/socket.h>

#include "ChannelTestSupport.h"
#include "session/ChatChannels.h"
#include "session/SessionError.h"

using namespace corvane;
using namespace corvane::session;
using namespace corvane::session::testing;

namespace {

void SetBuffer(TcpConnection& c, int option, int bytes) {
  ASSERT_EQ(setsockopt(c.NativeHandle(), SOL_SOCKET, option, &bytes, sizeof bytes), 0);
}

}  // namespace

// A customer program that keeps its connection open but stops reading: the main thread's writes
// give up after the write limit, and the connection ends as lost instead of freezing the console.
TEST(WriteTimeLimit, MainThreadWriteToAPeerThatNeverReadsEndsTheConnection) {
  base::ManualLoop loop;
  SessionHost host(loop);
  auto* chat = new TOLAIdServerSpeakingChat(&host.root, loop);
  auto& handler = *static_cast<TOLAIdServerIOHandler*>(chat->IOHandler());
  handler.WriteTimeOut = 200;
  host.Start();
  RawPeer customer(host.Port());
  SetBuffer(*customer.conn, SO_RCVBUF, 4096);
  customer.Send(MessageCodeLine(mcChannelSpeakingChat));
  ASSERT_TRUE(host.WaitFor([&] { return chat->Connected(); }));
  SetBuffer(*handler.GetConnection(), SO_SNDBUF, 4096);

  // Small buffers on both ends fill after a few texts; the customer never reads any of them.
  const std::string text(64 * 1024, 'x');
  int sent = 0;
  bool lost = false;
  while (!lost && sent < 1000) {
    try {
      chat->SendText(text);
      ++sent;
    } catch (const ConnectionClosedError& e) {
      lost = true;
      EXPECT_STREQ(e.what(), "Write timed out.");
    }
  }
  EXPECT_TRUE(lost) << sent << " texts went out to a peer that reads nothing";
  EXPECT_TRUE(host.WaitFor([&] { return host.disconnects.load() == 1; }));
  EXPECT_FALSE(chat->Connected());
  host.Stop();
}
