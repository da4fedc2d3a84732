#pragma once
// The progress record of one file transfer, copied by value to every progress event.

#include <cstdint>
#include <string>

#include "session/MessageData.h"

namespace corvane::session {

enum TOLAFileTransfertStatus : uint8_t {
  ftsNone = 0,
  ftsPreparing = 1,
  ftsTransferring = 2,
  ftsCancelled = 3,
  ftsTransferred = 4,
};

enum TOLAFileTransfertDirection : uint8_t { ftdReceive = 0, ftdSend = 1 };

struct TOLAFileTransfertProgressInfos {
  // Sender: the path of the file sent. Receiver: the sender's path, as announced (never a local path).
  std::string FileName;
  // Receiver only: the temporary file the data is written to.
  std::string LocalFileName;
  int64_t FileSize = 0;
  int64_t Transferred = 0;
  // Estimated seconds left; computed by the sender only.
  int32_t RemainingSeconds = 0;
  // Speed over the current measuring window.
  double BytesPerSecond = 0;
  TOLAFileTransfertStatus Status = ftsNone;
  TOLAAuthorizedEndOperations Authorizations = 0;
  TOLAFileTransfertDirection Direction = ftdReceive;
  // Empty for a plain file; the folder's name when the file is a packed folder.
  std::string DirectoryName;
};

}  // namespace corvane::session
