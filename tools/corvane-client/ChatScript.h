#pragma once
// Chat scripts: what the customer does during a session, one step per line.
//
//   chat TEXT       sends TEXT as a chat message
//   clip TEXT       offers TEXT as the customer's clipboard text
//   send PATH       sends a file or a folder
//   command TEXT    sends a raw command (TEXT may be empty)
//   wait SECONDS    waits (decimals allowed, e.g. 0.5)
//   wait-chat       waits for the agent's next chat message not yet waited for
//   quit            the customer leaves the session
//
// Empty lines and lines starting with "#" are skipped.
//
// Threads: main thread only; waits use main-loop timers.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/MainLoop.h"
#include "base/Timer.h"

namespace corvane::client {

struct ScriptStep {
  enum class Kind { Chat, Clip, Send, Command, Wait, WaitChat, Quit };
  Kind kind = Kind::Chat;
  std::string text;
  uint32_t ms = 0;
  int line = 0;
};

// Throws ScriptError naming the line of the first step that cannot be read.
std::vector<ScriptStep> ParseScript(std::string_view text);

// What the steps do; each is called on the main thread.
struct ScriptActions {
  std::function<void(const std::string&)> chat, clip, send, command;
  std::function<void()> quit;
};

class ScriptRunner {
public:
  ScriptRunner(base::MainLoop& loop, std::vector<ScriptStep> steps, ScriptActions actions);

  void Start();
  // The agent sent a chat message.
  void AgentChat();
  // Stops for good (the session ended).
  void Stop();
  bool Done() const { return next_ >= steps_.size() || stopped_; }

private:
  void Run();

  std::vector<ScriptStep> steps_;
  ScriptActions actions_;
  base::Timer waitTimer_;
  size_t next_ = 0;
  size_t agentChats_ = 0;    // received so far
  size_t chatsWaited_ = 0;   // consumed by wait-chat steps
  bool waitingChat_ = false;
  bool running_ = false;     // inside Run (an action may re-enter through the loop)
  bool stopped_ = false;
};

}  // namespace corvane::client
