#include "session/FileTransfertCore.h"

#include "base/Format.h"
#include "base/Translate.h"
#include "session/FileTransfertError.h"

namespace corvane::session {

EFileTransfertSourceFileError SourceFileError(std::string_view text, const std::string& fileName) {
  return EFileTransfertSourceFileError(base::Format(base::Tr(text), {fileName}));
}

TOLAFileTransfertCore::TOLAFileTransfertCore(IOLATransport& channel, base::MainLoop& loop,
                                             TOLAFileTransfertDirection direction)
    : channel_(channel), loop_(loop) {
  infos_.Direction = direction;
  windowStart_ = loop_.tickCount();
}

TOLAFileTransfertCore::~TOLAFileTransfertCore() = default;

void TOLAFileTransfertCore::Progress(int64_t n) {
  if (!OnProgress) return;
  infos_.Transferred += n;
  if (n > 0) {
    windowBytes_ += static_cast<uint32_t>(n);
    const uint32_t elapsed = loop_.tickCount() - windowStart_;  // wraps like the tick counter
    if (elapsed != 0) infos_.BytesPerSecond = double(windowBytes_) / elapsed * 1000.0;
  }
  OnProgress(*this, infos_);
}

void TOLAFileTransfertCore::AfterBlock() {
  if (blockCounter_++ == kBlocksPerWindow - 1) ResetWindow();
}

void TOLAFileTransfertCore::ResetWindow() {
  blockCounter_ = 0;
  windowBytes_ = 0;
  windowStart_ = loop_.tickCount();
}

void TOLAFileTransfertCore::Finish() {
  if (Final()) return;
  infos_.Status = infos_.Transferred == infos_.FileSize ? ftsTransferred : ftsCancelled;
  Progress(0);
}

}  // namespace corvane::session
