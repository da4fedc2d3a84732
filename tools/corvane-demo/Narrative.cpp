#include "Narrative.h"

namespace corvane::demo {

void Narrative::Print(const std::string& text) {
  std::fputs(text.c_str(), out_);
  std::fputc('\n', out_);
  std::fflush(out_);
}

void Narrative::Title(const std::string& text) { Print(text); }

void Narrative::Step(const std::string& title) {
  Print("");
  Print("[" + std::to_string(++step_) + "] " + title);
}

void Narrative::Say(const std::string& text) {
  // Multi-line texts stay indented under the step.
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      Print("    " + line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  Print("    " + line);
}

void Narrative::Peer(const std::string& who, const std::string& line) {
  std::string name = who;
  if (name.size() < 8) name.resize(8, ' ');
  Print("      " + name + "| " + line);
}

bool Narrative::Check(bool ok, const std::string& what, const std::string& whyNot) {
  if (ok) {
    ++held_;
    Print("  ok    " + what);
  } else {
    const std::string text = whyNot.empty() ? what : what + ": " + whyNot;
    failures_.push_back("[" + std::to_string(step_) + "] " + text);
    Print("  FAIL  " + text);
  }
  return ok;
}

void Narrative::Failure(const std::string& text) {
  failures_.push_back("[" + std::to_string(step_) + "] " + text);
  Print("  FAIL  " + text);
}

int Narrative::Summary() {
  Print("");
  if (failures_.empty()) {
    Print("Every check held (" + std::to_string(held_) + ").");
    return 0;
  }
  Print(std::to_string(failures_.size()) + " check(s) failed, " + std::to_string(held_) + " held:");
  for (const std::string& f : failures_) Print("  " + f);
  return 1;
}

}  // namespace corvane::demo
