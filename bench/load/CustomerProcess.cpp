#include "CustomerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

extern char** environ;

namespace corvane::load {

std::string CustomerProcess::Binary() { return CORVANE_CLIENT_BINARY; }

CustomerProcess::CustomerProcess(std::vector<std::string> args) {
  args.insert(args.begin(), Binary());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
  const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (spawned != 0) {
    ::close(fds[0]);
    throw std::runtime_error("cannot start " + Binary());
  }
  reader_ = std::thread([this, fd = fds[0]] {
    std::string pending;
    char buffer[8192];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
      pending.append(buffer, static_cast<size_t>(n));
      size_t nl;
      while ((nl = pending.find('\n')) != std::string::npos) {
        std::lock_guard lock(mutex_);
        lines_.push_back(Line{Clock::now(), pending.substr(0, nl)});
        pending.erase(0, nl + 1);
      }
    }
    ::close(fd);
  });
}

CustomerProcess::~CustomerProcess() {
  if (!Exited()) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status_, 0);
    exited_ = true;
  }
  reader_.join();
}

void CustomerProcess::Signal(int sig) {
  if (!exited_) ::kill(pid_, sig);
}

bool CustomerProcess::Exited() {
  if (!exited_ && ::waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
  return exited_;
}

bool CustomerProcess::ExitedNormally() const { return exited_ && WIFEXITED(status_); }

int CustomerProcess::ExitCode() const { return ExitedNormally() ? WEXITSTATUS(status_) : -1; }

std::vector<CustomerProcess::Line> CustomerProcess::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

bool CustomerProcess::Has(const std::string& line) const {
  std::lock_guard lock(mutex_);
  for (const Line& l : lines_)
    if (l.text == line) return true;
  return false;
}

bool CustomerProcess::HasPrefix(const std::string& prefix) const {
  std::lock_guard lock(mutex_);
  for (const Line& l : lines_)
    if (l.text.rfind(prefix, 0) == 0) return true;
  return false;
}

std::vector<std::string> CustomerProcess::WithPrefix(const std::string& prefix) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const Line& l : lines_)
    if (l.text.rfind(prefix, 0) == 0) out.push_back(l.text.substr(prefix.size()));
  return out;
}

CustomerProcess::Clock::time_point CustomerProcess::WhenSaid(const std::string& text) const {
  std::lock_guard lock(mutex_);
  for (const Line& l : lines_)
    if (l.text == text) return l.at;
  return {};
}

std::string CustomerProcess::Transcript() const {
  std::lock_guard lock(mutex_);
  std::string out;
  for (const Line& l : lines_) out += "  | " + l.text + "\n";
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    if (c == 'r') out += '\r';
    else if (c == 'n') out += '\n';
    else if (c == 'x' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace corvane::load
