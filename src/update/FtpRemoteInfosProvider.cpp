#include "update/FtpRemoteInfosProvider.h"

#include "update/CurlTransfer.h"
#include "update/UpdateError.h"

namespace corvane::update {

std::string TFtpRemoteInfosProvider::FetchText() {
  if (FtpClient.Host.empty() || RemoteDocument.empty())
    throw EUpdateDownloadError("No FTP host or document is set for the update descriptor.");
  std::string host = FtpClient.Host;
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  // The document's path goes to RETR whole; a leading "/" is written "%2F" so that libcurl keeps it.
  std::string path = RemoteDocument;
  if (path.front() == '/') path = "%2F" + path.substr(1);
  CurlRequest request;
  request.url = "ftp://" + host + ":" + std::to_string(FtpClient.Port) +
                "/" + EncodeUrlWhereNeeded(path);
  request.protocols = "ftp,ftps";
  request.connectTimeoutMs = FtpClient.ConnectTimeOut;
  request.readTimeoutMs = FtpClient.ReadTimeOut;
  request.hasLogin = true;
  request.username = FtpClient.Username.empty() ? kFtpAnonymousUser : FtpClient.Username;
  request.password = FtpClient.Username.empty() ? kFtpAnonymousPassword : FtpClient.Password;
  request.ftpChangeDirectory = false;
  request.caInfo = CaInfo;
  request.maxBytes = limits::kMaxDescriptorBytes;
  std::string text;
  RunCurlTransfer(request, [&text](const char* data, size_t size) { text.append(data, size); }, nullptr);
  return text;
}

}  // namespace corvane::update
