#include "ChatScript.h"

#include <charconv>

#include "ClientError.h"
#include "ClientLimits.h"

namespace corvane::client {

namespace {

std::string TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

uint32_t ParseWait(std::string_view text, int line) {
  const size_t dot = text.find('.');
  uint64_t whole = 0, millis = 0;
  std::string_view head = text.substr(0, dot);
  auto bad = [&] { return ScriptError("Line " + std::to_string(line) + ": wait expects seconds, not \"" + std::string(text) + "\""); };
  auto [p, ec] = std::from_chars(head.data(), head.data() + head.size(), whole);
  if (head.empty() || ec != std::errc() || p != head.data() + head.size() || whole > 86400) throw bad();
  if (dot != std::string_view::npos) {
    std::string tail(text.substr(dot + 1));
    if (tail.empty() || tail.size() > 3) throw bad();
    auto [q, ec2] = std::from_chars(tail.data(), tail.data() + tail.size(), millis);
    if (ec2 != std::errc() || q != tail.data() + tail.size()) throw bad();
    for (size_t i = tail.size(); i < 3; ++i) millis *= 10;
  }
  return static_cast<uint32_t>(whole * 1000 + millis);
}

}  // namespace

std::vector<ScriptStep> ParseScript(std::string_view text) {
  std::vector<ScriptStep> steps;
  int lineNumber = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string line = TrimRight(text.substr(start, end - start));
    start = end + 1;
    ++lineNumber;
    if (static_cast<size_t>(lineNumber) > kMaxScriptLines)
      throw ScriptError("The script is longer than " + std::to_string(kMaxScriptLines) + " lines");
    size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos || line[b] == '#') {
      if (end == text.size()) break;
      continue;
    }
    const size_t space = line.find(' ', b);
    const std::string keyword = line.substr(b, space == std::string::npos ? std::string::npos : space - b);
    const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
    ScriptStep step;
    step.line = lineNumber;
    step.text = argument;
    auto needText = [&] {
      if (argument.empty()) throw ScriptError("Line " + std::to_string(lineNumber) + ": " + keyword + " needs a text");
    };
    if (keyword == "chat") {
      step.kind = ScriptStep::Kind::Chat;
      needText();
    } else if (keyword == "clip") {
      step.kind = ScriptStep::Kind::Clip;
      needText();
    } else if (keyword == "send") {
      step.kind = ScriptStep::Kind::Send;
      needText();
    } else if (keyword == "command") {
      step.kind = ScriptStep::Kind::Command;
    } else if (keyword == "wait") {
      step.kind = ScriptStep::Kind::Wait;
      step.ms = ParseWait(argument, lineNumber);
    } else if (keyword == "wait-chat" && argument.empty()) {
      step.kind = ScriptStep::Kind::WaitChat;
    } else if (keyword == "quit" && argument.empty()) {
      step.kind = ScriptStep::Kind::Quit;
    } else {
      throw ScriptError("Line " + std::to_string(lineNumber) + ": unknown step \"" + line.substr(b) + "\"");
    }
    steps.push_back(std::move(step));
    if (end == text.size()) break;
  }
  return steps;
}

ScriptRunner::ScriptRunner(base::MainLoop& loop, std::vector<ScriptStep> steps, ScriptActions actions)
    : steps_(std::move(steps)), actions_(std::move(actions)), waitTimer_(loop, 1000, true) {
  waitTimer_.onTimer = [this] { Run(); };
}

void ScriptRunner::Start() { Run(); }

void ScriptRunner::AgentChat() {
  ++agentChats_;
  if (waitingChat_) Run();
}

void ScriptRunner::Stop() {
  stopped_ = true;
  waitTimer_.stop();
}

void ScriptRunner::Run() {
  if (running_) return;
  running_ = true;
  waitingChat_ = false;
  while (!stopped_ && next_ < steps_.size()) {
    const ScriptStep& step = steps_[next_];
    if (step.kind == ScriptStep::Kind::WaitChat) {
      if (chatsWaited_ >= agentChats_) {
        waitingChat_ = true;
        break;
      }
      ++chatsWaited_;
      ++next_;
      continue;
    }
    ++next_;
    if (step.kind == ScriptStep::Kind::Wait) {
      if (step.ms == 0) continue;
      waitTimer_.setInterval(step.ms);
      waitTimer_.start();
      break;
    }
    switch (step.kind) {
      case ScriptStep::Kind::Chat: if (actions_.chat) actions_.chat(step.text); break;
      case ScriptStep::Kind::Clip: if (actions_.clip) actions_.clip(step.text); break;
      case ScriptStep::Kind::Send: if (actions_.send) actions_.send(step.text); break;
      case ScriptStep::Kind::Command: if (actions_.command) actions_.command(step.text); break;
      case ScriptStep::Kind::Quit: if (actions_.quit) actions_.quit(); break;
      default: break;
    }
  }
  running_ = false;
}

}  // namespace corvane::client
