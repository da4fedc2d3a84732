#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "DemoError.h"

namespace corvane::demo {

namespace {

// A longer line is cut: a child cannot make the demo hold unbounded text.
constexpr size_t kMaxLineBytes = 64 * 1024;

void CloseQuietly(int fd) {
  if (fd >= 0) ::close(fd);
}

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace

ChildProcess::ChildProcess(base::MainLoop& loop, std::vector<std::string> argv) : loop_(loop) {
  if (argv.empty()) throw ChildProcessError("No program to start");
  // Everything the child needs is prepared before fork: only async-signal-safe calls follow it.
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  int output[2];
  int execStatus[2];
  if (::pipe2(output, O_CLOEXEC) != 0) throw ChildProcessError(std::string("pipe: ") + std::strerror(errno));
  if (::pipe2(execStatus, O_CLOEXEC) != 0) {
    CloseQuietly(output[0]);
    CloseQuietly(output[1]);
    throw ChildProcessError(std::string("pipe: ") + std::strerror(errno));
  }
  const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ == 0) {
    // Killed with the demo, whatever way it ends; a parent already gone means no one to serve.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    ::setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &defaults, nullptr);
    ::sigaction(SIGINT, &defaults, nullptr);
    ::sigaction(SIGTERM, &defaults, nullptr);
    if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
    ::dup2(output[1], STDOUT_FILENO);
    ::dup2(output[1], STDERR_FILENO);
    const int statusFd = execStatus[1];
    // Sockets of the console (call listener, session servers) must not live on in the child.
    if (statusFd > 3) ::close_range(3, static_cast<unsigned>(statusFd - 1), 0);
    ::close_range(static_cast<unsigned>(statusFd + 1), ~0U, 0);
    ::execv(args[0], args.data());
    const int error = errno;
    [[maybe_unused]] ssize_t written = ::write(statusFd, &error, sizeof error);
    ::_exit(127);
  }
  const int forkError = errno;
  CloseQuietly(devNull);
  CloseQuietly(output[1]);
  CloseQuietly(execStatus[1]);
  if (pid_ < 0) {
    CloseQuietly(output[0]);
    CloseQuietly(execStatus[0]);
    throw ChildProcessError(std::string("fork: ") + std::strerror(forkError));
  }
  ::setpgid(pid_, pid_);  // also from here, so that signals to the group never miss it

  int error = 0;
  ssize_t got;
  do {
    got = ::read(execStatus[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  CloseQuietly(execStatus[0]);
  if (got == static_cast<ssize_t>(sizeof error)) {
    CloseQuietly(output[0]);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    status_ = 127;
    throw ChildProcessError("Cannot start " + argv[0] + ": " + std::strerror(error));
  }
  reader_ = std::thread([this, fd = output[0]] { ReadOutput(fd); });
}

ChildProcess::~ChildProcess() {
  if (!status_) Kill();
  if (reader_.joinable()) reader_.join();
}

void ChildProcess::ReadOutput(int fd) {
  std::string pending;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buffer, static_cast<size_t>(n));
    std::vector<std::string> complete;
    size_t newline;
    while ((newline = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, newline);
      pending.erase(0, newline + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      complete.push_back(std::move(line));
    }
    if (pending.size() > kMaxLineBytes) {
      complete.push_back(pending.substr(0, kMaxLineBytes));
      pending.clear();
    }
    if (!complete.empty()) {
      std::lock_guard lock(mutex_);
      for (std::string& line : complete) lines_.push_back(std::move(line));
    }
    loop_.wake();
  }
  ::close(fd);
  {
    std::lock_guard lock(mutex_);
    if (!pending.empty()) lines_.push_back(std::move(pending));
    ended_ = true;
  }
  loop_.wake();
}

std::vector<std::string> ChildProcess::TakeLines() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out(std::make_move_iterator(lines_.begin()), std::make_move_iterator(lines_.end()));
  lines_.clear();
  return out;
}

bool ChildProcess::OutputDone() {
  std::lock_guard lock(mutex_);
  return ended_ && lines_.empty();
}

bool ChildProcess::Exited() {
  if (status_) return true;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r != pid_) return false;
  status_ = DecodeStatus(status);
  return true;
}

bool ChildProcess::WaitExit(int timeoutMs) {
  return loop_.waitPumping([this] { return Exited(); }, timeoutMs);
}

bool ChildProcess::Stop(int graceMs) {
  if (Exited()) return true;
  // The child is not reaped yet, so its process group still exists and is still its own.
  ::kill(-pid_, SIGTERM);
  if (WaitExit(graceMs)) return true;
  Kill();
  return false;
}

void ChildProcess::Kill() {
  if (Exited()) return;
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);  // in case it left its group
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  status_ = DecodeStatus(status);
}

}  // namespace corvane::demo
