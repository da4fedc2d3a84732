#include "ServiceServer.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>

#include <sys/socket.h>
#include <sstream>

#include "RequestLog.h"
#include "ServiceLimits.h"
#include "SoapOperations.h"
#include "VerificationPicture.h"
#include "service/RemotableFaults.h"
#include "service/SoapWriter.h"

namespace corvane::service::server {
namespace {

using Clock = std::chrono::steady_clock;
thread_local RequestLog tCurrentLog;
thread_local Clock::time_point tStart;

std::string RegexEscape(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

// A text for the one-line log: control characters and quotes become spaces.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < ' ' || c == '"') c = ' ';
  return text;
}

std::string AsText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Field of a form (urlencoded body or query), bounded in size.
std::string Field(const httplib::Request& req, const char* name) {
  std::string v = req.has_param(name) ? req.get_param_value(name) : std::string();
  if (v.size() > kMaxFormFieldBytes) v.resize(kMaxFormFieldBytes);
  return v;
}

}  // namespace

RequestLog& CurrentRequestLog() { return tCurrentLog; }

std::string NormaliseRootPath(std::string path) {
  if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
  if (path.back() != '/') path += '/';
  return path;
}

ServiceServer::ServiceServer(ServiceStore& store, ServerOptions options)
    : store_(store), options_(std::move(options)), http_(std::make_unique<httplib::Server>()) {
  options_.rootPath = NormaliseRootPath(options_.rootPath);
  routes();
}

ServiceServer::~ServiceServer() { stop(); }

std::string ServiceServer::rootUrl() const {
  return "http://" + options_.host + ":" + std::to_string(port_) + options_.rootPath;
}

void ServiceServer::writeLog(const std::string& line) {
  if (!options_.log) return;
  std::lock_guard lock(logMutex_);
  options_.log(line);
}

void ServiceServer::routes() {
  httplib::Server& http = *http_;
  const std::string root = RegexEscape(options_.rootPath);
  http.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
  http.set_payload_max_length(kMaxRequestBytes);
  http.set_read_timeout(15, 0);
  http.set_write_timeout(15, 0);
  http.set_keep_alive_timeout(2);

  http.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
    tCurrentLog = RequestLog{};
    tStart = Clock::now();
    return httplib::Server::HandlerResponse::Unhandled;
  });
  http.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - tStart).count();
    const RequestLog& log = tCurrentLog;
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f", ms);
    writeLog(req.remote_addr + " " + req.method + " " + req.path + " op=" +
             (log.operation.empty() ? "-" : log.operation) + " agent=" +
             (log.agent.empty() ? "-" : log.agent) + " outcome=" +
             (log.outcome.empty() ? std::to_string(res.status) : log.outcome) + " status=" +
             std::to_string(res.status) + " ms=" + duration +
             (log.detail.empty() ? "" : " detail=\"" + OneLine(log.detail) + "\""));
  });
  // Errors httplib produces itself (oversized body, unknown path) on a SOAP endpoint still
  // answer a SOAP fault, so the console reports them like any other fault.
  http.set_error_handler(httplib::Server::HandlerWithResponse([this](const httplib::Request& req, httplib::Response& res) {
    if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
    if (req.path.rfind(options_.rootPath + "soap/", 0) == 0) {
      std::string text = res.status == 413 ? "Request too large" : "Request refused (HTTP " + std::to_string(res.status) + ")";
      tCurrentLog.outcome = "fault " + text;
      res.status = 500;
      res.set_content(SoapWriter::Fault("SOAP-ENV:Client", ERemotableException(text)), "text/xml; charset=utf-8");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  }));

  for (const InterfaceInfo* iface : {&kICorvaneAgent, &kICorvaneGroupeAgent, &kICorvaneInscription}) {
    http.Post(root + std::string(iface->endpoint), [this, iface](const httplib::Request& req, httplib::Response& res) {
      SoapOutcome outcome = HandleSoapRequest(store_, *iface, req.body, req.remote_addr);
      res.status = outcome.status;
      res.set_content(std::move(outcome.body), "text/xml; charset=utf-8");
    });
  }

  http.Get(root + "UpdateIP", [this](const httplib::Request& req, httplib::Response& res) {
    tCurrentLog.operation = "UpdateIP";
    bool ok = store_.UpdateIP(Field(req, "session"), req.remote_addr);
    tCurrentLog.outcome = ok ? "ok" : "invalid session";
    res.status = ok ? 200 : 403;
    res.set_content(ok ? "OK" : "Invalid session", "text/plain");
  });

  http.Get(root + "img", [this](const httplib::Request& req, httplib::Response& res) {
    tCurrentLog.operation = "img";
    auto availability = store_.GroupAvailability(Field(req, "Id"));
    if (Field(req, "Image") != "imgStatut" || !availability) {
      tCurrentLog.outcome = "unknown";
      res.status = 404;
      return;
    }
    static const std::string kPictures[3] = {AsText(SolidPng(0x90, 0x90, 0x90)),
                                             AsText(SolidPng(0xE0, 0x80, 0x10)),
                                             AsText(SolidPng(0x20, 0xB0, 0x30))};
    tCurrentLog.outcome = std::to_string(availability->first);
    if (!availability->second.empty()) {
      res.set_redirect(availability->second);
      return;
    }
    res.set_content(kPictures[std::clamp(availability->first, 0, 2)], "image/png");
  });

  http.Get(root + "GetFile", [this](const httplib::Request& req, httplib::Response& res) {
    tCurrentLog.operation = "GetFile";
    if (Field(req, "FileID") != "CorvaneClient" ||
        !store_.CheckChallenge(Field(req, "CIID"), Field(req, "CIPass"))) {
      tCurrentLog.outcome = "refused";
      res.status = 403;
      res.set_content("Incorrect verification code.", "text/plain");
      return;
    }
    std::ifstream file(options_.clientProgram, std::ios::binary);
    if (options_.clientProgram.empty() || !file) {
      tCurrentLog.outcome = "no program";
      res.status = 404;
      return;
    }
    std::ostringstream content;
    content << file.rdbuf();
    tCurrentLog.outcome = "ok";
    res.set_header("Content-Disposition", "attachment; filename=\"corvane-client\"");
    res.set_content(content.str(), "application/octet-stream");
  });

  http.Post(root + "client/DemandeAssistance", [this](const httplib::Request& req, httplib::Response& res) {
    tCurrentLog.operation = "client.DemandeAssistance";
    try {
      HelpRequestAnswer answer = store_.OpenHelpRequest(
          Field(req, "GroupeID"), Field(req, "Nom"), Field(req, "EMail"), Field(req, "Identifiant"),
          Field(req, "Description"), req.remote_addr);
      // The token line comes after the identifier: readers that predate it skip unknown lines.
      std::string body = "AssistanceID=" + answer.assistanceId + "\nJeton=" + answer.token + "\n";
      for (const auto& [address, port] : answer.agents)
        body += "Agent=" + address + ":" + std::to_string(port) + "\n";
      tCurrentLog.outcome = "ok " + answer.assistanceId;
      res.set_content(body, "text/plain; charset=utf-8");
    } catch (const ERemotableClientsConnusSeulement&) {
      tCurrentLog.outcome = "known customers only";
      res.status = 403;
      res.set_content("Error=ClientsConnusSeulement\n", "text/plain");
    } catch (const ERemotableException&) {
      tCurrentLog.outcome = "unknown group";
      res.status = 404;
      res.set_content("Error=GroupeInconnu\n", "text/plain");
    }
  });

  http.Post(root + "client/Cloture", [this](const httplib::Request& req, httplib::Response& res) {
    tCurrentLog.operation = "client.Cloture";
    std::string letter = Field(req, "Lettre");
    try {
      if (letter.size() != 1) throw ERemotableIdentifiantIncorrect("one letter expected");
      store_.RecordClosingLetter(Field(req, "AssistanceID"), Field(req, "Jeton"), letter[0]);
      tCurrentLog.outcome = "ok " + letter;
      res.set_content("OK\n", "text/plain");
    } catch (const ERemotableException&) {
      tCurrentLog.outcome = "refused";
      res.status = 400;
      res.set_content("Error=Refuse\n", "text/plain");
    }
  });

  if (!options_.updatesDir.empty()) http.set_mount_point("/maj", options_.updatesDir);

  http.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr ep) {
    std::string what = "internal error";
    try {
      if (ep) std::rethrow_exception(ep);
    } catch (const std::exception& e) {
      what = e.what();
    } catch (...) {
    }
    tCurrentLog.outcome = "error";
    tCurrentLog.detail = what;
    res.status = 500;
    res.set_content("Internal error\n", "text/plain");
  });
}

int ServiceServer::start() {
  int listening = -1;
  http_->set_socket_options([&listening](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    listening = sock;
  });
  if (options_.port == 0) port_ = http_->bind_to_any_port(options_.host);
  else port_ = http_->bind_to_port(options_.host, options_.port) ? options_.port : -1;
  http_->set_socket_options([](socket_t) {});  // drops the reference to the local above
  if (port_ <= 0)
    throw EStoreError("Cannot listen on " + options_.host + ":" + std::to_string(options_.port));
  // The library listens with a backlog of 5: when many consoles connect at once, the kernel drops
  // the handshakes beyond it and those clients wait for retransmissions of several seconds, long
  // enough to time out. Listening again on the same socket only enlarges the queue.
  if (listening >= 0) ::listen(listening, kListenBacklog);
  listenEnded_ = false;
  thread_ = std::thread([this] {
    http_->listen_after_bind();
    listenEnded_ = true;
  });
  return port_;
}

void ServiceServer::stop() {
  if (!thread_.joinable()) return;
  // The socket listens from start(); stop() only takes effect once the accept loop runs.
  while (!http_->is_running() && !listenEnded_) std::this_thread::yield();
  http_->stop();
  thread_.join();
}

}  // namespace corvane::service::server
