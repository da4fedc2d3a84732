#include "session/FileSender.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "session/FileTransfertError.h"

namespace corvane::session {

TOLAFileSender::TOLAFileSender(IOLATransport& channel, base::MainLoop& loop, std::string fileName)
    : TOLAFileTransfertCore(channel, loop, ftdSend) {
  infos_.FileName = std::move(fileName);
}

TOLAFileSender::~TOLAFileSender() = default;

uint32_t TOLAFileSender::BlockSizeFor(double bytesPerSecond) {
  if (!(bytesPerSecond > 0)) return kMinBlockSize;
  if (bytesPerSecond >= 2.0 * kMaxBlockSize) return kMaxBlockSize;
  const int64_t half = std::llround(bytesPerSecond) / 2;
  return static_cast<uint32_t>(std::clamp<int64_t>(half, kMinBlockSize, kMaxBlockSize));
}

void TOLAFileSender::Start(const std::string& directoryName) {
  infos_.Status = ftsPreparing;
  infos_.DirectoryName = directoryName;
  Progress(0);
  try {
    file_.reset();
    try {
      file_ = std::make_unique<base::FileStream>(infos_.FileName, base::FileStream::Mode::Read);
    } catch (const base::StreamError& e) {
      throw FileSystemError(e.what());
    }
    infos_.FileSize = file_->Size();
    if (infos_.FileSize >= kFileSizeLimit) throw SourceFileError(kSourceFileTooLarge, infos_.FileName);
  } catch (...) {
    failed_ = true;
    file_.reset();
    throw;
  }
  if (blockSize_ == 0) blockSize_ = kDefaultBlockSize;
  TOLAFileTransfertMessageData header;
  header.FileName = infos_.FileName;
  header.FileSize = infos_.FileSize;
  header.DirectoryName = infos_.DirectoryName;
  header.Authorizations = infos_.Authorizations;
  try {
    Channel().WriteMessageCode(mcFileHeader);
    Channel().WriteComponent(header);
  } catch (...) {
    failed_ = true;  // the header never went out: the transfer cannot count as done
    infos_.Status = ftsTransferring;
    ResetWindow();
    throw;
  }
  infos_.Status = ftsTransferring;
  ResetWindow();
}

void TOLAFileSender::SendNextBlock() {
  if (!file_ || Final()) return;
  const int64_t remaining = infos_.FileSize - file_->Position();
  if (remaining <= 0) {
    try {
      Channel().WriteMessageCode(mcFileEnd);
    } catch (const SessionError&) {
    }
    file_.reset();
    if (OnFinished) OnFinished(*this);
    return;
  }
  if (BlockCounter() > 5 && infos_.BytesPerSecond > 0) {
    blockSize_ = BlockSizeFor(infos_.BytesPerSecond);
    if (BlockCounter() % 2 == 1) {
      const double seconds =
          std::ceil(double(infos_.FileSize - infos_.Transferred) / infos_.BytesPerSecond);
      infos_.RemainingSeconds =
          static_cast<int32_t>(std::min<double>(seconds, std::numeric_limits<int32_t>::max()));
    }
  }
  const int64_t want = std::min<int64_t>(remaining, blockSize_);
  if (file_->Size() < file_->Position() + want) {
    // The file became shorter than announced: the receiver must not see it as whole.
    failed_ = true;
    file_.reset();
    throw AbortError();
  }
  blockOpen_ = true;
  Channel().WriteMessageCode(mcFileBlock);
  try {
    // Straight from the file to the connection, in pieces: the block is never held whole.
    Channel().WriteStream(*file_, want, true, false);
  } catch (const base::StreamError& e) {
    // A read error inside a block: the block cannot be completed, only the connection can end.
    failed_ = true;
    file_.reset();
    throw EFileTransfertError(e.what());
  }
  blockOpen_ = false;
  const int64_t got = want;
  Progress(got);
  AfterBlock();
}

void TOLAFileSender::Finish() {
  struct Cleanup {
    TOLAFileSender& s;
    ~Cleanup() {
      s.OnProgress = nullptr;
      s.file_.reset();
      // A packed folder is a temporary file made for this transfer only.
      if (!s.infos_.DirectoryName.empty()) std::remove(s.infos_.FileName.c_str());
    }
  } cleanup{*this};
  if (failed_ && !Final()) {
    infos_.Status = ftsCancelled;
    Progress(0);
  } else {
    TOLAFileTransfertCore::Finish();
  }
  if (blockOpen_) return;  // the connection ends; a code now would land inside the block
  try {
    if (infos_.Status == ftsCancelled)
      Channel().WriteMessageCode(mcFileCancel);
    else if (infos_.Status == ftsTransferred)
      Channel().WriteMessageCode(mcFileEnd);
  } catch (const SessionError&) {
  }
}

void TOLAFileSender::Cancel(const std::string& directoryName) {
  infos_.DirectoryName = directoryName;
  failed_ = true;
  Finish();
}

}  // namespace corvane::session
