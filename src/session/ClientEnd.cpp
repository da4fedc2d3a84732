#include "session/ClientEnd.h"

namespace corvane::session {

void TOLAClientListeningEnd::DoAfterExecute() {
  TOLACustomClientListening::DoAfterExecute();
  IOHandler()->Disconnect();
}

void ConnectClient(TOLACustomClient& client, const std::string& host, uint16_t port) {
  client.ClientIOHandler().Host = host;
  client.ClientIOHandler().Port = port;
  client.Connect();
}

}  // namespace corvane::session
