#include <gtest/gtest.h>

#include "ChannelTestSupport.h"
#include "session/ChatChannels.h"
#include "session/CommandChannels.h"
#include "session/SessionError.h"
#include "session/TextClients.h"

using namespace corvane;
using namespace corvane::session;
using namespace corvane::session::testing;

namespace {

class ChatCommandChannelTest : public ::testing::Test {
protected:
  Log log;  // before the host: pending events write here while it stops
  base::ManualLoop loop;
  SessionHost host{loop};
};

}  // namespace

TEST_F(ChatCommandChannelTest, AgentTextLeavesWithExactBytes) {
  auto* chat = new TOLAIdServerSpeakingChat(&host.root, loop);
  auto* commands = new TOLAIdServerSpeakingCommands(&host.root, loop);
  host.Start();
  RawPeer chatPeer(host.Port()), commandPeer(host.Port());
  chatPeer.Send(MessageCodeLine(mcChannelSpeakingChat));
  commandPeer.Send(MessageCodeLine(mcChannelSpeakingCommands));
  ASSERT_TRUE(host.WaitFor([&] { return chat->Connected() && commands->Connected(); }));

  std::vector<std::string> lines = {"a", "b"};
  chat->SendLines(lines, true);
  EXPECT_TRUE(lines.empty());
  chat->SendText("");  // nothing goes out
  chat->SendText("ça");
  EXPECT_EQ(chatPeer.Receive(13 + 9), "b\r\n" + BigEndian(6) + "a\r\nb\r\n" + "b\r\n" + BigEndian(2) + "\xe7" "a");

  commands->SendCommand("NEWID42");
  commands->SendCommand("");
  EXPECT_THROW(commands->SendCommand("x\r\n."), SendTextError);  // would smuggle a second command
  EXPECT_THROW(commands->SendCommand(std::string(16385, 'x')), SendTextError);
  commands->SendCommand(".");
  EXPECT_EQ(commandPeer.Receive(12 + 5 + 6), "c\r\nNEWID42\r\nc\r\n\r\nc\r\n.\r\n");
  host.Stop();
}

TEST_F(ChatCommandChannelTest, CustomerTextRaisesEventsEvenWhenRepeated) {
  auto* chat = new TOLAIdServerChat(&host.root, loop);
  auto* commands = new TOLAIdServerCommands(&host.root, loop);
  chat->OnMessageChat = [&](TOLAServerChat&, const std::string& text) { log.Add("chat " + text); };
  commands->OnCommand = [&](TOLAServerCommands&, const std::string& text) { log.Add("command " + text); };
  host.Start();
  auto chatClient = ConnectedClient<TOLAClientSpeakingChat>(host);
  auto commandClient = ConnectedClient<TOLAClientSpeakingCommands>(host);
  chatClient->SendText("bonjour");
  ASSERT_TRUE(host.WaitFor([&] { return log.Size() == 1; }));
  chatClient->SendText("bonjour");
  ASSERT_TRUE(host.WaitFor([&] { return log.Size() == 2; }));
  commandClient->SendCommand(".");
  ASSERT_TRUE(host.WaitFor([&] { return log.Size() == 3; }));
  EXPECT_EQ(log.Items(), (std::vector<std::string>{"chat bonjour", "chat bonjour", "command ."}));
  EXPECT_EQ(chat->LastMessage(), "bonjour");
  EXPECT_EQ(commands->LastCommand(), ".");
  host.Stop();
}

TEST_F(ChatCommandChannelTest, CustomerEndsReceiveWhatTheAgentSends) {
  auto* chat = new TOLAIdServerSpeakingChat(&host.root, loop);
  auto* commands = new TOLAIdServerSpeakingCommands(&host.root, loop);
  chat->SendText("before the customer connected");  // dropped silently
  host.Start();
  TOLAClientChat chatClient(nullptr, loop);
  TOLAClientCommands commandClient(nullptr, loop);
  chatClient.OnMessageChat = [&](TOLAClientChat&, const std::string& text) { log.Add("chat " + text); };
  commandClient.OnCommand = [&](TOLAClientCommands&, const std::string& text) { log.Add("command " + text); };
  ConnectClient(chatClient, "127.0.0.1", host.Port());
  ConnectClient(commandClient, "127.0.0.1", host.Port());
  ASSERT_TRUE(host.WaitFor([&] { return chat->Connected() && commands->Connected(); }));
  chat->SendText("Où est l'imprimante ?");
  ASSERT_TRUE(host.WaitFor([&] { return log.Size() == 1; }));
  commands->SendCommand("NEWID7");
  ASSERT_TRUE(host.WaitFor([&] { return log.Size() == 2; }));
  EXPECT_EQ(log.Items(), (std::vector<std::string>{"chat Où est l'imprimante ?", "command NEWID7"}));
  host.Stop();
}

TEST_F(ChatCommandChannelTest, OverlongCommandLineEndsOnlyThatConnection) {
  struct Case {
    size_t length;
    bool accepted;
  } cases[] = {{16384, true}, {16385, false}, {20000, false}};
  auto* chat = new TOLAIdServerChat(&host.root, loop);
  chat->OnMessageChat = [&](TOLAServerChat&, const std::string& text) { log.Add(text); };
  host.Start();
  auto chatClient = ConnectedClient<TOLAClientSpeakingChat>(host);
  for (const auto& c : cases) {
    auto* commands = new TOLAIdServerCommands(&host.root, loop);
    std::atomic<size_t> received{0};
    commands->OnCommand = [&](TOLAServerCommands&, const std::string& text) { received = text.size(); };
    RawPeer peer(host.Port());
    peer.Send(MessageCodeLine(mcChannelCommands));
    ASSERT_TRUE(host.WaitFor([&] { return commands->Connected(); }));
    peer.Send(MessageCodeLine(mcCommand) + std::string(c.length, 'x') + "\r\n");
    if (c.accepted) {
      EXPECT_TRUE(host.WaitFor([&] { return received.load() == c.length; })) << c.length;
      EXPECT_TRUE(commands->Connected());
    } else {
      EXPECT_TRUE(peer.ClosedByAgent()) << c.length;
    }
    const std::string marker = "after " + std::to_string(c.length);
    chatClient->SendText(marker);
    EXPECT_TRUE(host.WaitFor([&] { return log.Contains(marker); }));
  }
  host.Stop();
}
