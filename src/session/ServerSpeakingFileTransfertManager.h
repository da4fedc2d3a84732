#pragma once
// The agent's end of channel 25: announces the files the agent sends. SendFile checks the file,
// creates a per-transfer channel (27) owned by the session root, and writes 35; the customer then
// opens a connection announcing 27, which binds to the oldest waiting transfer. Codes the customer
// sends on this channel are ignored.
//
// Threads: SendFile and OnAccept run on the main thread, which writes on this channel's connection
// while the connection's thread listens on it. OnConfig and OnProgress are handed to each new
// transfer (set them before the session's server starts).

#include <functional>
#include <string>

#include "session/ChannelComponent.h"
#include "session/FileTransfertEvents.h"
#include "session/ServerSpeakingFileTransfert.h"

namespace corvane::session {

class TOLAServerSpeakingFileTransfertManager;

// (sender, file, folder name when the file is a packed folder, accept by reference, starting true)
using TOLAAcceptNewSendTransfertEvent =
    std::function<void(TOLAServerSpeakingFileTransfertManager& sender, const std::string& aFile,
                       const std::string& directoryNameIfIsDirectory, bool& accept)>;

class TOLAServerSpeakingFileTransfertManager : public TOLACustomServer {
public:
  using TransferClassRef = TOLAServerSpeakingFileTransfert* (*)(TComponent* owner,
                                                                base::MainLoop& loop,
                                                                const std::string& fileName);

  using TOLACustomServer::TOLACustomServer;

  TOLAMessageCode ChannelId() const override { return mcChannelSpeakingFileTransfertManager; }

  TOLAAcceptNewSendTransfertEvent OnAccept;
  TOLAFileTransfertConfigEvent OnConfig;
  TOLAFileTransfertProgressionEvent OnProgress;

  // Starts sending a file (directoryName: empty for a plain file, the folder's name for a packed
  // folder). Raises FileSystemError for a missing file and EFileTransfertSourceFileError for an
  // empty, unreadable or too large one; creates nothing then. Does nothing when OnAccept refuses,
  // or when a transfer of the same path (compared without regard to case) already exists in this
  // session. Returns the new transfer, or nullptr; the transfer is destroyed on its connection's
  // thread when that connection ends, so the pointer is only good until then.
  TOLAServerSpeakingFileTransfert* SendFile(const std::string& fileName,
                                            const std::string& directoryName);

protected:
  virtual TransferClassRef TransferClass() const = 0;
  virtual bool DoAccept(const std::string& fileName, const std::string& directoryName);
};

class TOLAIdServerSpeakingFileTransfertManager final : public TOLAServerSpeakingFileTransfertManager {
public:
  TOLAIdServerSpeakingFileTransfertManager(TComponent* owner, base::MainLoop& loop);

protected:
  TOLACustomIOHandler* CreateIOHandler() override;
  TransferClassRef TransferClass() const override {
    return &TOLAIdServerSpeakingFileTransfert::Create;
  }
};

// Compares two paths as the peer's file system does, without regard to case (ASCII and Latin-1
// letters).
bool SameFileName(std::string_view a, std::string_view b);

}  // namespace corvane::session
