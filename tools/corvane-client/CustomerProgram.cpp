#include "CustomerProgram.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "ClientError.h"
#include "ClientLimits.h"
#include "HttpClient.h"
#include "session/SessionError.h"

namespace corvane::client {

std::string NewAssistanceId() {
  std::random_device random;
  char text[40];
  std::snprintf(text, sizeof text, "direct-%08x%08x", random(), random());
  return text;
}

CustomerProgram::CustomerProgram(base::MainLoop& loop, ClientOptions options, ProgressOutput& output)
    : loop_(loop), options_(std::move(options)), output_(output), durationTimer_(loop, 1000, true) {
  output_.verbose = options_.verbose;
  durationTimer_.onTimer = [this] {
    if (session_) session_->Leave();
  };
}

CustomerProgram::~CustomerProgram() {
  alive_.reset();
  script_.reset();
  session_.reset();
  dialer_.reset();
}

void CustomerProgram::Start() {
  if (phase_ != Phase::Idle) return;
  if (!options_.scriptPath.empty()) {
    std::ifstream in(options_.scriptPath, std::ios::binary);
    std::string text(kMaxScriptBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    try {
      if (!in.eof() && text.size() > kMaxScriptBytes) throw ScriptError("The script is larger than 1 MB");
      scriptSteps_ = ParseScript(text);
    } catch (const ScriptError& e) {
      output_.Line("ERROR", ProgressOutput::Escape(options_.scriptPath + ": " + e.what()));
      Finish(kExitUsage);
      return;
    }
  }

  if (!options_.UsesService()) {
    assistanceId_ = options_.assistanceId.empty() ? NewAssistanceId() : options_.assistanceId;
    output_.Line("HELP", "assistance=" + ProgressOutput::Escape(assistanceId_) +
                             " agents=" + std::to_string(options_.agents.size()));
    Call(options_.agents);
    return;
  }

  phase_ = Phase::Requesting;
  output_.Line("STATE", "requesting");
  helpDesk_ = std::make_unique<HelpDesk>(options_.serviceUrl);
  HelpRequestAnswer answer;
  std::exception_ptr error;
  RunOffMainThread(loop_, {[&] {
                     try {
                       answer = helpDesk_->OpenHelpRequest(options_.groupId, options_.name, options_.email,
                                                           options_.identifier, options_.description);
                     } catch (...) {
                       error = std::current_exception();
                     }
                   }});
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (const ServiceError& e) {
      if (e.kind() == ServiceError::Kind::Unauthorized) {
        output_.Line("STATE", "unauthorized " + ProgressOutput::Escape(e.what()));
        output_.Line("CLOSING", "U");  // recorded by the service with its refusal
      } else {
        output_.Line("ERROR", ProgressOutput::Escape(e.what()));
        output_.Line("STATE", "failed");
      }
    } catch (const std::exception& e) {
      output_.Line("ERROR", "The service cannot be reached: " + ProgressOutput::Escape(e.what()));
      output_.Line("STATE", "failed");
    }
    Finish(kExitService);
    return;
  }
  assistanceId_ = answer.assistanceId;
  token_ = answer.token;
  output_.Line("HELP", "assistance=" + ProgressOutput::Escape(assistanceId_) +
                           " agents=" + std::to_string(answer.agents.size()));
  if (interrupted_) {
    output_.Line("STATE", "abandoned");
    RecordLetter('A');
    Finish(kExitNoSession);
    return;
  }
  Call(std::move(answer.agents));
}

void CustomerProgram::Call(std::vector<AgentAddress> agents) {
  if (agents.empty()) {
    output_.Line("STATE", "unanswered no agent is available");
    RecordLetter('I');
    Finish(kExitNoSession);
    return;
  }
  phase_ = Phase::Calling;
  output_.Line("STATE", "calling");
  for (const AgentAddress& a : agents) output_.Line("CALL", "calling " + a.Text());
  CallerInfo caller{assistanceId_,          options_.name,        options_.email,
                    options_.identifier,    options_.description, options_.headerCharset};
  dialer_ = std::make_unique<AgentDialer>(loop_, std::move(caller), std::move(agents),
                                          DialerSettings{options_.pollIntervalMs, options_.ringTimeoutMs});
  dialer_->OnAgentChanged = [this](const AgentCall& call) { AgentChanged(call); };
  dialer_->OnFinished = [this](const AgentCall* accepted) { CallFinished(accepted); };
  if (interrupted_) dialer_->Abandon();
  dialer_->Start();
}

void CustomerProgram::AgentChanged(const AgentCall& call) {
  std::string line = StateName(call.state) + " " + call.address.Text();
  if (call.state == AgentCallState::Accepted) line += " port=" + std::to_string(call.sessionPort);
  if (call.state == AgentCallState::Unreachable) line += " " + ProgressOutput::Escape(call.error);
  output_.Line("CALL", line);
  switch (call.state) {
    case AgentCallState::Refused: RecordLetter('R'); break;
    case AgentCallState::Ignored: RecordLetter('I'); break;
    case AgentCallState::Unreachable: RecordLetter('N'); break;
    default: break;
  }
}

void CustomerProgram::CallFinished(const AgentCall* accepted) {
  if (!accepted) {
    if (interrupted_) {
      output_.Line("STATE", "abandoned");
      RecordLetter('A');
    } else {
      output_.Line("STATE", "unanswered");
    }
    Finish(kExitNoSession);
    return;
  }
  sessionAgent_ = accepted->address;
  phase_ = Phase::Connecting;
  output_.Line("STATE", "connecting " + accepted->address.host + ":" + std::to_string(accepted->sessionPort));
  CustomerSession::Settings settings;
  settings.width = options_.screenWidth;
  settings.height = options_.screenHeight;
  settings.owner = options_.name;
  settings.receiveDir = options_.receiveDir;
  settings.closeWaitMs = options_.closeWaitMs;
  session_ = std::make_unique<CustomerSession>(loop_, settings, output_);
  session_->OnEnded = [this](CustomerSession::EndReason reason) { SessionEnded(reason); };
  session_->OnAgentChat = [this](const std::string&) {
    if (script_) script_->AgentChat();
  };
  session_->OnAgentReady = [this] { AgentReady(); };
  try {
    session_->Connect(accepted->address.host, accepted->sessionPort);
  } catch (const session::SessionError& e) {
    output_.Line("ERROR", "The session cannot be opened: " + ProgressOutput::Escape(e.what()));
    output_.Line("STATE", "lost");
    RecordLetter('N');
    dialer_->EndCall();
    output_.Line("CALL", "ended " + sessionAgent_.Text());
    Finish(kExitSessionLost);
    return;
  }
  SessionStarted();
}

void CustomerProgram::SessionStarted() {
  phase_ = Phase::Session;
  output_.Line("STATE", "connected");
  if (interrupted_) {
    session_->Leave();
    return;
  }
  if (options_.durationMs) {
    durationTimer_.setInterval(std::max<uint32_t>(*options_.durationMs, 1));
    durationTimer_.start();
  }
}

// What the customer does unasked waits until the agent's side runs, so that none of it is lost.
void CustomerProgram::AgentReady() {
  if (phase_ != Phase::Session || !session_ || !session_->Running()) return;
  if (options_.autoMode && !options_.hello.empty()) session_->SendChat(options_.hello);
  if (!options_.clipboard.empty()) session_->OfferClipboard(options_.clipboard);
  for (const std::string& path : options_.sendPaths) session_->SendPath(path);
  while (!earlyLines_.empty()) {
    const std::string line = std::move(earlyLines_.front());
    earlyLines_.pop_front();
    InputLine(line);
  }
  if (!scriptSteps_.empty()) {
    ScriptActions actions;
    actions.chat = [this](const std::string& t) { session_->SendChat(t); };
    actions.clip = [this](const std::string& t) { session_->OfferClipboard(t); };
    actions.send = [this](const std::string& p) { session_->SendPath(p); };
    actions.command = [this](const std::string& t) { session_->SendCommand(t); };
    actions.quit = [this] { session_->Leave(); };
    script_ = std::make_unique<ScriptRunner>(loop_, std::move(scriptSteps_), std::move(actions));
    script_->Start();
  }
}

void CustomerProgram::SessionEnded(CustomerSession::EndReason reason) {
  if (script_) script_->Stop();
  durationTimer_.stop();
  switch (reason) {
    case CustomerSession::EndReason::Agent: output_.Line("STATE", "ended reason=agent"); break;
    case CustomerSession::EndReason::Customer: output_.Line("STATE", "ended reason=customer"); break;
    case CustomerSession::EndReason::Lost:
      output_.Line("STATE", "lost");
      RecordLetter('N');
      break;
  }
  if (dialer_) {
    dialer_->EndCall();
    output_.Line("CALL", "ended " + sessionAgent_.Text());
  }
  Finish(reason == CustomerSession::EndReason::Lost ? kExitSessionLost : kExitSessionHeld);
}

void CustomerProgram::Interrupt() {
  if (finished_) return;
  if (interrupted_ && phase_ == Phase::Session && session_) {
    session_->Close(CustomerSession::EndReason::Customer);
    return;
  }
  interrupted_ = true;
  if (phase_ == Phase::Calling && dialer_) dialer_->Abandon();
  if (phase_ == Phase::Session && session_) session_->Leave();
  // Requesting and Connecting: acted upon when that step returns.
}

void CustomerProgram::InputLine(const std::string& line) {
  if (finished_) return;
  const bool leaving = line == "." || line == "/quit";
  const bool ready = phase_ == Phase::Session && session_ && session_->Running() && session_->AgentReady();
  if (!ready) {
    if (leaving)
      Interrupt();
    else if ((phase_ != Phase::Session || (session_ && session_->Running())) && earlyLines_.size() < kMaxEarlyLines)
      earlyLines_.push_back(line);
    return;
  }
  auto rest = [&](std::string_view command) {
    std::string r = line.substr(command.size());
    if (!r.empty() && r.front() == ' ') r.erase(0, 1);
    return r;
  };
  auto is = [&](std::string_view command) {
    return line == command || line.rfind(std::string(command) + " ", 0) == 0;
  };
  if (leaving)
    session_->Leave();
  else if (is("/clip"))
    session_->OfferClipboard(rest("/clip"));
  else if (is("/send"))
    session_->SendPath(rest("/send"));
  else if (is("/command"))
    session_->SendCommand(rest("/command"));
  else if (!line.empty() && line.front() == '/')
    output_.Line("ERROR", "Unknown input command " + ProgressOutput::Escape(line) + " (see --help)");
  else
    session_->SendChat(line);
}

void CustomerProgram::RecordLetter(char letter) {
  output_.Line("CLOSING", std::string(1, letter));
  if (!helpDesk_ || assistanceId_.empty()) return;
  letters_.push_back(letter);
  std::weak_ptr<bool> alive = alive_;
  loop_.post([this, alive] {
    if (alive.lock()) FlushLetters();
  });
}

void CustomerProgram::FlushLetters() {
  if (flushing_) return;
  flushing_ = true;
  while (!letters_.empty()) {
    const char letter = letters_.front();
    letters_.pop_front();
    std::string failure;
    RunOffMainThread(loop_, {[&] {
                       try {
                         helpDesk_->RecordClosing(assistanceId_, token_, letter);
                       } catch (const std::exception& e) {
                         failure = e.what();
                       }
                     }});
    if (!failure.empty())
      output_.Line("ERROR", std::string("Closing letter ") + letter + " not recorded: " + ProgressOutput::Escape(failure));
  }
  flushing_ = false;
}

void CustomerProgram::Finish(int code) {
  FlushLetters();
  if (finished_) return;
  finished_ = true;
  phase_ = Phase::Done;
  exitCode_ = code;
  if (OnFinished) OnFinished(code);
}

}  // namespace corvane::client
