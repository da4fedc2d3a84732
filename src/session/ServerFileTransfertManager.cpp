#include "session/ServerFileTransfertManager.h"

#include <vector>

#include "session/Limits.h"

namespace corvane::session {

bool TOLAServerFileTransfertManager::DoAccept() {
  bool accept = true;
  if (OnAccept) OnAccept(*this, accept);
  return accept;
}

size_t TOLAServerFileTransfertManager::WaitingTransferts() const {
  size_t waiting = 0;
  if (Owner()) {
    Owner()->ForEachComponent([&](TComponent& c) {
      auto* transfer = dynamic_cast<TOLAServerFileTransfert*>(&c);
      if (transfer && !transfer->Accepted()) ++waiting;
    });
  }
  return waiting;
}

void TOLAServerFileTransfertManager::DropStaleTransferts() {
  if (!Owner()) return;
  // Under the root's lock no connection can bind a transfer while it is being dropped.
  auto lock = Owner()->LockComponents();
  const uint32_t now = Loop().tickCount();
  std::vector<TOLAServerFileTransfert*> stale;
  Owner()->ForEachComponent([&](TComponent& c) {
    auto* transfer = dynamic_cast<TOLAServerFileTransfert*>(&c);
    if (transfer && !transfer->Accepted() &&
        now - transfer->CreatedTick() >= kIncomingTransfertConnectTimeOut)
      stale.push_back(transfer);
  });
  for (auto* transfer : stale) transfer->Free();
}

void TOLAServerFileTransfertManager::HandleMessage(TOLAMessageCode code) {
  if (code != mcNewTransfert) return;
  DropStaleTransferts();
  // Per-transfer channels belong to the session root, where connections are matched to channels.
  if (!Owner() || WaitingTransferts() >= kMaxWaitingIncomingTransfers || !DoAccept()) {
    WriteMessageCode(mcNone);
    return;
  }
  {
    // Built under the root's lock: no connection can bind the transfer before it is set up.
    auto lock = Owner()->LockComponents();
    TOLAServerFileTransfert* transfer = TransferClass()(Owner(), Loop());
    transfer->OnProgress = OnProgress;
    transfer->Receiver().TempFolder = TempFolder;
  }
  WriteMessageCode(mcTransfertAccepted);
}

TOLAIdServerFileTransfertManager::TOLAIdServerFileTransfertManager(TComponent* owner,
                                                                   base::MainLoop& loop)
    : TOLAServerFileTransfertManager(owner, loop) {
  InitIOHandler();
}

TOLACustomIOHandler* TOLAIdServerFileTransfertManager::CreateIOHandler() {
  return new TOLAIdServerIOHandler(this);
}

}  // namespace corvane::session
