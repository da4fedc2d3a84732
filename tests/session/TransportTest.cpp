#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "SessionHost.h"
#include "session/ClientComponent.h"
#include "session/MessageData.h"
#include "session/SessionError.h"

using namespace corvane;
using namespace corvane::session;
using namespace corvane::session::testing;

namespace {

// A listening channel that keeps what it receives: chat blocks (code 33) and the codes seen.
class ProbeChannel final : public TOLACustomServer {
public:
  ProbeChannel(TComponent* owner, base::MainLoop& loop, TOLAMessageCode id, bool freeWithContext = false)
      : TOLACustomServer(owner, loop), id_(id), free_(freeWithContext) {
    InitIOHandler();
  }
  ~ProbeChannel() override {
    if (destroyedOn) *destroyedOn = std::this_thread::get_id();
  }
  TOLAMessageCode ChannelId() const override { return id_; }

  TOLAIdServerIOHandler& Handler() { return *static_cast<TOLAIdServerIOHandler*>(IOHandler()); }

  void HandleMessage(TOLAMessageCode code) override {
    codes.push_back(code);
    if (code != mcChatMessage) return;
    base::MemoryStream block;
    ReadStream(block, -1);
    {
      std::lock_guard lock(mutex);
      stored = block.Bytes();
    }
    RaiseEvent([this] {
      eventThread = std::this_thread::get_id();
      events.push_back(stored);
    });
  }
  void DoDisconnected() override {
    if (log) {
      std::lock_guard lock(*logMutex);
      log->push_back(Handler().Context() ? "DoDisconnected(bound)" : "DoDisconnected(unbound)");
    }
    TOLACustomServer::DoDisconnected();
  }
  std::string Stored() {
    std::lock_guard lock(mutex);
    return stored;
  }

  std::vector<TOLAMessageCode> codes;  // connection thread only
  std::vector<std::string> events;     // main thread only
  std::thread::id eventThread;
  std::vector<std::string>* log = nullptr;
  std::mutex* logMutex = nullptr;
  std::atomic<std::thread::id>* destroyedOn = nullptr;

protected:
  TOLACustomIOHandler* CreateIOHandler() override {
    auto* h = new TOLAIdServerIOHandler(this);
    h->FreeWithContext = free_;
    return h;
  }

private:
  TOLAMessageCode id_;
  bool free_;
  std::mutex mutex;
  std::string stored;
};

std::string ChatBytes(std::string_view text) {
  return MessageCodeLine(mcChatMessage) + BigEndian(static_cast<uint32_t>(text.size())) + std::string(text);
}

class TransportTest : public ::testing::Test {
protected:
  base::ManualLoop loop;
  SessionHost host{loop};
};

}  // namespace

TEST_F(TransportTest, ConnectionsBindToChannelsInCreationOrder) {
  auto* first = new ProbeChannel(&host.root, loop, mcChannelSpeakingFileTransfert);
  auto* second = new ProbeChannel(&host.root, loop, mcChannelSpeakingFileTransfert);
  host.Start();
  RawPeer a(host.Port()), b(host.Port());
  a.Send("\\\r\n");
  ASSERT_TRUE(host.WaitFor([&] { return first->Accepted(); }));
  EXPECT_FALSE(second->Accepted());
  b.Send("\\\r\n");
  ASSERT_TRUE(host.WaitFor([&] { return second->Accepted(); }));
  b.Send(ChatBytes("from b"));
  a.Send(ChatBytes("from a"));
  ASSERT_TRUE(host.WaitFor([&] { return first->events.size() == 1 && second->events.size() == 1; }));
  EXPECT_EQ(first->events[0], "from a");
  EXPECT_EQ(second->events[0], "from b");
  EXPECT_EQ(first->eventThread, std::this_thread::get_id());
  host.Stop();
}

TEST_F(TransportTest, UnacceptedConnectionStaysOpenAndIsOfferedEachLine) {
  auto* screen = new ProbeChannel(&host.root, loop, mcChannelScreen);
  host.Start();
  RawPeer bound(host.Port()), stray(host.Port());
  bound.Send("P\r\n");
  ASSERT_TRUE(host.WaitFor([&] { return screen->Accepted(); }));
  // The screen is taken; empty and two-letter lines name no channel either.
  stray.Send("P\r\n\r\nPQ\r\n");
  ProbeChannel* late;
  {
    // Connection threads are walking the channels: a channel added now is built under their lock,
    // as the per-transfer channels are, so none of them sees it half made.
    auto lock = host.root.LockComponents();
    late = new ProbeChannel(&host.root, loop, mcChannelScreen);
  }
  stray.Send("P\r\n");
  ASSERT_TRUE(host.WaitFor([&] { return late->Accepted(); }));
  stray.Send(ChatBytes("late"));
  ASSERT_TRUE(host.WaitFor([&] { return late->events.size() == 1; }));
  EXPECT_TRUE(screen->events.empty());
  EXPECT_EQ(host.disconnects.load(), 0);
  host.Stop();
}

TEST_F(TransportTest, UnboundChannelDropsWritesAndReadsAsDisconnected) {
  ProbeChannel chat(nullptr, loop, mcChannelSpeakingChat);
  EXPECT_NO_THROW(chat.WriteLn("typed before the customer connected"));
  EXPECT_NO_THROW(chat.WriteMessageCode(mcChatMessage));
  EXPECT_FALSE(chat.Connected());
  EXPECT_EQ(chat.ReadMessageCode(kNoTimeLimit), mcDisconnect);
  EXPECT_EQ(chat.ReadInteger(), 0);
  EXPECT_EQ(chat.ReadLn(), "");
}

TEST_F(TransportTest, HostileBytesEndOnlyTheirOwnConnection) {
  struct Case {
    const char* why;
    std::string bytes;
  } cases[] = {
      {"silent in the middle of a block", ChatBytes("0123456789").substr(0, 9)},
      {"negative length", MessageCodeLine(mcChatMessage) + BigEndian(0xFFFFFFFFu)},
      {"length above the ceiling", MessageCodeLine(mcChatMessage) + BigEndian(0x7FFFFFFFu)},
      {"line of 20000 bytes", std::string(20000, 'x')},
  };
  auto* healthy = new ProbeChannel(&host.root, loop, mcChannelChat);
  std::vector<ProbeChannel*> victims;
  for (size_t i = 0; i < std::size(cases); ++i) {
    victims.push_back(new ProbeChannel(&host.root, loop, mcChannelCommands));
    victims.back()->Handler().ReadTimeOut = 200;  // short limit instead of 45 s
  }
  host.Start();
  RawPeer good(host.Port());
  good.Send("V\r\n");
  ASSERT_TRUE(host.WaitFor([&] { return healthy->Accepted(); }));
  for (size_t i = 0; i < std::size(cases); ++i) {
    RawPeer bad(host.Port());
    bad.Send("X\r\n");
    ASSERT_TRUE(host.WaitFor([&] { return victims[i]->Accepted(); })) << cases[i].why;
    bad.Send(cases[i].bytes);
    EXPECT_TRUE(bad.ClosedByAgent()) << cases[i].why;
  }
  // An unbound connection sending an endless line is closed as well.
  RawPeer unbound(host.Port());
  unbound.Send(std::string(20000, 'y'));
  EXPECT_TRUE(unbound.ClosedByAgent());

  good.Send(ChatBytes("still here"));
  ASSERT_TRUE(host.WaitFor([&] { return healthy->events.size() == 1; }));
  EXPECT_EQ(healthy->events[0], "still here");
  host.Stop();
}

TEST_F(TransportTest, BoundConnectionSilentBetweenMessagesStaysOpen) {
  auto* chat = new ProbeChannel(&host.root, loop, mcChannelChat);
  chat->Handler().ReadTimeOut = 100;
  host.Start();
  RawPeer peer(host.Port());
  peer.Send("V\r\n");
  ASSERT_TRUE(host.WaitFor([&] { return chat->Accepted(); }));
  EXPECT_FALSE(peer.ClosedByAgent(400));  // message codes are awaited without a limit
  peer.Send(ChatBytes("later"));
  ASSERT_TRUE(host.WaitFor([&] { return chat->events.size() == 1; }));
  host.Stop();
}

TEST_F(TransportTest, EndOfConnectionStepsRunInOrder) {
  std::vector<std::string> log;
  std::mutex logMutex;
  auto* chat = new ProbeChannel(&host.root, loop, mcChannelChat);
  chat->log = &log;
  chat->logMutex = &logMutex;
  host.server.OnDisconnect = [&](TcpContext&) {
    std::lock_guard lock(logMutex);
    log.push_back("OnDisconnect(listed=" + std::to_string(host.server.ConnectionCount()) + ")");
  };
  host.Start();
  {
    RawPeer peer(host.Port());
    peer.Send("V\r\n");
    ASSERT_TRUE(host.WaitFor([&] { return chat->Accepted(); }));
  }
  ASSERT_TRUE(host.WaitFor([&] {
    std::lock_guard lock(logMutex);
    return log.size() == 2;
  }));
  EXPECT_EQ(log, (std::vector<std::string>{"OnDisconnect(listed=1)", "DoDisconnected(bound)"}));
  EXPECT_TRUE(host.WaitFor([&] { return chat->Handler().Context() == nullptr; }));
  EXPECT_TRUE(chat->Accepted());  // a channel serves one connection in its lifetime
  EXPECT_EQ(host.server.ConnectionCount(), 0u);
  host.Stop();
}

TEST_F(TransportTest, PerTransferChannelIsDestroyedOnItsConnectionThread) {
  std::atomic<std::thread::id> destroyedOn{};
  auto* transfer = new ProbeChannel(&host.root, loop, mcChannelFileTransfert, /*freeWithContext=*/true);
  transfer->destroyedOn = &destroyedOn;
  host.Start();
  {
    // The channel is bound by the line, then destroyed when the peer leaves; the test must not
    // touch it meanwhile, so binding shows only through its destruction.
    RawPeer peer(host.Port());
    peer.Send("[\r\n");
  }
  ASSERT_TRUE(host.WaitFor([&] { return destroyedOn.load() != std::thread::id(); }));
  EXPECT_NE(destroyedOn.load(), std::this_thread::get_id());
  EXPECT_EQ(host.root.ComponentCount(), 0u);
  host.Stop();
}

TEST_F(TransportTest, EventsAreDroppedOnceSynchronisationIsOff) {
  auto* chat = new ProbeChannel(&host.root, loop, mcChannelChat);
  host.Start();
  RawPeer peer(host.Port());
  peer.Send("V\r\n");
  ASSERT_TRUE(host.WaitFor([&] { return chat->Accepted(); }));
  chat->SetSynchronizeEvents(false);
  peer.Send(ChatBytes("unseen"));
  ASSERT_TRUE(host.WaitFor([&] { return chat->Stored() == "unseen"; }));
  loop.pump();
  EXPECT_TRUE(chat->events.empty());
  host.Stop();
}

TEST_F(TransportTest, StoppingWithAnEventPendingDoesNotDeadlock) {
  auto* chat = new ProbeChannel(&host.root, loop, mcChannelChat);
  host.Start();
  RawPeer peer(host.Port());
  peer.Send("V\r\n" + ChatBytes("pending"));
  // Wait without pumping: the connection thread is then blocked handing its event over.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (chat->Stored() != "pending" && std::chrono::steady_clock::now() < until)
    std::this_thread::yield();
  ASSERT_EQ(chat->Stored(), "pending");
  EXPECT_TRUE(chat->events.empty());
  // The main thread stops the server while that hand-over is pending.
  host.Stop();
  EXPECT_EQ(chat->events.size(), 1u);
  EXPECT_FALSE(host.server.Active());
}

TEST_F(TransportTest, BusyPortAndConnectionCap) {
  host.Start();
  TcpServer second(loop);
  second.SetBinding("127.0.0.1", host.Port());
  EXPECT_THROW(second.SetActive(true), SocketBindError);

  host.Stop();
  host.server.SetMaxConnections(2);
  host.Start();
  RawPeer a(host.Port()), b(host.Port());
  ASSERT_TRUE(host.WaitFor([&] { return host.server.ConnectionCount() == 2; }));
  RawPeer c(host.Port());
  EXPECT_TRUE(c.ClosedByAgent());
  EXPECT_FALSE(a.ClosedByAgent(100));
  host.Stop();
}

namespace {

// Customer-side listening client that records the codes it hears.
class ListeningProbe final : public TOLACustomClientListening {
public:
  ListeningProbe(base::MainLoop& loop, TOLAMessageCode id) : TOLACustomClientListening(nullptr, loop), id_(id) {}
  ~ListeningProbe() override { StopAndWait(); }
  TOLAMessageCode ChannelId() const override { return id_; }
  std::atomic<int> heard{0};

protected:
  void HandleMessage(TOLAMessageCode code) override {
    if (code == mcFrameRequest) ++heard;
    TOLACustomClientListening::HandleMessage(code);
  }

private:
  TOLAMessageCode id_;
};

// Agent-side speaking channel: each round writes three frame requests.
class Speaker final : public TOLACustomServerSpeaking {
public:
  Speaker(TComponent* owner, base::MainLoop& loop) : TOLACustomServerSpeaking(owner, loop) { InitIOHandler(); }
  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingCommands; }
  std::atomic<int> rounds{0};

protected:
  TOLACustomIOHandler* CreateIOHandler() override { return new TOLAIdServerIOHandler(this); }
  void Speak() override {
    for (int i = 0; i < 3; ++i) WriteMessageCode(mcFrameRequest);
    ++rounds;
    if (rounds == 2) WriteMessageCode(mcDisconnect);
    Stop();
  }
};

}  // namespace

TEST_F(TransportTest, ClientAnnouncesItsChannelAndListensUntilCodeTwo) {
  auto* speaker = new Speaker(&host.root, loop);
  speaker->AfterExecuteAction = aeaLoop;
  host.Start();
  ListeningProbe client(loop, mcChannelSpeakingCommands);
  client.ClientIOHandler().Port = host.Port();
  std::atomic<bool> terminated{false};
  client.OnThreadTerminated = [&](TOLACustomClientThreaded&) {
    EXPECT_TRUE(loop.isMainThread());
    terminated = true;
  };
  client.Connect();
  ASSERT_TRUE(host.WaitFor([&] { return terminated.load(); }));
  EXPECT_EQ(client.heard.load(), 6);
  EXPECT_GE(speaker->rounds.load(), 2);
  host.Stop();
}
