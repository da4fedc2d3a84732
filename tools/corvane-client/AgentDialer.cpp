#include "AgentDialer.h"

#include "ClientError.h"

namespace corvane::client {

struct AgentDialer::Result {
  bool ok = false;
  CallAnswer answer;
  std::string error;
};

std::string StateName(AgentCallState state) {
  switch (state) {
    case AgentCallState::Ringing: return "ringing";
    case AgentCallState::Accepted: return "accepted";
    case AgentCallState::Refused: return "refused";
    case AgentCallState::Ignored: return "ignored";
    case AgentCallState::Unreachable: return "unreachable";
    case AgentCallState::Dropped: return "dropped";
    case AgentCallState::Abandoned: return "abandoned";
  }
  return "?";
}

AgentDialer::AgentDialer(base::MainLoop& loop, CallerInfo caller, std::vector<AgentAddress> agents,
                         DialerSettings settings)
    : loop_(loop),
      caller_(std::move(caller)),
      settings_(settings),
      pollTimer_(loop, settings.pollIntervalMs, true),
      ringTimer_(loop, settings.ringTimeoutMs, true) {
  for (auto& a : agents) {
    AgentCall call;
    call.address = std::move(a);
    calls_.push_back(std::move(call));
  }
  pollTimer_.onTimer = [this] { PollRound(); };
  ringTimer_.onTimer = [this] {
    ringExpired_ = true;
    Advance();
  };
}

std::vector<size_t> AgentDialer::Indexes(AgentCallState state) const {
  std::vector<size_t> out;
  for (size_t i = 0; i < calls_.size(); ++i)
    if (calls_[i].state == state) out.push_back(i);
  return out;
}

void AgentDialer::SetState(AgentCall& call, AgentCallState state) {
  if (call.state == state) return;
  call.state = state;
  if (OnAgentChanged) OnAgentChanged(call);
}

std::vector<AgentDialer::Result> AgentDialer::Send(int action, const std::vector<size_t>& indexes) {
  std::vector<Result> results(indexes.size());
  std::vector<std::function<void()>> tasks;
  const int count = static_cast<int>(calls_.size());
  for (size_t k = 0; k < indexes.size(); ++k) {
    HttpRequest request = CallRequest(calls_[indexes[k]].address, CallHeaders(caller_, action, count));
    Result* slot = &results[k];
    tasks.push_back([request = std::move(request), slot] {
      try {
        slot->answer = ReadCallAnswer(PerformHttp(request));
        slot->ok = true;
      } catch (const std::exception& e) {
        slot->error = e.what();
      }
    });
  }
  busy_ = true;
  RunOffMainThread(loop_, std::move(tasks));
  busy_ = false;
  return results;
}

void AgentDialer::Apply(const std::vector<size_t>& indexes, std::vector<Result>& results) {
  for (size_t k = 0; k < indexes.size(); ++k) {
    AgentCall& call = calls_[indexes[k]];
    if (call.state != AgentCallState::Ringing) continue;
    Result& r = results[k];
    if (!r.ok) {
      call.error = r.error;
      SetState(call, AgentCallState::Unreachable);
      continue;
    }
    call.reached = true;
    if (r.answer.kind == CallAnswer::Kind::Refused) {
      SetState(call, AgentCallState::Refused);
    } else if (r.answer.kind == CallAnswer::Kind::Accepted) {
      call.sessionPort = r.answer.port;
      SetState(call, AgentCallState::Accepted);
    }
  }
}

void AgentDialer::Start() {
  if (started_) return;
  started_ = true;
  ringTimer_.start();
  std::vector<size_t> all = Indexes(AgentCallState::Ringing);
  std::vector<Result> results = Send(kActionNewCall, all);
  Apply(all, results);
  Advance();
}

void AgentDialer::PollRound() {
  if (busy_ || finished_) return;
  std::vector<size_t> ringing = Indexes(AgentCallState::Ringing);
  std::vector<Result> results = Send(kActionPoll, ringing);
  Apply(ringing, results);
  Advance();
}

void AgentDialer::Abandon() {
  abandonRequested_ = true;
  Advance();
}

void AgentDialer::Advance() {
  if (busy_ || finished_ || !started_) return;
  pollTimer_.stop();

  // An acceptance wins over everything else, also over a time-out or an abandon in the same round.
  for (;;) {
    std::vector<size_t> accepted = Indexes(AgentCallState::Accepted);
    if (accepted.empty()) break;
    AgentCall& first = calls_[accepted.front()];
    std::vector<Result> results = Send(kActionStartSession, {accepted.front()});
    if (finished_) return;
    if (!results[0].ok) {
      first.error = results[0].error;
      SetState(first, AgentCallState::Unreachable);
      continue;  // another acceptance, or the remaining ringing agents, may still do
    }
    for (size_t i : accepted)
      if (&calls_[i] != &first) SetState(calls_[i], AgentCallState::Dropped);
    for (size_t i : Indexes(AgentCallState::Ringing)) SetState(calls_[i], AgentCallState::Dropped);
    Finish(&first);
    return;
  }

  const bool ringing = !Indexes(AgentCallState::Ringing).empty();
  if (ringing && !abandonRequested_ && !ringExpired_) {
    pollTimer_.start();
    return;
  }
  const AgentCallState end = abandonRequested_ ? AgentCallState::Abandoned : AgentCallState::Ignored;
  for (size_t i : Indexes(AgentCallState::Ringing)) SetState(calls_[i], end);
  Finish(nullptr);
}

void AgentDialer::Finish(AgentCall* accepted) {
  finished_ = true;
  pollTimer_.stop();
  ringTimer_.stop();
  // Every other agent reached holds a call context: action 4 releases its dialog and window.
  std::vector<size_t> others;
  for (size_t i = 0; i < calls_.size(); ++i)
    if (&calls_[i] != accepted && calls_[i].reached && calls_[i].state != AgentCallState::Unreachable)
      others.push_back(i);
  if (!others.empty()) Send(kActionEndCall, others);
  if (OnFinished) OnFinished(accepted);
}

void AgentDialer::EndCall() {
  if (callEnded_) return;
  callEnded_ = true;
  std::vector<size_t> accepted = Indexes(AgentCallState::Accepted);
  if (!accepted.empty()) Send(kActionEndCall, {accepted.front()});
}

}  // namespace corvane::client
