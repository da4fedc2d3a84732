#pragma once
// Calls the available agents of a group at the same time: action 1 to each, then polls (action 2)
// every poll interval until one accepts, all refused or could not be reached, the ring time-out
// passed, or the customer gave up. The accepting agent gets action 3; every other agent that was
// reached gets action 4, which releases its call dialog. The accepting agent's action 4 comes when
// the session is over (EndCall).
//
// Threads: main thread only. The requests of one round run in parallel on helper threads while
// the main loop keeps serving (RunOffMainThread), so timers and posted work may run in between:
// every event only records what happened and lets Advance act once no round is in progress.
// The dialer is not destroyed while one of its operations runs (they serve the loop).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "AgentCall.h"
#include "base/MainLoop.h"
#include "base/Timer.h"

namespace corvane::client {

enum class AgentCallState {
  Ringing,      // called, no answer yet
  Accepted,     // the agent accepted; its session port is known
  Refused,      // "NOK"
  Ignored,      // still ringing when the ring time-out passed
  Unreachable,  // a request failed (network problem)
  Dropped,      // still ringing, or accepted too, when another agent's acceptance was taken
  Abandoned,    // still ringing when the customer gave up
};

struct AgentCall {
  AgentAddress address;
  AgentCallState state = AgentCallState::Ringing;
  uint16_t sessionPort = 0;
  std::string error;         // why it is unreachable
  bool reached = false;      // answered at least once (so it holds a call context)
};

// "ringing", "accepted", ... as in the progress lines.
std::string StateName(AgentCallState state);

struct DialerSettings {
  uint32_t pollIntervalMs = 1000;
  uint32_t ringTimeoutMs = 120000;
};

class AgentDialer {
public:
  AgentDialer(base::MainLoop& loop, CallerInfo caller, std::vector<AgentAddress> agents,
              DialerSettings settings);
  AgentDialer(const AgentDialer&) = delete;
  AgentDialer& operator=(const AgentDialer&) = delete;

  // A call changed state.
  std::function<void(const AgentCall&)> OnAgentChanged;
  // The call is over: the accepting agent (action 3 already sent), or nullptr when nobody took it.
  std::function<void(const AgentCall* accepted)> OnFinished;

  void Start();
  // The customer gives up: ringing agents become Abandoned and get action 4.
  void Abandon();
  // The session with the accepting agent is over: its action 4. Blocks until sent or failed.
  void EndCall();

  const std::vector<AgentCall>& Calls() const { return calls_; }
  bool Finished() const { return finished_; }

private:
  struct Result;
  // Sends action to the calls at the given indexes in parallel; returns one result per index.
  std::vector<Result> Send(int action, const std::vector<size_t>& indexes);
  void PollRound();
  void Apply(const std::vector<size_t>& indexes, std::vector<Result>& results);
  void Advance();
  void Finish(AgentCall* accepted);
  void SetState(AgentCall& call, AgentCallState state);
  std::vector<size_t> Indexes(AgentCallState state) const;

  base::MainLoop& loop_;
  CallerInfo caller_;
  DialerSettings settings_;
  std::vector<AgentCall> calls_;
  base::Timer pollTimer_;
  base::Timer ringTimer_;
  bool started_ = false;
  bool busy_ = false;  // a round is in progress
  bool ringExpired_ = false;
  bool abandonRequested_ = false;
  bool finished_ = false;
  bool callEnded_ = false;
};

}  // namespace corvane::client
