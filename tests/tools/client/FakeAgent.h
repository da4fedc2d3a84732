#pragma once
// The agent's side for the customer program's tests: a call listener that records every call
// request and answers as told, and a session made of the session library's agent-side channels,
// in the console's order, on a TCP server over loopback. The session keeps a picture of the
// customer's screen from the frame events, exactly as the console does.

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/ManualLoop.h"
#include "session/ChannelComponent.h"
#include "session/ChatChannels.h"
#include "session/ClipboardChannels.h"
#include "session/CommandChannels.h"
#include "session/CursorChannel.h"
#include "session/InputChannel.h"
#include "session/ScreenChannel.h"
#include "session/ScreenPicture.h"
#include "session/ServerFileTransfertManager.h"
#include "session/ServerSpeakingFileTransfertManager.h"
#include "session/SystemClipboard.h"
#include "session/TcpServer.h"
#include "session/ThreadSafeClipboard.h"

namespace corvane::client::testing {

// Lines written by several threads, read by the test.
class Log {
public:
  void Add(std::string line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
  }
  std::vector<std::string> Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  bool Contains(const std::string& line) const {
    std::lock_guard lock(mutex_);
    for (const auto& l : lines_)
      if (l == line) return true;
    return false;
  }
  bool HasPrefix(const std::string& prefix) const {
    std::lock_guard lock(mutex_);
    for (const auto& l : lines_)
      if (l.rfind(prefix, 0) == 0) return true;
    return false;
  }
  size_t Count(const std::string& prefix) const {
    std::lock_guard lock(mutex_);
    size_t n = 0;
    for (const auto& l : lines_)
      if (l.rfind(prefix, 0) == 0) ++n;
    return n;
  }

private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// An agent's call listener: answers like the console's, from a plan set by the test.
class FakeCallListener {
public:
  struct Request {
    std::string userAgent;
    std::map<std::string, std::string> dad;  // the DAD- headers
    int Action() const {
      auto it = dad.find("DAD-Action");
      return it == dad.end() ? 0 : std::stoi(it->second);
    }
  };
  enum class Plan { Accept, Refuse, NeverAnswer };

  FakeCallListener() {
    auto handler = [this](const httplib::Request& req, httplib::Response& res) { Handle(req, res); };
    server_.Get(".*", handler);
    server_.Post(".*", handler);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() before the listening loop started would be lost, and the destructor would hang.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_.is_running() && std::chrono::steady_clock::now() < until) std::this_thread::yield();
  }
  ~FakeCallListener() {
    server_.stop();
    thread_.join();
  }

  uint16_t Port() const { return static_cast<uint16_t>(port_); }

  // The answer comes at the given poll (0: already to the new call).
  void Answer(Plan plan, int atPoll = 1, uint16_t sessionPort = 0) {
    std::lock_guard lock(mutex_);
    plan_ = plan;
    atPoll_ = atPoll;
    sessionPort_ = sessionPort;
  }
  std::vector<Request> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  std::vector<int> Actions() const {
    std::vector<int> out;
    for (const auto& r : Requests()) out.push_back(r.Action());
    return out;
  }

private:
  void Handle(const httplib::Request& req, httplib::Response& res) {
    Request r;
    r.userAgent = req.get_header_value("User-Agent");
    for (const auto& [name, value] : req.headers)
      if (name.rfind("DAD-", 0) == 0) r.dad[name] = value;
    std::lock_guard lock(mutex_);
    requests_.push_back(r);
    const int action = r.Action();
    if (action == 2) ++polls_;
    if ((action == 1 && atPoll_ == 0) || (action == 2 && polls_ >= atPoll_)) {
      if (plan_ == Plan::Accept) {
        res.set_header("DAD-Reponse", "OK");
        res.set_header("DAD-Port", std::to_string(sessionPort_));
      } else if (plan_ == Plan::Refuse) {
        res.set_header("DAD-Reponse", "NOK");
      }
    }
    res.status = 200;
  }

  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  Plan plan_ = Plan::NeverAnswer;
  int atPoll_ = 1;
  int polls_ = 0;
  uint16_t sessionPort_ = 0;
};

// The agent's session: the eleven channels on one TCP server. Every event is recorded in log;
// the screen events keep picture.
class FakeAgentSession {
public:
  FakeAgentSession(base::ManualLoop& loop, std::filesystem::path receiveFolder)
      : loop(loop), server(loop), clipboard(std::make_shared<session::InMemoryClipboard>(loop)) {
    using namespace corvane::session;
    TThreadSafeClipboard::Instance().SetSystemClipboard(clipboard);
    screen = new TOLAIdServerScreen(&root, loop);
    cursor = new TOLAIdServerCursor(&root, loop);
    inputs = new TOLAIdServerSpeakingInputs(&root, loop);
    clipboardIn = new TOLAIdServerClipboard(&root, loop);
    clipboardOut = new TOLAIdServerSpeakingClipboard(&root, loop);
    clipboardOut->SetServerClipBoardReceiver(clipboardIn);
    chatIn = new TOLAIdServerChat(&root, loop);
    chatOut = new TOLAIdServerSpeakingChat(&root, loop);
    commandsIn = new TOLAIdServerCommands(&root, loop);
    commandsOut = new TOLAIdServerSpeakingCommands(&root, loop);
    filesIn = new TOLAIdServerFileTransfertManager(&root, loop);
    filesOut = new TOLAIdServerSpeakingFileTransfertManager(&root, loop);

    screen->OnScreenDimensionsChange = [this](TOLAServerScreen&, int32_t w, int32_t h) {
      log.Add("size " + std::to_string(w) + "x" + std::to_string(h));
      picture = Image(w, h, 0xFF000000u);
    };
    screen->OnCopyRectUpdate = [this](TOLAServerScreen&, const TRect& src, const TRect& dest) {
      ++copies;
      CopyRectangle(picture, src, dest);
    };
    screen->OnGraphicUpdate = [this](TOLAServerScreen&, const Image& g, uint16_t x, uint16_t y) {
      DrawPicture(picture, g, x, y);
    };
    screen->OnFrameUpdateEnd = [this](TOLAServerScreen&) { ++frames; };
    screen->OnOptionsChanged = [this](TOLAServerScreen&) { log.Add("options"); };
    cursor->OnCursorImageChange = [this](TOLAServerCursor& c) {
      log.Add("cursor image " + std::to_string(c.CursorImage()->width) + "x" +
              std::to_string(c.CursorImage()->height));
    };
    cursor->OnCursorImagePosChange = [this](TOLAServerCursor&, int32_t x, int32_t y) {
      log.Add("cursor at " + std::to_string(x) + "," + std::to_string(y));
    };
    chatIn->OnMessageChat = [this](TOLAServerChat&, const std::string& text) { log.Add("chat " + text); };
    commandsIn->OnCommand = [this](TOLAServerCommands&, const std::string& command) {
      log.Add("command " + command);
      if (command == "." && answerGoodbye) commandsOut->SendCommand(".");
    };
    filesIn->TempFolder = receiveFolder.string();
    filesIn->OnAccept = [this](TOLAServerFileTransfertManager&, bool& accept) { accept = acceptFiles.load(); };
    auto progress = [this](TOLABaseComponent&, const TOLAFileTransfertProgressInfos& p) {
      if (p.Status == ftsTransferred || p.Status == ftsCancelled)
        log.Add(std::string(p.Status == ftsTransferred ? "transferred " : "cancelled ") +
                (p.Direction == ftdSend ? "sent " : "received ") + p.FileName +
                (p.Direction == ftdReceive ? " -> " + p.LocalFileName : std::string()) +
                (p.DirectoryName.empty() ? std::string() : " folder " + p.DirectoryName));
    };
    filesIn->OnProgress = progress;
    filesOut->OnProgress = progress;

    server.SetBinding("127.0.0.1", 0);
    server.SetContextFactory([](session::TcpServer& s, std::unique_ptr<session::TcpConnection> c) {
      return std::make_unique<session::TOLAIdContext>(s, std::move(c));
    });
    server.OnExecute = [this](session::TcpContext& ctx) {
      session::ExecuteSessionConnection(static_cast<session::TOLAIdContext&>(ctx), root);
    };
    server.OnDisconnect = [this](session::TcpContext&) { ++disconnects; };
    // As the console does once every channel is there: ask for the options and start the frames.
    screen->RequestOptions();
    screen->SetActive(true);
    server.SetActive(true);
  }
  ~FakeAgentSession() {
    Stop();
    session::TThreadSafeClipboard::Instance().SetSystemClipboard(nullptr);
  }

  uint16_t Port() const { return server.Port(); }
  // The network fails: every connection ends without a word.
  void Stop() { server.SetActive(false); }

  bool AllBound() const {
    for (session::TOLACustomServer* c : Channels())
      if (!c->Accepted()) return false;
    return true;
  }
  std::vector<session::TOLACustomServer*> Channels() const {
    return {screen, cursor, inputs, clipboardIn, clipboardOut, chatIn, chatOut, commandsIn, commandsOut, filesIn, filesOut};
  }

  base::ManualLoop& loop;
  session::TComponent root;
  session::TcpServer server;
  std::shared_ptr<session::InMemoryClipboard> clipboard;
  Log log;
  session::Image picture;
  std::atomic<int> frames{0};
  std::atomic<int> copies{0};
  std::atomic<int> disconnects{0};
  std::atomic<bool> acceptFiles{true};
  std::atomic<bool> answerGoodbye{true};  // answers the customer's "." with its own, as the console

  session::TOLAIdServerScreen* screen;
  session::TOLAIdServerCursor* cursor;
  session::TOLAIdServerSpeakingInputs* inputs;
  session::TOLAIdServerClipboard* clipboardIn;
  session::TOLAIdServerSpeakingClipboard* clipboardOut;
  session::TOLAIdServerChat* chatIn;
  session::TOLAIdServerSpeakingChat* chatOut;
  session::TOLAIdServerCommands* commandsIn;
  session::TOLAIdServerSpeakingCommands* commandsOut;
  session::TOLAIdServerFileTransfertManager* filesIn;
  session::TOLAIdServerSpeakingFileTransfertManager* filesOut;
};

}  // namespace corvane::client::testing
