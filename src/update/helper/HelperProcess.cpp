#include "update/helper/HelperProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

extern char** environ;

namespace corvane::update::helper {

namespace {

// True while /proc shows the process and it is not a zombie (an ended process not yet reaped by
// its parent counts as ended).
bool ProcessRunning(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return false;
  const size_t paren = text.rfind(')');
  return paren != std::string::npos && paren + 2 < text.size() && text[paren + 2] != 'Z';
}

bool CopyFile(const std::string& src, const std::string& dest) {
  const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  std::string tmp = dest + ".UPDTXXXXXX";
  const int out = ::fstat(in, &st) == 0 ? ::mkostemp(tmp.data(), O_CLOEXEC) : -1;
  bool ok = out >= 0;
  char buffer[1 << 16];
  while (ok) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; ok && done < n;) {
      const ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      ok = w > 0;
      done += w;
    }
  }
  ::close(in);
  if (out >= 0) {
    ok = ok && ::fchmod(out, st.st_mode & 07777) == 0 && ::fsync(out) == 0;
    ok = ::close(out) == 0 && ok;
    ok = ok && ::rename(tmp.c_str(), dest.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
  }
  return ok;
}

}  // namespace

void WaitForProcessEnd(pid_t pid) {
#ifdef SYS_pidfd_open
  const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (fd >= 0) {
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
    ::close(fd);
    return;
  }
  if (errno == ESRCH) return;
#endif
  while (ProcessRunning(pid)) std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

bool MoveReplacing(const std::string& src, const std::string& dest) {
  if (::rename(src.c_str(), dest.c_str()) == 0) return true;
  if (errno != EXDEV) return false;
  if (!CopyFile(src, dest)) return false;
  ::unlink(src.c_str());
  return true;
}

int SpawnDetached(const std::string& exe, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);

  pid_t child = 0;
  const int error = ::posix_spawn(&child, exe.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return error;
}

}  // namespace corvane::update::helper
