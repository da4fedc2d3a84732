// A whole session between the customer program and a fake agent made of the agent-side channels:
// frames, the agent's input traced on the picture, options, chat, clipboard and commands both
// ways, files and folders both ways, and every way a session ends.

#include <gtest/gtest.h>

#include <filesystem>

#include "ClientFixture.h"
#include "ClientLimits.h"
#include "assistance/FolderArchiveReader.h"
#include "assistance/FolderArchiveWriter.h"

using namespace corvane;
using namespace corvane::client;
using namespace corvane::client::testing;
namespace fs = std::filesystem;

namespace {

session::Image Rendered(CustomerSession& s) {
  session::Image picture;
  s.Desktop().Render(picture);
  return picture;
}

// The local path named by a "transferred received <sender path> -> <local>" line of the agent.
std::string AgentReceived(const Log& log, const std::string& senderPathPart) {
  for (const std::string& line : log.Lines()) {
    if (line.rfind("transferred received ", 0) != 0 || line.find(senderPathPart) == std::string::npos) continue;
    const size_t arrow = line.find(" -> ");
    const size_t folder = line.find(" folder ", arrow);
    return line.substr(arrow + 4, folder == std::string::npos ? std::string::npos : folder - arrow - 4);
  }
  return {};
}

std::map<std::string, std::string> FolderContents(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), folder).string()] = ReadFile(entry.path().string());
  return files;
}

std::string Bytes(size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7 + i / 97) & 0xFF);
  return s;
}

}  // namespace

class SessionTest : public ClientFixture {};

TEST_F(SessionTest, FramesKeepTheAgentsPictureEqualToTheCustomersScreen) {
  CustomerProgram& p = Connected(Options());
  CustomerSession& s = *p.Session();
  ASSERT_TRUE(Said("SCREEN size 320x240"));
  ASSERT_TRUE(WaitFor([&] { return agent.log.Contains("size 320x240"); }));
  ASSERT_TRUE(WaitFor([&] { return agent.frames > 0 && agent.picture == Rendered(s); }));

  // The square moves at each tick: moved with a copy-rectangle, the rest patched, still equal.
  for (int tick = 0; tick < 4; ++tick) {
    const int copies = agent.copies;
    loop.advance(kAnimationPeriodMs);
    ASSERT_TRUE(WaitFor([&] { return agent.copies > copies && agent.picture == Rendered(s); })) << tick;
  }
  EXPECT_EQ(agent.picture, s.Frames().Model());
  // The cursor's picture and position came on the cursor channel.
  EXPECT_TRUE(WaitFor([&] { return agent.log.Contains("cursor image 12x19") && agent.log.Contains("cursor at 160,120"); }));
}

TEST_F(SessionTest, AgentsClicksAndKeysAreTracedOnThePicture) {
  CustomerProgram& p = Connected(Options());
  CustomerSession& s = *p.Session();
  ASSERT_TRUE(WaitFor([&] { return agent.frames > 0; }));

  agent.inputs->MouseDown(session::mbLeft, 50, 60);
  agent.inputs->MouseUp(session::mbLeft, 50, 60);
  agent.inputs->MouseDown(session::mbRight, 200, 100);
  session::TKeyboardState shift;
  shift.Shift = true;
  agent.inputs->KeyDown('H', {});
  agent.inputs->KeyUp('H', {});
  agent.inputs->KeyDown(session::VK_SHIFT, shift);
  agent.inputs->KeyDown('I', shift);
  agent.inputs->KeyUp('I', shift);
  agent.inputs->KeyDown(0x0D, {});

  EXPECT_TRUE(Said("INPUT click left 50 60"));
  EXPECT_TRUE(Said("INPUT click right 200 100"));
  EXPECT_TRUE(Said("INPUT key 'h'"));
  EXPECT_TRUE(Said("INPUT key 'I'"));
  EXPECT_TRUE(Said("INPUT key Enter"));
  EXPECT_EQ(s.Desktop().TypedText(), "hI\n");
  EXPECT_EQ(out.Count("INPUT click"), 2u);  // button releases are not clicks
  EXPECT_TRUE(WaitFor([&] {
    return agent.picture.at(50, 60) == SyntheticDesktop::kLeftClickColour &&
           agent.picture.at(200, 100) == SyntheticDesktop::kRightClickColour && agent.picture == Rendered(s);
  }));
  EXPECT_TRUE(WaitFor([&] { return agent.log.Contains("cursor at 200,100"); }));
}

TEST_F(SessionTest, AgentsScreenOptionsChangeThePicture) {
  CustomerProgram& p = Connected(Options());
  ASSERT_TRUE(Said("SCREEN option pixelformat=pf24bit"));  // the customer's own options, sent back
  ASSERT_TRUE(WaitFor([&] { return agent.frames > 0; }));

  agent.screen->Options().SetGrayScale(true);
  auto grey = [&] {
    for (uint32_t px : agent.picture.pixels)
      if (((px >> 16) & 0xFF) != (px & 0xFF) || ((px >> 8) & 0xFF) != (px & 0xFF)) return false;
    return !agent.picture.pixels.empty();
  };
  // The desktop keeps moving, so frames (and with them the option changes) flow at once.
  auto animating = [&](const std::function<bool()>& pred) {
    return WaitFor([&] {
      loop.advance(kAnimationPeriodMs);
      return pred();
    });
  };
  EXPECT_TRUE(animating(grey));

  EXPECT_TRUE(out.Contains("SCREEN option grayscale=1"));
  agent.screen->Options().SetPixelFormat(session::pf1bit);
  EXPECT_TRUE(animating([&] {
    for (uint32_t px : agent.picture.pixels)
      if ((px & 0xFFFFFF) != 0 && (px & 0xFFFFFF) != 0xFFFFFF) return false;
    return true;
  }));
  EXPECT_TRUE(out.Contains("SCREEN option pixelformat=pf1bit"));
  EXPECT_TRUE(WaitFor([&] { return p.Session()->Frames().Model() == agent.picture; }));
}

TEST_F(SessionTest, ChatClipboardAndCommandsTravelBothWays) {
  CustomerProgram& p = Connected(Options());

  agent.chatOut->SendText("Hello, how can I help?\r\nTell me.");
  EXPECT_TRUE(Said("CHAT agent Hello, how can I help?\\r\\nTell me."));
  p.InputLine("Caf\xC3\xA9 \xE2\x82\xAC, my printer");  // travels as Windows-1252
  EXPECT_TRUE(WaitFor([&] { return agent.log.Contains("chat Caf\xC3\xA9 \xE2\x82\xAC, my printer"); }));
  EXPECT_TRUE(out.Contains("CHAT sent Caf\xC3\xA9 \xE2\x82\xAC, my printer"));

  agent.clipboard->SetText("from the agent");
  EXPECT_TRUE(Said("CLIPBOARD agent from the agent"));
  EXPECT_EQ(p.Session()->Clipboard(), "from the agent");
  p.InputLine("/clip from the customer");
  EXPECT_TRUE(WaitFor([&] { return agent.clipboard->Text() == "from the customer"; }));

  agent.commandsOut->SendCommand("NEWIDC042");
  EXPECT_TRUE(Said("NEWID C042"));
  p.InputLine("/command status?");
  EXPECT_TRUE(WaitFor([&] { return agent.log.Contains("command status?"); }));
  p.InputLine("/dance");
  EXPECT_TRUE(out.HasPrefix("ERROR Unknown input command /dance"));
  EXPECT_FALSE(p.Finished());
}

// The console counts a session as running only once it has bound every channel; what comes
// before is dropped. Unasked traffic (hello, clipboard, typed lines) waits for the agent's first
// screen request, or for kAgentReadyWaitMs when the agent does not view the screen.
class UnaskedTrafficTest : public ClientFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(UnaskedTrafficTest, WaitsUntilTheAgentsSideRuns) {
  const bool agentViewsScreen = GetParam();
  ClientOptions o = Options();
  o.autoMode = true;
  o.hello = "Hello early";
  o.clipboard = "early clipboard";
  agent.screen->SetActive(false);
  CustomerProgram& p = Connected(o);
  p.InputLine("typed early");
  EXPECT_FALSE(loop.pumpUntil([&] { return agent.log.HasPrefix("chat "); }, 300));
  EXPECT_FALSE(p.Session()->AgentReady());
  if (agentViewsScreen)
    agent.screen->SetActive(true);
  else
    loop.advance(kAgentReadyWaitMs);
  EXPECT_TRUE(WaitFor([&] {
    return agent.log.Contains("chat Hello early") && agent.log.Contains("chat typed early") &&
           agent.clipboard->Text() == "early clipboard";
  }));
}

INSTANTIATE_TEST_SUITE_P(Agent, UnaskedTrafficTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "ViewsTheScreen" : "NeverAsks");
                         });

TEST_F(SessionTest, FilesAndFoldersTravelBothWays) {
  // To the agent: a file and a folder named on the command line.
  TempFolder mine;
  WriteFile(mine / "big.bin", Bytes(300 * 1024, 1));
  fs::create_directories(mine.path() / "Logs" / "old");
  WriteFile(mine / "Logs/today.txt", "today");
  WriteFile(mine / "Logs/old/yesterday.txt", Bytes(5000, 2));
  ClientOptions options = Options();
  options.sendPaths = {mine / "big.bin", mine / "Logs"};
  CustomerProgram& p = Connected(options);

  ASSERT_TRUE(Said("FILE sent " + (mine / "big.bin")));
  ASSERT_TRUE(Said("FOLDER sent " + (mine / "Logs")));
  ASSERT_TRUE(WaitFor([&] { return agent.log.Count("transferred received") == 2; }));
  EXPECT_EQ(ReadFile(AgentReceived(agent.log, "big.bin")), ReadFile(mine / "big.bin"));
  const std::string archive = AgentReceived(agent.log, " folder Logs");
  ASSERT_FALSE(archive.empty()) << ::testing::PrintToString(agent.log.Lines());
  assistance::FolderArchiveReader::Unpack(archive, agentDir / "unpacked");
  EXPECT_EQ(FolderContents(agentDir.path() / "unpacked"), FolderContents(mine.path() / "Logs"));

  // From the agent: two files of one name, and a packed folder.
  fs::create_directories(agentDir.path() / "a");
  fs::create_directories(agentDir.path() / "b");
  WriteFile(agentDir / "a/report.txt", "first report");
  WriteFile(agentDir / "b/report.txt", "second report");
  agent.filesOut->SendFile(agentDir / "a/report.txt", "");
  ASSERT_TRUE(Said("FILE received " + (receiveDir / "report.txt")));
  agent.filesOut->SendFile(agentDir / "b/report.txt", "");
  ASSERT_TRUE(Said("FILE received " + (receiveDir / "report (2).txt")));
  EXPECT_EQ(ReadFile(receiveDir / "report.txt"), "first report");
  EXPECT_EQ(ReadFile(receiveDir / "report (2).txt"), "second report");

  assistance::FolderArchiveWriter::Pack(mine / "Logs", agentDir / "Tools.z");
  agent.filesOut->SendFile(agentDir / "Tools.z", "Tools");
  ASSERT_TRUE(Said("FOLDER received " + (receiveDir / "Tools")));
  EXPECT_EQ(FolderContents(receiveDir.path() / "Tools"), FolderContents(mine.path() / "Logs"));

  // A refused file is reported, and nothing is left in the incoming folder.
  agent.acceptFiles = false;
  p.InputLine("/send " + (mine / "big.bin"));
  EXPECT_TRUE(Said("FILE refused " + fs::absolute(mine / "big.bin").string()));
  EXPECT_TRUE(fs::is_empty(receiveDir.path() / ".corvane-incoming"));
}

TEST_F(SessionTest, ScriptDrivesTheCustomerAndWaitsForTheAgent) {
  TempFolder scripts;
  WriteFile(scripts / "s.txt", "chat first\nwait-chat\nchat got your answer\nwait 2\nclip scripted\nquit\n");
  ClientOptions options = Options();
  options.scriptPath = scripts / "s.txt";
  CustomerProgram& p = Connected(options);
  ASSERT_TRUE(WaitFor([&] { return agent.log.Contains("chat first"); }));
  agent.chatOut->SendText("What is wrong?");
  ASSERT_TRUE(WaitFor([&] { return agent.log.Contains("chat got your answer"); }));
  loop.advance(1999);
  EXPECT_TRUE(WaitFor([&] { return agent.clipboard->Text().empty(); }));
  loop.advance(1);
  EXPECT_TRUE(WaitFor([&] { return agent.clipboard->Text() == "scripted"; }));
  EXPECT_TRUE(WaitFor([&] { return p.Finished(); }));
  EXPECT_EQ(p.ExitCode(), kExitSessionHeld);
  EXPECT_TRUE(out.Contains("STATE ended reason=customer"));
}

// Every way a session ends: what the customer program says, its exit status, the letter recorded
// at the service, and the end of the call at the agent.
struct EndCase {
  const char* name;
  std::function<void(ClientFixture&, CustomerProgram&)> end;
  const char* state;
  int exitCode;
  const char* closing;  // letters at the service
};

inline void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class SessionEndTest : public ClientFixture, public ::testing::WithParamInterface<EndCase> {};

TEST_P(SessionEndTest, EndsCleanly) {
  const EndCase& c = GetParam();
  CustomerProgram& p = Connected(Options());
  ASSERT_TRUE(WaitFor([&] { return agent.frames > 0; }));
  c.end(*this, p);
  ASSERT_TRUE(WaitFor([&] { return p.Finished(); }));
  EXPECT_TRUE(out.Contains(c.state)) << ::testing::PrintToString(out.Lines());
  EXPECT_EQ(p.ExitCode(), c.exitCode);
  EXPECT_EQ(service.Closings(), std::vector<std::string>{c.closing});
  EXPECT_EQ(listener.Actions().back(), 4);
  // The customer closed every channel: the agent sees all eleven connections end.
  EXPECT_TRUE(WaitFor([&] { return agent.server.ConnectionCount() == 0; }));
  EXPECT_FALSE(fs::exists(receiveDir.path() / ".corvane-incoming"));
}

INSTANTIATE_TEST_SUITE_P(
    Ends, SessionEndTest,
    ::testing::Values(
        EndCase{"AgentsDot",
                [](ClientFixture& f, CustomerProgram&) { f.agent.commandsOut->SendCommand("."); },
                "STATE ended reason=agent", kExitSessionHeld, ""},
        EndCase{"CustomersDotAnswered",
                [](ClientFixture&, CustomerProgram& p) { p.InputLine("."); },
                "STATE ended reason=customer", kExitSessionHeld, ""},
        EndCase{"CustomersDotUnanswered",
                [](ClientFixture& f, CustomerProgram& p) {
                  auto& t = f;
                  t.agent.answerGoodbye = false;
                  p.InputLine("/quit");
                  ASSERT_TRUE(t.WaitFor([&] { return t.agent.log.Contains("command ."); }));
                  t.loop.advance(5000);
                },
                "STATE ended reason=customer", kExitSessionHeld, ""},
        EndCase{"Interrupted",
                [](ClientFixture&, CustomerProgram& p) { p.Interrupt(); },
                "STATE ended reason=customer", kExitSessionHeld, ""},
        EndCase{"NetworkLost",
                [](ClientFixture& f, CustomerProgram& p) {
                  auto& t = f;
                  t.agent.Stop();
                  ASSERT_TRUE(t.WaitFor([&] { return p.Session()->LossSuspected(); }));
                  t.loop.advance(kLossGraceMs);
                },
                "STATE lost", kExitSessionLost, "N"}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });
