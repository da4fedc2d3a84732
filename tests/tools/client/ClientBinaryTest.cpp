// The corvane-client program itself: its command line, and an unattended session against a fake
// agent, left on SIGTERM as a test or a demo would stop it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "ClientFixture.h"

using namespace corvane;
using namespace corvane::client;
using namespace corvane::client::testing;

namespace {

// The program run with a pipe on its standard output; each line read goes to the log.
class ChildProcess {
public:
  explicit ChildProcess(std::vector<std::string> args) {
    // Everything the child needs is prepared before fork: only async-signal-safe calls follow it.
    args.insert(args.begin(), CORVANE_CLIENT_BINARY);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(pipeFds[1], STDOUT_FILENO);
      const int devNull = ::open("/dev/null", O_RDONLY);
      ::dup2(devNull, STDIN_FILENO);
      ::close(pipeFds[0]);
      ::close(pipeFds[1]);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(pipeFds[1]);
    reader_ = std::thread([this, fd = pipeFds[0]] {
      std::string pending;
      char buffer[4096];
      ssize_t n;
      while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
        pending.append(buffer, static_cast<size_t>(n));
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
          lines.Add(pending.substr(0, nl));
          pending.erase(0, nl + 1);
        }
      }
      ::close(fd);
    });
  }
  ~ChildProcess() {
    if (!exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    reader_.join();
  }
  void Signal(int sig) { ::kill(pid_, sig); }
  // True once the program ended; its exit status is then in status.
  bool Exited() {
    if (!exited_ && ::waitpid(pid_, &status, WNOHANG) == pid_) exited_ = true;
    return exited_;
  }

  Log lines;
  int status = -1;

private:
  pid_t pid_ = -1;
  bool exited_ = false;
  std::thread reader_;
};

}  // namespace

class ClientBinaryTest : public ClientFixture {};

TEST_F(ClientBinaryTest, HelpAndBadCommandLines) {
  ChildProcess help({"--help"});
  ASSERT_TRUE(WaitFor([&] { return help.Exited(); }));
  EXPECT_EQ(WEXITSTATUS(help.status), 0);
  EXPECT_TRUE(help.lines.HasPrefix("Usage: corvane-client"));
  EXPECT_TRUE(help.lines.HasPrefix("  --chat-script FILE"));

  ChildProcess bad({"--agent", "nowhere"});
  ASSERT_TRUE(WaitFor([&] { return bad.Exited(); }));
  EXPECT_EQ(WEXITSTATUS(bad.status), kExitUsage);
}

TEST_F(ClientBinaryTest, UnattendedSessionEndsOnTermination) {
  listener.Answer(FakeCallListener::Plan::Accept, 1, agent.Port());
  ChildProcess client({"--agent", "127.0.0.1:" + std::to_string(listener.Port()), "--auto", "--hello",
                       "Hello from the program", "--screen", "200x160", "--poll-interval", "50",
                       "--receive-dir", receiveDir.path().string()});
  ASSERT_TRUE(WaitFor([&] { return client.lines.Contains("STATE connected") && agent.AllBound(); }));
  ASSERT_TRUE(WaitFor([&] { return agent.log.Contains("chat Hello from the program"); }));
  ASSERT_TRUE(WaitFor([&] { return agent.log.Contains("size 200x160") && agent.frames > 1; }));
  agent.inputs->MouseDown(session::mbLeft, 20, 30);
  ASSERT_TRUE(WaitFor([&] { return client.lines.Contains("INPUT click left 20 30"); }));

  client.Signal(SIGTERM);
  ASSERT_TRUE(WaitFor([&] { return client.Exited(); }));
  EXPECT_TRUE(agent.log.Contains("command ."));
  EXPECT_TRUE(client.lines.Contains("STATE ended reason=customer"));
  ASSERT_TRUE(WIFEXITED(client.status));
  EXPECT_EQ(WEXITSTATUS(client.status), kExitSessionHeld);
  EXPECT_EQ(listener.Actions().back(), 4);
}
