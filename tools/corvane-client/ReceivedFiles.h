#pragma once
// Puts the files the agent sends into the receive folder. A transfer writes into a temporary file
// of the hidden ".corvane-incoming" folder inside the receive folder (same file system, so the
// final move is a rename); once complete, the file takes the last component of the agent's file
// name, made safe, and never replaces an existing file ("report (2).txt" instead). A packed folder
// (the transfer names a folder) is unpacked into a new folder of that name. A cancelled transfer
// leaves nothing behind.
//
// Threads: main thread only (the transfers' progress events).

#include <string>
#include <string_view>

#include "session/FileTransfertProgressInfos.h"

namespace corvane::client {

class ReceivedFiles {
public:
  explicit ReceivedFiles(std::string folder);

  const std::string& Folder() const { return folder_; }
  // Where transfers write; created by Prepare.
  std::string IncomingFolder() const;
  // Creates the receive and incoming folders. Throws ReceivedFileError.
  void Prepare();

  // A transfer ended complete: moves (or unpacks) its temporary file into place and returns the
  // final path. Throws ReceivedFileError; the temporary file is removed either way.
  std::string Settle(const session::TOLAFileTransfertProgressInfos& infos);
  // A transfer ended cancelled, or never ended: removes its temporary file.
  void Discard(const std::string& localFileName);
  // Removes the incoming folder when nothing is left in it.
  void Cleanup();

  // A local name for a name chosen by the agent: the last component of a Windows or POSIX path,
  // without control characters, not hidden, not "." or "..", at most kMaxReceivedNameLength bytes
  // (the extension kept); fallback when nothing usable is left.
  static std::string SafeName(std::string_view senderPath, std::string_view fallback);

private:
  bool OwnTemporary(const std::string& path) const;
  std::string folder_;
};

}  // namespace corvane::client
