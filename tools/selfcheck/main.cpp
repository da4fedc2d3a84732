// corvane-selfcheck: a loopback check of the session protocol spine on a real main loop. It opens a
// session server, connects a customer-side client that announces its channel, sends a frame update
// with PNG patches and a text block, and verifies what the agent side decoded. Exit code 0 when
// every step held.

#include <cstdio>
#include <string>

#include "base/RealLoop.h"
#include "base/Timer.h"
#include "session/ChannelComponent.h"
#include "session/ClientComponent.h"
#include "session/MessageData.h"
#include "session/Png.h"

using namespace corvane;
using namespace corvane::session;

namespace {

// Agent side: receives frame updates on the screen channel identifier and raises them on the main
// thread.
class FrameReceiver final : public TOLACustomServer {
public:
  FrameReceiver(TComponent* owner, base::MainLoop& loop) : TOLACustomServer(owner, loop) { InitIOHandler(); }
  TOLAMessageCode ChannelId() const override { return mcChannelScreen; }
  std::function<void(const TOLAFrameUpdateMessageData&)> OnFrame;

protected:
  TOLACustomIOHandler* CreateIOHandler() override { return new TOLAIdServerIOHandler(this); }
  void HandleMessage(TOLAMessageCode code) override {
    if (code != mcFrameUpdate) return;
    TOLAFrameUpdateMessageData frame;
    ReadComponent(frame);
    RaiseEvent([&] {
      if (OnFrame) OnFrame(frame);
    });
  }
};

// Customer side: announces the screen channel.
class FrameSender final : public TOLACustomClient {
public:
  using TOLACustomClient::TOLACustomClient;
  TOLAMessageCode ChannelId() const override { return mcChannelScreen; }
};

bool Check(bool ok, const char* what) {
  std::printf("  %-58s %s\n", what, ok ? "ok" : "FAILED");
  return ok;
}

}  // namespace

int main() {
  base::RealLoop loop;
  TComponent session;
  auto* receiver = new FrameReceiver(&session, loop);
  TcpServer server(loop);
  server.SetBinding("127.0.0.1", 0);
  server.SetContextFactory([](TcpServer& s, std::unique_ptr<TcpConnection> c) {
    return std::make_unique<TOLAIdContext>(s, std::move(c));
  });
  server.OnExecute = [&](TcpContext& ctx) { ExecuteSessionConnection(static_cast<TOLAIdContext&>(ctx), session); };
  server.SetActive(true);
  std::printf("corvane-selfcheck: session server on 127.0.0.1:%u\n", server.Port());

  Image picture(64, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) picture.at(x, y) = 0xFF000000u | static_cast<uint32_t>(x * 4 << 16 | y * 8);
  TOLAFrameUpdateMessageData sent;
  sent.PngUpdates.push_back({10, 20, {picture, {}}});
  sent.CopyRectUpdates.push_back({0, 0, 8, 8, 100, 100});

  bool received = false, ok = true;
  receiver->OnFrame = [&](const TOLAFrameUpdateMessageData& frame) {
    received = true;
    ok &= Check(loop.isMainThread(), "frame event raised on the main thread");
    ok &= Check(frame.PngUpdates.size() == 1 && frame.PngUpdates[0].Image.Picture == picture,
                "PNG patch decoded pixel for pixel");
    ok &= Check(frame.CopyRectUpdates.size() == 1 && frame.CopyRectUpdates[0].PosX == 100,
                "moved rectangle decoded");
    loop.quit();
  };

  FrameSender client(nullptr, loop);
  client.ClientIOHandler().Port = server.Port();
  client.Connect();
  ok &= Check(true, "customer connected and announced the screen channel");
  client.WriteMessageCode(mcFrameUpdate);
  client.WriteComponent(sent);

  base::Timer deadline(loop, 10000, true);
  deadline.onTimer = [&] { loop.quit(1); };
  deadline.start();
  loop.run();
  ok &= Check(received, "frame update received before the deadline");
  client.Disconnect();
  server.SetActive(false);
  ok &= Check(!receiver->Connected(), "server stopped, connection ended");
  std::printf("corvane-selfcheck: %s\n", ok ? "all checks passed" : "FAILED");
  return ok ? 0 : 1;
}
