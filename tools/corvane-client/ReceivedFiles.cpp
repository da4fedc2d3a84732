#include "ReceivedFiles.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "ClientError.h"
#include "ClientLimits.h"
#include "assistance/AssistanceError.h"
#include "assistance/FolderArchiveReader.h"
#include "base/Cp1252.h"

namespace corvane::client {

namespace fs = std::filesystem;

namespace {

// "name (n).ext" for the n-th attempt (n >= 2).
std::string Numbered(const std::string& name, int n) {
  if (n < 2) return name;
  const size_t dot = name.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot > 0;
  const std::string stem = hasExtension ? name.substr(0, dot) : name;
  const std::string extension = hasExtension ? name.substr(dot) : std::string();
  return stem + " (" + std::to_string(n) + ")" + extension;
}

std::string CutUtf8(const std::string& text, size_t max) {
  if (text.size() <= max) return text;
  size_t cut = max;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut);
}

}  // namespace

ReceivedFiles::ReceivedFiles(std::string folder) : folder_(folder.empty() ? "." : std::move(folder)) {}

std::string ReceivedFiles::IncomingFolder() const { return (fs::path(folder_) / ".corvane-incoming").string(); }

void ReceivedFiles::Prepare() {
  std::error_code ec;
  fs::create_directories(IncomingFolder(), ec);
  if (ec || !fs::is_directory(IncomingFolder()))
    throw ReceivedFileError("Cannot create the folder \"" + IncomingFolder() + "\": " + ec.message());
}

bool ReceivedFiles::OwnTemporary(const std::string& path) const {
  // Only files the transfers created in the incoming folder are ever moved or removed.
  std::error_code ec;
  return !path.empty() && fs::equivalent(fs::path(path).parent_path(), IncomingFolder(), ec);
}

std::string ReceivedFiles::SafeName(std::string_view senderPath, std::string_view fallback) {
  const size_t slash = senderPath.find_last_of("/\\");
  std::string_view last = slash == std::string_view::npos ? senderPath : senderPath.substr(slash + 1);
  std::string name = base::IsValidUtf8(last) ? std::string(last) : base::Cp1252ToUtf8(last);
  std::string clean;
  for (const char c : name) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
      clean += '_';
    else
      clean += c;
  }
  while (!clean.empty() && (clean.back() == ' ' || clean.back() == '.')) clean.pop_back();
  while (!clean.empty() && (clean.front() == ' ' || clean.front() == '.')) clean.erase(0, 1);
  if (clean.empty()) return std::string(fallback);
  if (clean.size() > kMaxReceivedNameLength) {
    const size_t dot = clean.rfind('.');
    const std::string extension =
        dot != std::string::npos && clean.size() - dot <= 16 ? clean.substr(dot) : std::string();
    clean = CutUtf8(clean.substr(0, clean.size() - extension.size()), kMaxReceivedNameLength - extension.size()) +
            extension;
  }
  return clean;
}

std::string ReceivedFiles::Settle(const session::TOLAFileTransfertProgressInfos& infos) {
  const std::string temp = infos.LocalFileName;
  if (!OwnTemporary(temp)) throw ReceivedFileError("The received file is not where transfers write");
  struct RemoveTemp {
    const std::string& path;
    ~RemoveTemp() { ::unlink(path.c_str()); }
  } removeTemp{temp};

  if (!infos.DirectoryName.empty()) {
    const std::string name = SafeName(infos.DirectoryName, "received folder");
    for (int n = 1; n <= kMaxNameAttempts; ++n) {
      const std::string target = (fs::path(folder_) / Numbered(name, n)).string();
      std::error_code ec;
      if (!fs::create_directory(target, ec)) {
        if (ec) throw ReceivedFileError("Cannot create the folder \"" + target + "\": " + ec.message());
        continue;  // exists already
      }
      try {
        assistance::FolderArchiveReader::Unpack(temp, target);
      } catch (const assistance::AssistanceError& e) {
        fs::remove_all(target, ec);
        throw ReceivedFileError(e.what());
      }
      return target;
    }
    throw ReceivedFileError("No free name for the folder \"" + name + "\"");
  }

  const std::string name = SafeName(infos.FileName, "received file");
  for (int n = 1; n <= kMaxNameAttempts; ++n) {
    const std::string target = (fs::path(folder_) / Numbered(name, n)).string();
    // link() never replaces an existing file, so a name taken meanwhile is simply skipped.
    if (::link(temp.c_str(), target.c_str()) == 0) return target;
    if (errno == EEXIST) continue;
    if (errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP || errno == EXDEV) {
      std::error_code ec;
      if (fs::exists(target, ec)) continue;
      fs::rename(temp, target, ec);
      if (ec) throw ReceivedFileError("Cannot move the received file to \"" + target + "\": " + ec.message());
      return target;
    }
    throw ReceivedFileError("Cannot put the received file at \"" + target + "\": " + std::strerror(errno));
  }
  throw ReceivedFileError("No free name for the file \"" + name + "\"");
}

void ReceivedFiles::Discard(const std::string& localFileName) {
  if (OwnTemporary(localFileName)) ::unlink(localFileName.c_str());
}

void ReceivedFiles::Cleanup() {
  std::error_code ec;
  fs::remove(IncomingFolder(), ec);  // only succeeds when empty
}

}  // namespace corvane::client
