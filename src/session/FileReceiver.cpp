#include "session/FileReceiver.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "session/FileTransfertError.h"
#include "session/Limits.h"

namespace corvane::session {

namespace {
constexpr size_t kMaxExtensionLength = 16;
}

TOLAFileReceiver::TOLAFileReceiver(IOLATransport& channel, base::MainLoop& loop)
    : TOLAFileTransfertCore(channel, loop, ftdReceive) {}

TOLAFileReceiver::~TOLAFileReceiver() = default;

std::string TOLAFileReceiver::SafeExtension(std::string_view name) {
  const size_t cut = name.find_last_of("/\\:");
  if (cut != std::string_view::npos) name.remove_prefix(cut + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  const std::string_view ext = name.substr(dot + 1);
  if (ext.empty() || ext.size() > kMaxExtensionLength) return {};
  for (char c : ext) {
    const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-';
    if (!safe) return {};
  }
  return "." + std::string(ext);
}

std::string TOLAFileReceiver::CreateTempFile(const std::string& extension) {
  std::string folder = TempFolder;
  if (folder.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    folder = tmp && *tmp ? tmp : "/tmp";
  }
  if (folder.back() != '/') folder += '/';
  std::string path = folder + "corvane-XXXXXX" + extension;
  // mkstemps creates a new file exclusively, so an existing file is never reused or replaced.
  const int fd = ::mkstemps(path.data(), static_cast<int>(extension.size()));
  if (fd < 0)
    throw EFileTransfertError("Cannot create a temporary file in \"" + folder + "\": " +
                              std::strerror(errno));
  ::close(fd);
  try {
    file_ = std::make_unique<base::FileStream>(path, base::FileStream::Mode::ReadWrite);
  } catch (const base::StreamError& e) {
    std::remove(path.c_str());
    throw EFileTransfertError(e.what());
  }
  return path;
}

void TOLAFileReceiver::HandleMessage(TOLAMessageCode code) {
  switch (code) {
    case mcFileHeader: ReceiveHeader(); break;
    case mcFileBlock: ReceiveBlock(); break;
    case mcFileEnd: ReceiveEnd(ftsTransferred); break;
    case mcFileCancel: ReceiveEnd(ftsCancelled); break;
    default: break;
  }
}

void TOLAFileReceiver::ReceiveHeader() {
  if (headerReceived_) throw EFileTransfertError("A second file header arrived on one transfer");
  infos_.Status = ftsPreparing;
  TOLAFileTransfertMessageData header;
  Channel().ReadComponent(header);
  if (header.FileSize < 0) throw EFileTransfertError("Negative file size announced");
  infos_.FileName = header.FileName;
  infos_.FileSize = header.FileSize;
  infos_.DirectoryName = header.DirectoryName;
  infos_.Authorizations = header.Authorizations;
  infos_.LocalFileName = CreateTempFile(SafeExtension(header.FileName));
  headerReceived_ = true;
  Progress(0);
  ResetWindow();
}

void TOLAFileReceiver::ReceiveBlock() {
  // Before the header or after the end there is no file to write to; the state is kept.
  if (!file_) throw EFileTransfertError("A file block arrived with no open file");
  infos_.Status = ftsTransferring;
  const int32_t n = Channel().ReadInteger();
  if (n < 0 || n > kMaxBlockLength)
    throw BlockLengthError("Invalid block length " + std::to_string(n));
  if (n > infos_.FileSize - received_) Abandon("More bytes arrived than the file size announced");
  try {
    // Straight from the connection to the file, in pieces: the block is never held whole.
    Channel().ReadStream(*file_, n);
  } catch (const base::StreamError& e) {
    Abandon(e.what());  // a full disk, for example
  }
  received_ += n;
  Progress(n);
  AfterBlock();
}

void TOLAFileReceiver::ReceiveEnd(TOLAFileTransfertStatus status) {
  // A short file must not look complete, and a cancelled transfer stays cancelled.
  if (status == ftsTransferred &&
      (infos_.Status == ftsCancelled || !headerReceived_ || received_ != infos_.FileSize))
    status = ftsCancelled;
  infos_.Status = status;
  Progress(0);
  file_.reset();
}

void TOLAFileReceiver::Abandon(const std::string& why) {
  infos_.Status = ftsCancelled;
  file_.reset();
  if (!infos_.LocalFileName.empty()) std::remove(infos_.LocalFileName.c_str());
  Progress(0);
  throw EFileTransfertError(why);
}

void TOLAFileReceiver::Finish() {
  if (Final()) return;
  infos_.Status =
      headerReceived_ && received_ == infos_.FileSize ? ftsTransferred : ftsCancelled;
  Progress(0);
}

}  // namespace corvane::session
