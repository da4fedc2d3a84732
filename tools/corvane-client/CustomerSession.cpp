#include "CustomerSession.h"

#include <stdlib.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "ClientError.h"
#include "ClientLimits.h"
#include "assistance/AssistanceError.h"
#include "assistance/FolderArchiveWriter.h"
#include "session/ClientFileTransfertManagers.h"
#include "session/FileTransfertProgressInfos.h"
#include "session/InputClient.h"
#include "session/ScreenClient.h"
#include "session/SessionError.h"
#include "session/TextClients.h"

namespace corvane::client {

namespace fs = std::filesystem;
using namespace corvane::session;

namespace {

const char* ButtonName(TMouseButton b) {
  return b == mbRight ? "right" : b == mbMiddle ? "middle" : "left";
}

std::string ClockText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

const char* KindOf(const TOLAFileTransfertProgressInfos& infos) {
  return infos.DirectoryName.empty() ? "FILE" : "FOLDER";
}

}  // namespace

CustomerSession::CustomerSession(base::MainLoop& loop, Settings settings, ProgressOutput& output)
    : loop_(loop),
      settings_(std::move(settings)),
      output_(output),
      desktop_(settings_.width, settings_.height, settings_.owner),
      received_(settings_.receiveDir),
      animationTimer_(loop, kAnimationPeriodMs),
      graceTimer_(loop, kLossGraceMs, true),
      closeTimer_(loop, settings_.closeWaitMs, true),
      readyTimer_(loop, kAgentReadyWaitMs, true) {
  animationTimer_.onTimer = [this] { desktop_.Tick(++animationStep_, ClockText()); };
  graceTimer_.onTimer = [this] {
    if (phase_ == Phase::Running) Finish(agentGoodbye_.load() ? EndReason::Agent : EndReason::Lost);
  };
  closeTimer_.onTimer = [this] { Finish(EndReason::Customer); };
  readyTimer_.onTimer = [this] { SignalAgentReady(); };
}

CustomerSession::~CustomerSession() {
  alive_.reset();
  desktop_.Stop();
  DeleteChannels();
  ForgetFiles();
}

void CustomerSession::ForgetFiles() {
  for (const auto& [archive, folder] : packedFolders_) ::unlink(archive.c_str());
  packedFolders_.clear();
  // Receptions cut short by the end of the session leave nothing behind.
  for (const std::string& file : incoming_) received_.Discard(file);
  incoming_.clear();
  received_.Cleanup();
}

void CustomerSession::Post(std::function<void()> fn) {
  std::weak_ptr<bool> alive = alive_;
  loop_.post([alive, fn = std::move(fn)] {
    if (alive.lock()) fn();
  });
}

std::string CustomerSession::Clipboard() const {
  std::lock_guard lock(clipboardMutex_);
  return clipboard_;
}

void CustomerSession::Create() {
  screen_ = new TOLAClientScreen(&root_, loop_);
  cursor_ = new TOLAClientCursor(&root_, loop_);
  inputs_ = new TOLAClientInputs(&root_, loop_);
  clipboardIn_ = new TOLAClientClipboard(&root_, loop_);
  clipboardOut_ = new TOLAClientSpeakingClipboard(&root_, loop_);
  chatIn_ = new TOLAClientChat(&root_, loop_);
  chatOut_ = new TOLAClientSpeakingChat(&root_, loop_);
  commandsIn_ = new TOLAClientCommands(&root_, loop_);
  commandsOut_ = new TOLAClientSpeakingCommands(&root_, loop_);
  filesOut_ = new TOLAClientFileTransfertManager(&root_, loop_);
  filesIn_ = new TOLAClientListeningFileTransfertManager(&root_, loop_);

  // The customer's own capture options until the agent changes them: full colour.
  screen_->Options().SetPixelFormat(pf24bit);
  screen_->OnFrameRequest = [this](TOLAClientScreen&) {
    AgentAsked();
    AnswerFrame();
  };
  screen_->OnOptionReceived = [this](TOLAClientScreen& s, TOLAMessageCode code) {
    AgentAsked();
    const auto v = s.Options().Snapshot();
    switch (code) {
      case mcAccuracy: output_.Line("SCREEN", "option accuracy=" + std::to_string(v.Accuracy)); break;
      case mcCompression: output_.Line("SCREEN", "option compression=" + std::to_string(v.Compression)); break;
      case mcGrayScale: output_.Line("SCREEN", std::string("option grayscale=") + (v.GrayScale ? "1" : "0")); break;
      case mcPixelFormat: output_.Line("SCREEN", "option pixelformat=" + std::string(PixelFormatName(v.PixelFormat))); break;
      case mcFullScreenUpdateInterval:
        output_.Line("SCREEN", "option interval=" + std::to_string(v.FullScreenUpdateInterval));
        break;
      default: break;
    }
  };

  inputs_->OnMouseButton = [this](TOLAClientInputs&, const TOLAMouseButtonMessageData& m) {
    if (m.Action == maUp) return;
    desktop_.Click(m.Left, m.Top, m.Button);
    output_.Line("INPUT", std::string("click ") + ButtonName(m.Button) + " " + std::to_string(m.Left) + " " +
                              std::to_string(m.Top));
    try {
      cursor_->SendCursorPosition(m.Left, m.Top);
    } catch (const SessionError&) {
      // The cursor connection is gone; the listening channels notice the end of the session.
    }
  };
  inputs_->OnMouseMove = [this](TOLAClientInputs&, const TOLAMouseMoveMessageData& m) {
    desktop_.Pointer(m.Left, m.Top);
    output_.Verbose("INPUT", "move " + std::to_string(m.Left) + " " + std::to_string(m.Top));
    try {
      cursor_->SendCursorPosition(m.Left, m.Top);
    } catch (const SessionError&) {
    }
  };
  inputs_->OnMouseWheel = [this](TOLAClientInputs&, const TOLAMouseWheelMessageData& m) {
    desktop_.Wheel(m.WheelData);
    output_.Line("INPUT", "wheel " + std::to_string(m.WheelData));
  };
  inputs_->OnKey = [this](TOLAClientInputs&, const TOLAKeyboardMessageData& k) {
    if (k.Action != kaDown) return;
    output_.Line("INPUT", "key " + desktop_.Key(k.VirtualKey, k.KeybState));
  };
  inputs_->OnKeyboardState = [this](TOLAClientInputs&, const TOLAKeyboardStateMessageData& s) {
    output_.Verbose("INPUT", "keyboard-state " + std::to_string(s.KeybState));
  };

  clipboardIn_->OnClipboardText = [this](TOLAClientClipboard&, const std::string& text) {
    {
      std::lock_guard lock(clipboardMutex_);
      clipboard_ = text;
    }
    desktop_.ShowClipboard(text);
    output_.Line("CLIPBOARD", "agent " + ProgressOutput::Escape(text));
  };
  chatIn_->OnMessageChat = [this](TOLAClientChat&, const std::string& message) {
    // The console sends its chat as lines each ended by CR LF; the last break carries nothing.
    std::string text = message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    desktop_.ShowChat(text);
    output_.Line("CHAT", "agent " + ProgressOutput::Escape(text));
    Post([this, text] {
      if (OnAgentChat) OnAgentChat(text);
    });
  };
  commandsIn_->OnCommand = [this](TOLAClientCommands&, const std::string& command) {
    if (command == ".") {
      agentGoodbye_ = true;
      output_.Line("COMMAND", ".");
      Post([this] { AgentSaidGoodbye(); });
    } else if (command.rfind("NEWID", 0) == 0) {
      desktop_.SetIdentifier(command.substr(5));
      output_.Line("NEWID", ProgressOutput::Escape(command.substr(5)));
    } else {
      output_.Line("COMMAND", ProgressOutput::Escape(command));
    }
  };

  filesOut_->OnAnswer = [this](TOLAClientFileTransfertManager&, const std::string& file, bool started) {
    const bool folder = packedFolders_.count(file) > 0;
    output_.Line(folder ? "FOLDER" : "FILE", std::string(started ? "accepted " : "refused ") + DisplayName(file));
    if (!started && folder) {
      ::unlink(file.c_str());
      packedFolders_.erase(file);
    }
  };
  filesOut_->OnProgress = [this](TOLABaseComponent& sender, const TOLAFileTransfertProgressInfos& infos) {
    SendProgress(sender, infos);
  };
  filesIn_->OnProgress = [this](TOLABaseComponent& sender, const TOLAFileTransfertProgressInfos& infos) {
    ReceiveProgress(sender, infos);
  };

  // A listening channel whose connection ended: the agent closed, or the network failed.
  for (TOLABaseComponent* end : std::initializer_list<TOLABaseComponent*>{
           screen_, inputs_, clipboardIn_, chatIn_, commandsIn_, filesOut_, filesIn_})
    end->OnDisconnected = [this](TOLABaseComponent&) { ChannelEnded(); };
}

void CustomerSession::DeleteChannels() {
  // The workers of the listening ends use the speaking ends (the cursor), so they go first; each
  // destructor stops its worker and waits for it.
  for (TComponent* end : std::initializer_list<TComponent*>{inputs_, screen_, clipboardIn_, chatIn_, commandsIn_,
                                                            filesOut_, filesIn_, cursor_, clipboardOut_, chatOut_,
                                                            commandsOut_})
    delete end;
  screen_ = nullptr;
  cursor_ = nullptr;
  inputs_ = nullptr;
  clipboardIn_ = nullptr;
  clipboardOut_ = nullptr;
  chatIn_ = nullptr;
  chatOut_ = nullptr;
  commandsIn_ = nullptr;
  commandsOut_ = nullptr;
  filesOut_ = nullptr;
  filesIn_ = nullptr;
}

void CustomerSession::Connect(const std::string& host, uint16_t port) {
  if (phase_ != Phase::Idle) return;
  try {
    received_.Prepare();
  } catch (const ReceivedFileError& e) {
    output_.Line("ERROR", ProgressOutput::Escape(e.what()));
  }
  Create();
  filesIn_->TempFolder = received_.IncomingFolder();
  try {
    for (TOLACustomClient* end : std::initializer_list<TOLACustomClient*>{
             screen_, cursor_, inputs_, clipboardIn_, clipboardOut_, chatIn_, chatOut_, commandsIn_, commandsOut_,
             filesOut_, filesIn_}) {
      end->ClientIOHandler().ConnectTimeOut = kChannelConnectTimeoutMs;
      ConnectClient(*end, host, port);
    }
  } catch (const SessionError&) {
    desktop_.Stop();
    DeleteChannels();
    phase_ = Phase::Ended;
    throw;
  }
  phase_ = Phase::Running;
  try {
    PngPicture arrow;
    arrow.Picture = ArrowCursor();
    cursor_->SendCursorImage(0, 0, arrow);
    cursor_->SendCursorPosition(static_cast<int16_t>(settings_.width / 2), static_cast<int16_t>(settings_.height / 2));
  } catch (const SessionError&) {
    ChannelEnded();
  }
  desktop_.Tick(0, ClockText());
  animationTimer_.start();
  readyTimer_.start();
}

void CustomerSession::AgentAsked() {
  if (!agentAsked_.exchange(true)) Post([this] { SignalAgentReady(); });
}

void CustomerSession::SignalAgentReady() {
  if (agentReady_ || phase_ != Phase::Running) return;
  agentReady_ = true;
  readyTimer_.stop();
  if (OnAgentReady) OnAgentReady();
}

void CustomerSession::AnswerFrame() {
  if (dimensionSent_) desktop_.WaitForChange(renderedVersion_, kMaxFrameWaitMs);
  renderedVersion_ = desktop_.Version();
  const TOLAFrameUpdateMessageData frame = encoder_.Next(desktop_, screen_->Options().Snapshot());
  if (!dimensionSent_) {
    screen_->SendScreenDimension(static_cast<int16_t>(settings_.width), static_cast<int16_t>(settings_.height), frame);
    dimensionSent_ = true;
    output_.Line("SCREEN", "size " + std::to_string(settings_.width) + "x" + std::to_string(settings_.height));
  } else {
    screen_->SendFrame(frame);
  }
  if (output_.verbose)
    output_.Verbose("SCREEN", "frame " + std::to_string(encoder_.Frames()) + " patches=" +
                                  std::to_string(frame.PngUpdates.size()) +
                                  " copies=" + std::to_string(frame.CopyRectUpdates.size()));
}

bool CustomerSession::Guard(const std::function<void()>& send) {
  if (phase_ != Phase::Running) return false;
  try {
    send();
    return true;
  } catch (const SessionError& e) {
    output_.Line("ERROR", ProgressOutput::Escape(e.what()));
    ChannelEnded();
    return false;
  }
}

bool CustomerSession::SendChat(const std::string& text) {
  if (text.empty()) return false;
  const bool sent = Guard([&] { chatOut_->SendText(text); });
  if (sent) output_.Line("CHAT", "sent " + ProgressOutput::Escape(text));
  return sent;
}

bool CustomerSession::OfferClipboard(const std::string& text) {
  if (text.empty()) return false;
  const bool sent = Guard([&] { clipboardOut_->SendClipboardText(text); });
  if (sent) {
    {
      std::lock_guard lock(clipboardMutex_);
      clipboard_ = text;
    }
    output_.Line("CLIPBOARD", "sent " + ProgressOutput::Escape(text));
  }
  return sent;
}

bool CustomerSession::SendCommand(const std::string& text) {
  if (text == ".") {
    Leave();
    return true;
  }
  const bool sent = Guard([&] { commandsOut_->SendCommand(text); });
  if (sent) output_.Line("COMMAND", "sent " + ProgressOutput::Escape(text));
  return sent;
}

bool CustomerSession::SendPath(const std::string& path) {
  if (phase_ != Phase::Running) return false;
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    fs::path folder = fs::path(path).lexically_normal();
    if (folder.filename().empty()) folder = folder.parent_path();
    std::string name = fs::absolute(folder, ec).filename().string();
    if (name.empty() || name == "." || name == "..") name = "folder";
    const char* tmp = std::getenv("TMPDIR");
    std::string archive = std::string(tmp && *tmp ? tmp : "/tmp") + "/corvane-folder-XXXXXX.z";
    const int fd = ::mkstemps(archive.data(), 2);
    if (fd < 0) {
      output_.Line("FOLDER", "failed " + ProgressOutput::Escape(path) + ": no temporary file");
      return false;
    }
    ::close(fd);
    try {
      assistance::FolderArchiveWriter::Pack(path, archive);
    } catch (const assistance::AssistanceError& e) {
      ::unlink(archive.c_str());
      output_.Line("FOLDER", "failed " + ProgressOutput::Escape(path) + ": " + ProgressOutput::Escape(e.what()));
      return false;
    }
    packedFolders_[archive] = path;
    if (!Guard([&] { filesOut_->RequestSend(archive, name); })) {
      ::unlink(archive.c_str());
      packedFolders_.erase(archive);
      return false;
    }
    output_.Line("FOLDER", "requested " + ProgressOutput::Escape(path));
    return true;
  }
  if (!fs::is_regular_file(path, ec) || ::access(path.c_str(), R_OK) != 0) {
    output_.Line("FILE", "failed " + ProgressOutput::Escape(path) + ": not a readable file");
    return false;
  }
  const std::string absolute = fs::absolute(path, ec).string();
  if (!Guard([&] { filesOut_->RequestSend(absolute.empty() ? path : absolute); })) return false;
  output_.Line("FILE", "requested " + ProgressOutput::Escape(path));
  return true;
}

std::string CustomerSession::DisplayName(const std::string& packedOrPath) const {
  auto it = packedFolders_.find(packedOrPath);
  return ProgressOutput::Escape(it == packedFolders_.end() ? packedOrPath : it->second);
}

void CustomerSession::SendProgress(TOLABaseComponent& sender, const TOLAFileTransfertProgressInfos& infos) {
  int& last = transferStatus_[&sender];
  const bool final = infos.Status == ftsTransferred || infos.Status == ftsCancelled;
  const bool wasFinal = last == ftsTransferred || last == ftsCancelled;
  last = infos.Status;
  if (!final || wasFinal) return;
  output_.Line(KindOf(infos), std::string(infos.Status == ftsTransferred ? "sent " : "cancelled ") +
                                  DisplayName(infos.FileName));
  packedFolders_.erase(infos.FileName);  // the sender deletes the archive it sent
}

void CustomerSession::ReceiveProgress(TOLABaseComponent& sender, const TOLAFileTransfertProgressInfos& infos) {
  int& last = transferStatus_[&sender];
  const bool final = infos.Status == ftsTransferred || infos.Status == ftsCancelled;
  const bool wasFinal = last == ftsTransferred || last == ftsCancelled;
  const bool first = last == ftsNone || wasFinal;
  last = infos.Status;
  if (!infos.LocalFileName.empty()) {
    if (final)
      incoming_.erase(infos.LocalFileName);
    else
      incoming_.insert(infos.LocalFileName);
  }
  const std::string shown = ProgressOutput::Escape(infos.DirectoryName.empty() ? infos.FileName : infos.DirectoryName);
  if (!final) {
    if (first && infos.Status == ftsPreparing)
      output_.Line(KindOf(infos), "receiving " + shown + " size=" + std::to_string(infos.FileSize));
    return;
  }
  if (wasFinal) return;
  if (infos.Status == ftsCancelled) {
    received_.Discard(infos.LocalFileName);
    output_.Line(KindOf(infos), "cancelled " + shown);
    return;
  }
  try {
    const std::string path = received_.Settle(infos);
    output_.Line(KindOf(infos), "received " + ProgressOutput::Escape(path));
  } catch (const ReceivedFileError& e) {
    output_.Line(KindOf(infos), "failed " + shown + ": " + ProgressOutput::Escape(e.what()));
  }
}

void CustomerSession::ChannelEnded() {
  if (phase_ == Phase::Running) {
    if (!graceTimer_.enabled()) graceTimer_.start();
  } else if (phase_ == Phase::Leaving) {
    Finish(EndReason::Customer);
  }
}

void CustomerSession::AgentSaidGoodbye() {
  // After the customer's own ".", the agent's is its answer: the customer ended the session.
  if (phase_ == Phase::Running) Finish(EndReason::Agent);
  else if (phase_ == Phase::Leaving) Finish(EndReason::Customer);
}

void CustomerSession::Leave() {
  if (phase_ != Phase::Running) return;
  phase_ = Phase::Leaving;
  output_.Line("STATE", "leaving");
  try {
    commandsOut_->SendCommand(".");
  } catch (const SessionError&) {
    Finish(EndReason::Customer);
    return;
  }
  closeTimer_.start();
}

void CustomerSession::Close(EndReason reason) { Finish(reason); }

void CustomerSession::Finish(EndReason reason) {
  if (phase_ == Phase::Ended || phase_ == Phase::Idle) return;
  phase_ = Phase::Ended;
  animationTimer_.stop();
  graceTimer_.stop();
  closeTimer_.stop();
  readyTimer_.stop();
  desktop_.Stop();
  // Not from here: this may run inside a channel's own end notification, which its worker waits
  // for, and deleting that channel waits for the worker.
  Post([this, reason] { Teardown(reason); });
}

void CustomerSession::Teardown(EndReason reason) {
  DeleteChannels();
  ForgetFiles();
  if (OnEnded) OnEnded(reason);
}

}  // namespace corvane::client
