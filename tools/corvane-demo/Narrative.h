#pragma once
// What the demo prints: numbered steps, plain lines, the lines of the programs it runs (prefixed
// with their name), and checks, each of which either held ("ok") or failed ("FAIL"). The failed
// checks decide the demo's exit status.
//
// Main thread only.

#include <cstdio>
#include <string>
#include <vector>

namespace corvane::demo {

class Narrative {
public:
  explicit Narrative(std::FILE* out = stdout) : out_(out) {}

  void Title(const std::string& text);
  void Step(const std::string& title);
  void Say(const std::string& text);
  // A line written by another program (who: "service", "customer").
  void Peer(const std::string& who, const std::string& line);
  // Records and prints one check; returns ok.
  bool Check(bool ok, const std::string& what, const std::string& whyNot = {});
  // A failure that is no check of its own (an error box of the console, an interruption).
  void Failure(const std::string& text);

  int Held() const { return held_; }
  int Failed() const { return static_cast<int>(failures_.size()); }
  const std::vector<std::string>& Failures() const { return failures_; }
  // The closing summary; returns the exit status (0 when every check held).
  int Summary();

private:
  void Print(const std::string& text);

  std::FILE* out_;
  int step_ = 0;
  int held_ = 0;
  std::vector<std::string> failures_;
};

}  // namespace corvane::demo
