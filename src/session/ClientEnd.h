#pragma once
// Bases of the customer-side ends of the session channels (used by the customer program and by
// tests). A listening end runs a worker that reads what the agent sends and raises its events on
// that worker thread; a handler that needs the main thread uses Synchronize. A speaking end sends
// from the caller's thread.
//
// Threads: sends may come from any thread and are serialised by sendMutex_, so that the code line
// and the body of one message are never interleaved with another message.

#include <cstdint>
#include <mutex>
#include <string>

#include "session/ClientComponent.h"

namespace corvane::session {

class TOLAClientListeningEnd : public TOLACustomClientListening {
public:
  using TOLACustomClientListening::TOLACustomClientListening;

protected:
  // The worker ended (code 2, a read error, a record that did not decode): the connection is
  // closed, so that the agent sees the channel go.
  void DoAfterExecute() override;
  std::mutex sendMutex_;
};

class TOLAClientSpeakingEnd : public TOLACustomClient {
public:
  using TOLACustomClient::TOLACustomClient;

protected:
  std::mutex sendMutex_;
};

// Sets the agent's address and connects, announcing the client's channel. Throws ConnectError.
void ConnectClient(TOLACustomClient& client, const std::string& host, uint16_t port);

}  // namespace corvane::session
