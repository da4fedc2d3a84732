#pragma once
// The agent's end of channel 24: answers the customer's requests to send a file. On code 35 it asks
// OnAccept; an accepted request creates a per-transfer channel (26), owned by the session root so
// that the next connection announcing 26 binds to it, and is answered with 36. A refused request,
// or one beyond kMaxWaitingIncomingTransfers transfers still waiting for their connection, is
// answered with 0 and creates nothing. A transfer whose connection has not come within
// kIncomingTransfertConnectTimeOut is dropped at the next request, so a connection refused by the
// session's cap, or never made, does not hold a waiting place for ever.
//
// Threads: HandleMessage and OnAccept run on the manager's connection thread. OnProgress and
// TempFolder are set before the session's server starts; each new transfer gets copies of them.

#include <functional>
#include <string>

#include "session/ChannelComponent.h"
#include "session/FileTransfertEvents.h"
#include "session/ServerFileTransfert.h"

namespace corvane::session {

class TOLAServerFileTransfertManager;

// (sender, accept by reference, starting true)
using TOLAAcceptNewReceiveTransfertEvent =
    std::function<void(TOLAServerFileTransfertManager& sender, bool& accept)>;

class TOLAServerFileTransfertManager : public TOLACustomServer {
public:
  using TransferClassRef = TOLAServerFileTransfert* (*)(TComponent* owner, base::MainLoop& loop);

  using TOLACustomServer::TOLACustomServer;

  TOLAMessageCode ChannelId() const override { return mcChannelFileTransfertManager; }

  TOLAAcceptNewReceiveTransfertEvent OnAccept;
  TOLAFileTransfertProgressionEvent OnProgress;
  // Where received files are written; empty means the system's temporary folder.
  std::string TempFolder;

  void HandleMessage(TOLAMessageCode code) override;
  // Incoming transfers of the session root that still wait for their connection.
  size_t WaitingTransferts() const;

protected:
  virtual TransferClassRef TransferClass() const = 0;
  virtual bool DoAccept();

private:
  // Destroys the transfers of the session root still unbound after the connection time-out.
  void DropStaleTransferts();
};

class TOLAIdServerFileTransfertManager final : public TOLAServerFileTransfertManager {
public:
  TOLAIdServerFileTransfertManager(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
  TransferClassRef TransferClass() const override { return &TOLAIdServerFileTransfert::Create; }
};

}  // namespace corvane::session
