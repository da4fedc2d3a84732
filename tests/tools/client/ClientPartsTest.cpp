// The customer program's parts that need no peer: command line, call headers and answers, the
// service's answer, chat scripts, received file names, changed regions and progress lines.

#include <gtest/gtest.h>

#include "AgentCall.h"
#include "ChatScript.h"
#include "ClientError.h"
#include "ClientOptions.h"
#include "FrameEncoder.h"
#include "HelpDesk.h"
#include "ProgressOutput.h"
#include "ReceivedFiles.h"
#include "base/CommaText.h"
#include "base/Cp1252.h"
#include "base/ManualLoop.h"

using namespace corvane;
using namespace corvane::client;

namespace {

std::vector<std::string> Words(std::initializer_list<const char*> words) {
  return std::vector<std::string>(words.begin(), words.end());
}

std::string HeaderValue(const HeaderList& headers, const std::string& name) {
  for (const auto& [n, v] : headers)
    if (n == name) return v;
  return "<absent>";
}

}  // namespace

TEST(ClientCommandLine, ValidLinesAndTheirMeaning) {
  ClientOptions o = ParseCommandLine(Words({"--service", "http://h:8090/root", "--group", "7", "--name=Bob",
                                            "--screen", "800x600", "--send", "/", "/tmp", "--auto",
                                            "--duration", "1.5", "--ring-timeout", "30"}));
  EXPECT_EQ(o.serviceUrl, "http://h:8090/root/");
  EXPECT_EQ(o.groupId, "7");
  EXPECT_EQ(o.name, "Bob");
  EXPECT_EQ(o.screenWidth, 800);
  EXPECT_EQ(o.screenHeight, 600);
  EXPECT_EQ(o.sendPaths, Words({"/", "/tmp"}));
  EXPECT_TRUE(o.autoMode);
  EXPECT_EQ(o.durationMs, 1500u);
  EXPECT_EQ(o.ringTimeoutMs, 30000u);
  EXPECT_TRUE(o.UsesService());

  o = ParseCommandLine(Words({"--agent", "127.0.0.1:8200", "--agent", "[::1]:8201"}));
  ASSERT_EQ(o.agents.size(), 2u);
  EXPECT_EQ(o.agents[0], (AgentAddress{"127.0.0.1", 8200}));
  EXPECT_EQ(o.agents[1], (AgentAddress{"::1", 8201}));
  EXPECT_FALSE(o.UsesService());
  EXPECT_TRUE(ParseCommandLine(Words({"--help"})).help);
  EXPECT_EQ(o.headerCharset, HeaderCharset::Utf8);
  EXPECT_EQ(ParseCommandLine(Words({"--agent", "h:1", "--header-charset=windows-1252"})).headerCharset,
            HeaderCharset::Windows1252);
}

TEST(ClientCommandLine, FaultyLinesNameTheirFault) {
  struct Case {
    std::vector<std::string> args;
    std::string expected;  // part of the message
  };
  const std::vector<Case> cases = {
      {Words({}), "--service URL and --group ID"},
      {Words({"--service", "http://h/"}), "--service URL and --group ID"},
      {Words({"--service", "ftp://h/", "--group", "1"}), "http://"},
      {Words({"--service", "http://h/", "--group", "1", "--agent", "a:1"}), "exclude"},
      {Words({"--agent", "nohost"}), "HOST:PORT"},
      {Words({"--agent", "h:0"}), "HOST:PORT"},
      {Words({"--agent", "h:70000"}), "HOST:PORT"},
      {Words({"--agent", "a b:1"}), "HOST:PORT"},
      {Words({"--agent", "h:1", "--screen", "10x10"}), "--screen"},
      {Words({"--agent", "h:1", "--screen", "800"}), "--screen"},
      {Words({"--agent", "h:1", "--duration", "-1"}), "--duration"},
      {Words({"--agent", "h:1", "--duration", "1.2345"}), "--duration"},
      {Words({"--agent", "h:1", "--poll-interval", "20000"}), "--poll-interval"},
      {Words({"--agent", "h:1", "--send", "/no/such/file"}), "does not exist"},
      {Words({"--agent", "h:1", "--chat-script", "/no/such/script"}), "--chat-script"},
      {Words({"--agent", "h:1", "--auto=yes"}), "takes no value"},
      {Words({"--agent", "h:1", "--name"}), "expects a value"},
      {Words({"--agent", "h:1", "--frobnicate"}), "Unknown option"},
      {Words({"--agent", "h:1", "--header-charset", "latin1"}), "--header-charset"},
  };
  for (const Case& c : cases) {
    try {
      ParseCommandLine(c.args);
      ADD_FAILURE() << "accepted: " << ::testing::PrintToString(c.args);
    } catch (const CommandLineError& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos)
          << ::testing::PrintToString(c.args) << " -> " << e.what();
    }
  }
}

TEST(ClientCallHeaders, NewCallCarriesTheCallersDataOthersOnlyTheCall) {
  CallerInfo caller{"42", "Ada\r\nLovelace", "ada@example.invalid", "  C042 ",
                    "First line, with comma\r\n\r\n\"Quoted\" last"};
  const HeaderList first = CallHeaders(caller, kActionNewCall, 3);
  EXPECT_EQ(HeaderValue(first, "DAD-AssistanceID"), "42");
  EXPECT_EQ(HeaderValue(first, "DAD-Action"), "1");
  EXPECT_EQ(HeaderValue(first, "DAD-AgentCount"), "3");
  EXPECT_EQ(HeaderValue(first, "DAD-ClientNom"), "Ada  Lovelace");  // no line break in a header
  EXPECT_EQ(HeaderValue(first, "DAD-ClientEMail"), "ada@example.invalid");
  EXPECT_EQ(HeaderValue(first, "DAD-ClientID"), "C042");
  EXPECT_EQ(HeaderValue(first, "DAD-TypeClient"), "1");
  // The agent reads the description back as its lines.
  EXPECT_EQ(base::ParseCommaText(HeaderValue(first, "DAD-Description")),
            Words({"First line, with comma", "", "\"Quoted\" last"}));

  // The Windows code page of older customer programs, on request; what it lacks becomes "?".
  CallerInfo accents{"A\xC3\xA9", "Zo\xC3\xA9", "z\xC3\xA9@example.invalid", "\xC3\xA9" "1",
                     "caf\xC3\xA9\n\xE2\x82\xAC \xE2\x98\x83", HeaderCharset::Windows1252};
  const HeaderList old = CallHeaders(accents, kActionNewCall, 1);
  EXPECT_EQ(HeaderValue(old, "DAD-AssistanceID"), "A\xE9");
  EXPECT_EQ(HeaderValue(old, "DAD-ClientNom"), "Zo\xE9");
  EXPECT_EQ(HeaderValue(old, "DAD-ClientEMail"), "z\xE9@example.invalid");
  EXPECT_EQ(HeaderValue(old, "DAD-ClientID"), "\xE9" "1");
  EXPECT_EQ(base::ParseCommaText(HeaderValue(old, "DAD-Description")), Words({"caf\xE9", "\x80 ?"}));
  EXPECT_EQ(HeaderValue(CallHeaders(accents, kActionPoll, 1), "DAD-AssistanceID"), "A\xE9");

  caller.identifier = "   ";
  EXPECT_EQ(HeaderValue(CallHeaders(caller, kActionNewCall, 1), "DAD-TypeClient"), "0");
  const HeaderList poll = CallHeaders(caller, kActionPoll, 1);
  EXPECT_EQ(poll.size(), 3u);
  EXPECT_EQ(HeaderValue(poll, "DAD-ClientNom"), "<absent>");
}

TEST(ClientCallHeaders, LongDescriptionsFitTheAgentsHeaderLimit) {
  std::string many;
  for (int i = 0; i < 500; ++i) many += "line number " + std::to_string(i) + "\n";
  const std::string header = DescriptionHeader(many);
  EXPECT_LE(header.size(), kMaxCallHeaderValue);
  const auto lines = base::ParseCommaText(header);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "line number 0");

  const std::string oneLine(20000, '"');
  EXPECT_LE(DescriptionHeader(oneLine).size(), kMaxCallHeaderValue);
  // A cut never splits a character.
  std::string accents;
  for (int i = 0; i < 5000; ++i) accents += "\xC3\xA9";
  const std::string cut = DescriptionHeader(accents);
  EXPECT_LE(cut.size(), kMaxCallHeaderValue);
  EXPECT_TRUE(base::IsValidUtf8(cut));
}

TEST(ClientCallAnswers, ReadAsTheListenerWritesThem) {
  struct Case {
    long status;
    std::vector<std::pair<std::string, std::string>> headers;
    bool throws;
    CallAnswer::Kind kind;
    uint16_t port;
  };
  const std::vector<Case> cases = {
      {200, {}, false, CallAnswer::Kind::Pending, 0},
      {200, {{"DAD-Reponse", "NOK"}}, false, CallAnswer::Kind::Refused, 0},
      {200, {{"dad-reponse", "OK"}, {"DAD-Port", "5003"}}, false, CallAnswer::Kind::Accepted, 5003},
      {200, {{"DAD-Reponse", "OK"}}, true, {}, 0},
      {200, {{"DAD-Reponse", "OK"}, {"DAD-Port", "0"}}, true, {}, 0},
      {200, {{"DAD-Reponse", "OK"}, {"DAD-Port", "99999"}}, true, {}, 0},
      {200, {{"DAD-Reponse", "OK"}, {"DAD-Port", "12ab"}}, true, {}, 0},
      {200, {{"DAD-Reponse", "maybe"}}, false, CallAnswer::Kind::Pending, 0},
      {500, {{"DAD-Reponse", "OK"}, {"DAD-Port", "5003"}}, true, {}, 0},
  };
  for (const Case& c : cases) {
    HttpAnswer answer;
    answer.status = c.status;
    answer.headers = c.headers;
    if (c.throws) {
      EXPECT_THROW(ReadCallAnswer(answer), HttpError) << ::testing::PrintToString(c.headers);
      continue;
    }
    const CallAnswer read = ReadCallAnswer(answer);
    EXPECT_EQ(read.kind, c.kind) << ::testing::PrintToString(c.headers);
    EXPECT_EQ(read.port, c.port);
  }
}

TEST(ClientServiceAnswer, AgentsAreCheckedAndCapped) {
  std::string body = "AssistanceID=17\r\nJeton=0a1b\r\nAgent=127.0.0.1:8200\nAgent=bad line\nAgent=h:0\nNoise=1\nAgent=::1:8300\n";
  for (int i = 0; i < 40; ++i) body += "Agent=10.0.0." + std::to_string(i) + ":9000\n";
  const client::HelpRequestAnswer answer = ParseHelpRequestAnswer(body);
  EXPECT_EQ(answer.assistanceId, "17");
  EXPECT_EQ(answer.token, "0a1b");
  EXPECT_EQ(ParseHelpRequestAnswer("AssistanceID=18\n").token, "");  // a service without tokens
  ASSERT_EQ(answer.agents.size(), kMaxAgentsCalled);
  EXPECT_EQ(answer.agents[0], (AgentAddress{"127.0.0.1", 8200}));
  EXPECT_EQ(answer.agents[1], (AgentAddress{"::1", 8300}));
  EXPECT_EQ(answer.agents[2], (AgentAddress{"10.0.0.0", 9000}));

  for (const char* bad : {"", "Agent=1.2.3.4:5\n", "AssistanceID=\n", "AssistanceID=a b\n", "AssistanceID=1\nJeton=a b\n"})
    EXPECT_THROW(ParseHelpRequestAnswer(bad), ServiceError) << bad;
  EXPECT_EQ(WindowsLineBreaks("a\nb\r\nc\rd"), "a\r\nb\r\nc\r\nd");
}

TEST(ClientScript, StepsAndFaults) {
  const auto steps = ParseScript("# greet\nchat Hello there  \n\nwait 1.25\nwait-chat\nclip x y\nsend /tmp/f\n"
                                 "command\nquit");
  ASSERT_EQ(steps.size(), 7u);
  EXPECT_EQ(steps[0].kind, ScriptStep::Kind::Chat);
  EXPECT_EQ(steps[0].text, "Hello there");
  EXPECT_EQ(steps[1].ms, 1250u);
  EXPECT_EQ(steps[2].kind, ScriptStep::Kind::WaitChat);
  EXPECT_EQ(steps[3].text, "x y");
  EXPECT_EQ(steps[5].kind, ScriptStep::Kind::Command);
  EXPECT_EQ(steps[6].kind, ScriptStep::Kind::Quit);

  for (const char* bad : {"chat", "wait", "wait soon", "wait 1.5555", "dance now", "quit now", "send"})
    EXPECT_THROW(ParseScript(std::string("chat ok\n") + bad), ScriptError) << bad;
  try {
    ParseScript("chat ok\n\nfly away");
  } catch (const ScriptError& e) {
    EXPECT_NE(std::string(e.what()).find("Line 3"), std::string::npos) << e.what();
  }
}

TEST(ClientScript, WaitChatConsumesOneAgentMessageEach) {
  base::ManualLoop loop;
  std::vector<std::string> done;
  ScriptActions actions;
  actions.chat = [&](const std::string& t) { done.push_back(t); };
  actions.quit = [&] { done.push_back("quit"); };
  ScriptRunner runner(loop, ParseScript("chat a\nwait-chat\nchat b\nwait 2\nwait-chat\nchat c\nquit"), actions);
  runner.Start();
  EXPECT_EQ(done, Words({"a"}));
  runner.AgentChat();
  EXPECT_EQ(done, Words({"a", "b"}));
  runner.AgentChat();  // arrives during the wait: the next wait-chat is already satisfied
  loop.advance(1999);
  EXPECT_EQ(done.size(), 2u);
  loop.advance(1);
  EXPECT_EQ(done, Words({"a", "b", "c", "quit"}));
  EXPECT_TRUE(runner.Done());
}

TEST(ClientReceivedFiles, AgentNamesBecomeSafeLocalNames) {
  struct Case {
    const char* sender;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"C:\\Users\\agent\\report.txt", "report.txt"},
      {"/home/agent/notes.md", "notes.md"},
      {"..", "fallback"},
      {"C:\\dir\\..", "fallback"},
      {"", "fallback"},
      {".bashrc", "bashrc"},
      {"a\x01" "b?c.txt", "a_b_c.txt"},
      {"name. ", "name"},
      {"caf\xE9.txt", "caf\xC3\xA9.txt"},  // Windows-1252 from an old agent
  };
  for (const Case& c : cases) EXPECT_EQ(ReceivedFiles::SafeName(c.sender, "fallback"), c.expected) << c.sender;
  const std::string longName = std::string(300, 'x') + ".pdf";
  const std::string shortened = ReceivedFiles::SafeName(longName, "f");
  EXPECT_LE(shortened.size(), kMaxReceivedNameLength);
  EXPECT_EQ(shortened.substr(shortened.size() - 4), ".pdf");
}

TEST(ClientFrames, ChangedRegionsCoverEveryDifferenceAndJoinRuns) {
  session::Image a(100, 50, 0xFF000000u), b = a;
  b.at(0, 0) = 1;    // tile (0,0)
  b.at(20, 5) = 1;   // tile (1,0): joined with (0,0) on the row
  b.at(99, 49) = 1;  // the last, partial tile
  for (int y = 16; y < 48; ++y) b.at(40, y) = 1;  // tiles (2,1) and (2,2): joined downwards
  const auto regions = FrameEncoder::ChangedRegions(a, b, 16);
  const std::vector<session::TRect> expected = {{0, 0, 32, 16}, {32, 16, 48, 48}, {96, 48, 100, 50}};
  EXPECT_EQ(regions, expected);
  EXPECT_TRUE(FrameEncoder::ChangedRegions(a, a, 16).empty());
}

TEST(ClientOutput, PeerTextsNeverSpanTwoLines) {
  EXPECT_EQ(ProgressOutput::Escape("a\\b\r\nc\x01\x7F" "\xC3\xA9"), "a\\\\b\\r\\nc\\x01\\x7F\xC3\xA9");
}
