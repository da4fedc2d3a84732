#pragma once
// The sending half of a file transfer: announces the file with a header (code 37), sends it in
// blocks (code 38) whose size follows the measured speed, and ends with code 39, or 40 when the
// transfer is abandoned. Writes go through the owning channel.
//
// Threads: the channel's connection thread (agent side) or worker thread (customer side) only.

#include <cstdint>
#include <functional>
#include <string>

#include "session/FileTransfertCore.h"

namespace corvane::session {

class TOLAFileSender final : public TOLAFileTransfertCore {
public:
  // Block size until the speed is known.
  static constexpr uint32_t kDefaultBlockSize = 15360;
  static constexpr uint32_t kMinBlockSize = 1024;
  // Each block is held whole in memory on both sides, so a fast link must not make it huge.
  static constexpr uint32_t kMaxBlockSize = 1024 * 1024;
  // Files of this size or more are refused (peers count the bytes left in 32 bits).
  static constexpr int64_t kFileSizeLimit = int64_t{1} << 32;

  TOLAFileSender(IOLATransport& channel, base::MainLoop& loop, std::string fileName);
  ~TOLAFileSender() override;

  // Run when the last block has gone out (the channel ends its round).
  std::function<void(TOLAFileSender&)> OnFinished;

  const std::string& FileName() const { return infos_.FileName; }
  void SetAuthorizations(TOLAAuthorizedEndOperations authorizations) {
    infos_.Authorizations = authorizations;
  }
  uint32_t BlockSize() const { return blockSize_; }

  // Opens the file and sends the header. A file that cannot be opened, or is too large, raises
  // FileSystemError or EFileTransfertSourceFileError; Finish then ends the transfer as cancelled.
  void Start(const std::string& directoryName);
  // Sends the next block, or the end code once every byte is out. A file shortened meanwhile
  // raises AbortError, which ends the round; Finish then cancels (code 40). A read error inside a
  // block raises EFileTransfertError: the block cannot be completed, so the connection must end.
  void SendNextBlock();
  // Ends the transfer (code 39 when complete, 40 otherwise), closes the file and deletes it when it
  // is a packed folder made for this transfer. After a block that could not be completed it writes
  // nothing: the receiver would read the code as part of the block.
  void Finish() override;
  // Ends a transfer that never started as cancelled (code 40), as Finish does; directoryName is
  // the one Start would have been given, so that a packed folder is deleted too.
  void Cancel(const std::string& directoryName);

  // About half a second of data at the measured speed, within [kMinBlockSize, kMaxBlockSize].
  static uint32_t BlockSizeFor(double bytesPerSecond);

private:
  uint32_t blockSize_ = 0;
  bool failed_ = false;
  bool blockOpen_ = false;  // a block's code went out and not all of its bytes
};

}  // namespace corvane::session
