#pragma once
// Runs a measurement in a child process of this same program, so that the peak resident memory
// of each measurement is its own, and a scratch folder for generated bench data.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvane::bench {

// Peak resident memory of the calling process's own image, in MiB (VmHWM). Unlike ru_maxrss it
// does not carry over the parent's pages from before exec.
inline double PeakRssMiB() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  double kib = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "VmHWM: %lf kB", &kib) == 1) break;
  std::fclose(f);
  return kib / 1024.0;
}

// Runs "/proc/self/exe args..." and returns what it printed on its standard output.
inline std::string RunChild(const std::vector<std::string>& args) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    std::vector<char*> argv;
    static const std::string self = "/proc/self/exe";
    argv.push_back(const_cast<char*>(self.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(self.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("measurement failed: " + (args.empty() ? std::string() : args[0]) + " " + out);
  return out;
}

// A scratch folder under the system's temporary folder, deleted with its contents.
class ScratchFolder {
public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

private:
  std::filesystem::path path_;
};

// A fast deterministic generator for bench data.
class XorShift {
public:
  explicit XorShift(uint64_t seed) : s_(seed ? seed : 1) {}
  uint64_t Next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 7;
    s_ ^= s_ << 17;
    return s_;
  }
  void Fill(char* out, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      const uint64_t v = Next();
      std::memcpy(out + i, &v, 8);
    }
    for (; i < n; ++i) out[i] = static_cast<char>(Next());
  }

private:
  uint64_t s_;
};

}  // namespace corvane::bench
