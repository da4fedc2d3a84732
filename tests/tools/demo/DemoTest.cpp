// The demo's own parts and the demo program on its failure paths: programs it starts are read line
// by line, get none of its descriptors, and are always stopped, whether a step fails, the demo is
// interrupted, or the demo itself is killed. (The whole story is run by the demo_smoke test.)

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "ChildProcess.h"
#include "DemoError.h"
#include "DemoOptions.h"
#include "base/ManualLoop.h"

using namespace corvane;
using namespace corvane::demo;
namespace fs = std::filesystem;

namespace {

constexpr int kWaitMs = 20000;

// A process that neither exists nor lingers as a zombie.
bool Gone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  if (!stat) return true;
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

class TempFolder {
public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "corvane-demo-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path operator/(const std::string& name) const { return path_ / name; }

private:
  fs::path path_;
};

std::string Script(const TempFolder& folder, const std::string& name, const std::string& body) {
  const fs::path path = folder / name;
  std::ofstream(path) << "#!/bin/sh\n" << body;
  fs::permissions(path, fs::perms::owner_all);
  return path.string();
}

// Every line read so far, kept across TakeLines calls.
struct Output {
  std::vector<std::string> lines;
  void Take(ChildProcess& p) {
    for (auto& l : p.TakeLines()) lines.push_back(std::move(l));
  }
  bool Has(const std::string& part) const {
    for (const auto& l : lines)
      if (l.find(part) != std::string::npos) return true;
    return false;
  }
  // The pids the demo reported for the programs it started.
  std::set<pid_t> Pids() const {
    std::set<pid_t> pids;
    const std::regex pid(R"(\(pid (\d+)\))");
    for (const auto& l : lines)
      for (std::sregex_iterator it(l.begin(), l.end(), pid), end; it != end; ++it)
        pids.insert(static_cast<pid_t>(std::stoi((*it)[1])));
    return pids;
  }
};

}  // namespace

TEST(ChildProcessTest, ReadsLinesAndReportsTheExitStatus) {
  base::ManualLoop loop;
  ChildProcess p(loop, {"/bin/sh", "-c", "echo one; echo oops >&2; printf 'two\\r\\nthree'; exit 3"});
  Output out;
  ASSERT_TRUE(loop.pumpUntil([&] { out.Take(p); return p.OutputDone() && p.Exited(); }, kWaitMs));
  EXPECT_EQ(out.lines, (std::vector<std::string>{"one", "oops", "two", "three"}));
  EXPECT_EQ(p.ExitStatus(), 3);

  EXPECT_THROW(ChildProcess(loop, {"/nonexistent/program"}), ChildProcessError);
}

TEST(ChildProcessTest, StopEscalatesAndTheDestructorKills) {
  base::ManualLoop loop;
  pid_t stubborn = 0;
  {
    // Ignores SIGTERM: Stop has to use SIGKILL.
    ChildProcess p(loop, {"/bin/sh", "-c", "trap '' TERM; echo ready; while :; do sleep 1; done"});
    Output out;
    ASSERT_TRUE(loop.pumpUntil([&] { out.Take(p); return out.Has("ready"); }, kWaitMs));
    stubborn = p.Pid();
    EXPECT_FALSE(p.Stop(200));
    EXPECT_EQ(p.ExitStatus(), 128 + SIGKILL);
  }
  EXPECT_TRUE(Gone(stubborn));

  pid_t left = 0;
  {
    ChildProcess p(loop, {"/bin/sh", "-c", "echo ready; exec sleep 300"});
    Output out;
    ASSERT_TRUE(loop.pumpUntil([&] { out.Take(p); return out.Has("ready"); }, kWaitMs));
    left = p.Pid();
  }
  EXPECT_TRUE(Gone(left));
}

TEST(ChildProcessTest, TheChildGetsOnlyTheStandardDescriptors) {
  // A listening socket of this process (the console's call listener, say) must not live on in a
  // child: the port would stay taken after the console closed it.
  const int listening = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listening, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listening, 4), 0);

  base::ManualLoop loop;
  ChildProcess p(loop, {"/bin/sh", "-c", "ls /proc/$$/fd"});
  Output out;
  ASSERT_TRUE(loop.pumpUntil([&] { out.Take(p); return p.OutputDone() && p.Exited(); }, kWaitMs));
  ::close(listening);
  std::set<std::string> fds(out.lines.begin(), out.lines.end());
  // The shell's own descriptors: the three standard ones, and at most one it opened to list them.
  EXPECT_TRUE(fds.count("0") && fds.count("1") && fds.count("2"));
  EXPECT_FALSE(fds.count(std::to_string(listening))) << ::testing::PrintToString(out.lines);
}

TEST(DemoOptionsTest, BadCommandLinesAreRefused) {
  const std::vector<std::vector<std::string>> bad = {
      {"--duration"}, {"--duration", "-1"}, {"--duration", "2s"}, {"--duration", "601"},
      {"--lang", "de"}, {"--step-timeout", "0"}, {"--output", ""}, {"--frobnicate"}};
  for (const auto& args : bad) EXPECT_THROW(ParseDemoOptions(args), DemoUsageError) << args[0];

  const DemoOptions o = ParseDemoOptions({"--duration", "1.5", "--lang", "fr", "--step-timeout", "3", "--keep-temp"});
  EXPECT_EQ(o.sessionMs, 1500u);
  EXPECT_EQ(o.language, "fr");
  EXPECT_EQ(o.stepTimeoutMs, 3000u);
  EXPECT_TRUE(o.keepTemporary);
}

// The demo program itself, started as a process, on the ways it can fail.
class DemoProgramTest : public ::testing::Test {
protected:
  std::unique_ptr<ChildProcess> StartDemo(std::vector<std::string> args) {
    args.insert(args.begin(), {CORVANE_DEMO_BINARY, "--output", (folder / "output").string()});
    return std::make_unique<ChildProcess>(loop, args);
  }
  // Waits for the demo's end; every program it reported must be gone.
  void ExpectEndedWithNothingLeft(ChildProcess& demo, int status) {
    ASSERT_TRUE(loop.pumpUntil([&] { out.Take(demo); return demo.OutputDone() && demo.Exited(); }, 60000));
    EXPECT_EQ(demo.ExitStatus(), status) << ::testing::PrintToString(out.lines);
    const std::set<pid_t> pids = out.Pids();
    EXPECT_EQ(pids.size(), 2u) << ::testing::PrintToString(out.lines);
    for (pid_t pid : pids) EXPECT_TRUE(loop.pumpUntil([&] { return Gone(pid); }, kWaitMs)) << pid;
  }

  base::ManualLoop loop;
  TempFolder folder;
  Output out;
};

TEST_F(DemoProgramTest, AFailedStepStopsEveryProgram) {
  // A customer program that never calls: the dialog never rings.
  const std::string silent = Script(folder, "silent-customer", "exec sleep 300\n");
  auto demo = StartDemo({"--client-program", silent, "--step-timeout", "2"});
  ExpectEndedWithNothingLeft(*demo, 1);
  EXPECT_TRUE(out.Has("FAIL  the incoming-call dialog rings"));
  EXPECT_TRUE(out.Has("ok    no process of the demo is left"));
}

TEST_F(DemoProgramTest, AnInterruptedDemoStopsEveryProgram) {
  const std::string silent = Script(folder, "silent-customer", "exec sleep 300\n");
  auto demo = StartDemo({"--client-program", silent});
  ASSERT_TRUE(loop.pumpUntil([&] { out.Take(*demo); return out.Has("started the customer program"); }, kWaitMs));
  ::kill(demo->Pid(), SIGTERM);
  ExpectEndedWithNothingLeft(*demo, 1);
  EXPECT_TRUE(out.Has("the demo was interrupted"));
}

TEST_F(DemoProgramTest, AKilledDemoTakesItsProgramsAlong) {
  const std::string silent = Script(folder, "silent-customer", "exec sleep 300\n");
  auto demo = StartDemo({"--client-program", silent});
  ASSERT_TRUE(loop.pumpUntil([&] { out.Take(*demo); return out.Has("started the customer program"); }, kWaitMs));
  demo->Kill();
  const std::set<pid_t> pids = out.Pids();
  ASSERT_EQ(pids.size(), 2u);
  for (pid_t pid : pids) EXPECT_TRUE(loop.pumpUntil([&] { return Gone(pid); }, kWaitMs)) << pid;
}
