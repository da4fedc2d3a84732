#include "session/ServerSpeakingFileTransfertManager.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "base/Cp1252.h"
#include "session/FileSender.h"
#include "session/FileTransfertError.h"

namespace corvane::session {

namespace {

char16_t FoldCase(char16_t u) {
  if (u >= u'A' && u <= u'Z') return static_cast<char16_t>(u + 32);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char16_t>(u + 32);
  return u;
}

}  // namespace

bool SameFileName(std::string_view a, std::string_view b) {
  const std::u16string x = base::Utf8ToUtf16(a);
  const std::u16string y = base::Utf8ToUtf16(b);
  if (x.size() != y.size()) return false;
  for (size_t i = 0; i < x.size(); ++i)
    if (FoldCase(x[i]) != FoldCase(y[i])) return false;
  return true;
}

bool TOLAServerSpeakingFileTransfertManager::DoAccept(const std::string& fileName,
                                                      const std::string& directoryName) {
  bool accept = true;
  if (OnAccept) OnAccept(*this, fileName, directoryName, accept);
  return accept;
}

TOLAServerSpeakingFileTransfert* TOLAServerSpeakingFileTransfertManager::SendFile(
    const std::string& fileName, const std::string& directoryName) {
  if (!DoAccept(fileName, directoryName)) return nullptr;

  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0)
    throw FileSystemError("Cannot open file \"" + fileName + "\": " + std::strerror(errno));
  if (!S_ISREG(st.st_mode))
    throw FileSystemError("Cannot open file \"" + fileName + "\": " + std::strerror(EISDIR));
  if (st.st_size == 0) throw SourceFileError(kSourceFileEmpty, fileName);
  if (st.st_size >= TOLAFileSender::kFileSizeLimit) throw SourceFileError(kSourceFileTooLarge, fileName);
  try {
    base::FileStream probe(fileName, base::FileStream::Mode::Read);
  } catch (const base::StreamError&) {
    throw SourceFileError(kSourceFileInUse, fileName);
  }

  if (!Owner()) return nullptr;
  auto lock = Owner()->LockComponents();
  const bool known = Owner()->FindComponent([&](TComponent& c) {
    auto* transfer = dynamic_cast<TOLAServerSpeakingFileTransfert*>(&c);
    return transfer && SameFileName(transfer->FileName(), fileName);
  });
  if (known) return nullptr;
  TOLAServerSpeakingFileTransfert* transfer = TransferClass()(Owner(), Loop(), fileName);
  transfer->DirectoryName = directoryName;
  transfer->OnProgress = OnProgress;
  transfer->OnConfig = OnConfig;
  lock.unlock();
  WriteMessageCode(mcNewTransfert);
  return transfer;
}

TOLAIdServerSpeakingFileTransfertManager::TOLAIdServerSpeakingFileTransfertManager(
    TComponent* owner, base::MainLoop& loop)
    : TOLAServerSpeakingFileTransfertManager(owner, loop) {
  InitIOHandler();
}

TOLACustomIOHandler* TOLAIdServerSpeakingFileTransfertManager::CreateIOHandler() {
  return new TOLAIdServerIOHandler(this);
}

}  // namespace corvane::session
