#include "ProcessCounts.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>

namespace corvane::load {

namespace {

int CountEntries(const char* folder, const std::function<bool(const char*)>& keep) {
  DIR* dir = ::opendir(folder);
  if (!dir) return -1;
  int count = 0;
  const int own = ::dirfd(dir);
  while (dirent* e = ::readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    if (own >= 0 && std::atoi(e->d_name) == own && std::strcmp(folder, "/proc/self/fd") == 0) continue;
    if (keep(e->d_name)) ++count;
  }
  ::closedir(dir);
  return count;
}

// "local remote state" of the TCP socket with this inode, for the diagnostics.
std::string SocketText(unsigned long wanted) {
  for (const char* table : {"/proc/self/net/tcp", "/proc/self/net/tcp6"}) {
    std::FILE* f = std::fopen(table, "r");
    if (!f) continue;
    char line[512];
    std::fgets(line, sizeof line, f);
    while (std::fgets(line, sizeof line, f)) {
      char local[64], remote[64], rest[128];
      unsigned st = 0, uid = 0;
      unsigned long inode = 0;
      int slot = 0;
      if (std::sscanf(line, " %d: %63s %63s %x %127s %127s %127s %u %*d %lu", &slot, local, remote, &st, rest, rest,
                      rest, &uid, &inode) == 9 &&
          inode == wanted) {
        std::fclose(f);
        return std::string(local) + " " + remote + " state " + std::to_string(st);
      }
    }
    std::fclose(f);
  }
  return "?";
}

// Inodes of the TCP sockets with port at either end.
std::set<unsigned long> SocketsOnPort(int port) {
  std::set<unsigned long> inodes;
  for (const char* table : {"/proc/self/net/tcp", "/proc/self/net/tcp6"}) {
    std::FILE* f = std::fopen(table, "r");
    if (!f) continue;
    char line[512];
    std::fgets(line, sizeof line, f);  // header
    while (std::fgets(line, sizeof line, f)) {
      char local[64], remote[64];
      unsigned st = 0, uid = 0;
      unsigned long inode = 0;
      char rest[128];
      int slot = 0;
      if (std::sscanf(line, " %d: %63s %63s %x %127s %127s %127s %u %*d %lu", &slot, local, remote, &st, rest, rest,
                      rest, &uid, &inode) != 9)
        continue;
      for (const char* end : {local, remote}) {
        const char* colon = std::strrchr(end, ':');
        if (colon && static_cast<int>(std::strtol(colon + 1, nullptr, 16)) == port) inodes.insert(inode);
      }
    }
    std::fclose(f);
  }
  return inodes;
}

}  // namespace

ProcessCounts CountProcess(int excludePort) {
  ProcessCounts counts;
  counts.threads = CountEntries("/proc/self/task", [](const char*) { return true; });
  const std::set<unsigned long> excluded = excludePort > 0 ? SocketsOnPort(excludePort) : std::set<unsigned long>{};
  counts.descriptors = CountEntries("/proc/self/fd", [&](const char* name) {
    if (excluded.empty()) return true;
    char target[128] = {};
    const std::string path = std::string("/proc/self/fd/") + name;
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
    unsigned long inode = 0;
    if (n > 0 && std::sscanf(target, "socket:[%lu]", &inode) == 1 && excluded.count(inode)) return false;
    if (std::getenv("CORVANE_BENCH_DETAIL"))
      std::fprintf(stderr, "fd %s -> %s %s\n", name, n > 0 ? target : "?", inode ? SocketText(inode).c_str() : "");
    return true;
  });
  return counts;
}

bool PortRefusesConnections(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool refused = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno == ECONNREFUSED;
  ::close(fd);
  return refused;
}

}  // namespace corvane::load
