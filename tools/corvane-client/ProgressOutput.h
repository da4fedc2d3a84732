#pragma once
// The program's progress lines: one event per line, a keyword first ("STATE connected",
// "CHAT agent Hello"), meant to be read by people and by test scripts alike. Texts coming from a
// peer are escaped so that one event never spans two lines: backslash as "\\", CR as "\r", LF as
// "\n", other control bytes as "\xHH".
//
// Threads: Line may be called from any thread; the sink is called under mutex_, one whole line at
// a time.

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace corvane::client {

class ProgressOutput {
public:
  using Sink = std::function<void(const std::string& line)>;
  explicit ProgressOutput(Sink sink) : sink_(std::move(sink)) {}

  // Writes keyword and the parts, separated by single blanks.
  void Line(std::string_view keyword, std::string_view detail = {});
  // Verbose lines are only written when verbose output was asked for.
  void Verbose(std::string_view keyword, std::string_view detail);
  bool verbose = false;

  static std::string Escape(std::string_view text);

private:
  std::mutex mutex_;
  Sink sink_;
};

}  // namespace corvane::client
