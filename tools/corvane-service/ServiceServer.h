#pragma once
// The reference web service over HTTP (cpp-httplib): the three SOAP interfaces under the root
// path, address publication, status picture, customer-program download, the customer help-request
// endpoints, and a folder of update files. One log line per request.
//
// Threads: start() and stop() from the owning thread; requests are served on the HTTP server's
// worker threads (the store serialises data access); the log sink is called from those threads
// under logMutex_.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ServiceStore.h"

namespace httplib {
class Server;
}

namespace corvane::service::server {

struct ServerOptions {
  std::string host = "127.0.0.1";
  int port = 8090;                                   // 0: any free port
  std::string rootPath = "/scripts/ServiceCorvane.dll/";
  std::string updatesDir;                            // served under /maj/ when set
  std::string clientProgram;                         // served by GetFile when set
  std::function<void(const std::string&)> log;       // one line per request; none when empty
};

class ServiceServer {
public:
  ServiceServer(ServiceStore& store, ServerOptions options);
  ~ServiceServer();
  ServiceServer(const ServiceServer&) = delete;
  ServiceServer& operator=(const ServiceServer&) = delete;

  // Binds and starts serving on a thread of its own; throws EStoreError when the address cannot
  // be bound. Returns the port.
  int start();
  // Stops accepting, finishes the requests in progress and joins the threads.
  void stop();

  int port() const { return port_; }
  // "http://host:port/scripts/ServiceCorvane.dll/"
  std::string rootUrl() const;

private:
  void routes();
  void writeLog(const std::string& line);

  ServiceStore& store_;
  ServerOptions options_;
  std::unique_ptr<httplib::Server> http_;
  std::thread thread_;
  int port_ = 0;
  std::atomic<bool> listenEnded_{false};
  std::mutex logMutex_;
};

// Normalises a root path to "/.../" (leading and trailing slash).
std::string NormaliseRootPath(std::string path);

}  // namespace corvane::service::server
