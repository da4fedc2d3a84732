#pragma once
// The receiving half of a file transfer: writes the announced file into a new temporary file.
// Codes handled: 37 header, 38 block, 39 end, 40 cancel; reads go through the owning channel.
//
// A transfer counts as transferred only when the end code arrives after exactly the announced
// number of bytes. A block beyond the announced size, or a write that fails (disk full), ends the
// transfer as cancelled, deletes the partial file and raises EFileTransfertError, which ends the
// connection.
//
// Threads: the channel's connection thread (agent side) or worker thread (customer side) only.

#include <string>
#include <string_view>

#include "session/FileTransfertCore.h"
#include "session/MessageCode.h"

namespace corvane::session {

class TOLAFileReceiver final : public TOLAFileTransfertCore {
public:
  TOLAFileReceiver(IOLATransport& channel, base::MainLoop& loop);
  ~TOLAFileReceiver() override;

  // Folder of the temporary files; empty means $TMPDIR, or /tmp.
  std::string TempFolder;

  void HandleMessage(TOLAMessageCode code);
  void Finish() override;

  // The extension of the sender's file name (a Windows or POSIX path) when it is short and made of
  // letters, digits, '_' and '-' only, with its dot; otherwise empty. Nothing else of the sender's
  // path is ever used locally.
  static std::string SafeExtension(std::string_view senderFileName);

private:
  void ReceiveHeader();
  void ReceiveBlock();
  void ReceiveEnd(TOLAFileTransfertStatus status);
  std::string CreateTempFile(const std::string& extension);
  [[noreturn]] void Abandon(const std::string& why);

  bool headerReceived_ = false;
  int64_t received_ = 0;
};

}  // namespace corvane::session
