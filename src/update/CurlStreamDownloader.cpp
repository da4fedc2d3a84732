#include "update/CurlStreamDownloader.h"

#include <curl/curl.h>

#include <memory>

#include "update/CurlTransfer.h"
#include "update/UpdateError.h"

namespace corvane::update {

namespace {

std::string LowerScheme(const std::string& url) {
  std::string scheme;
  for (char ch : url) {
    if (ch == ':') return scheme;
    scheme += static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
  }
  return {};
}

std::string UrlPart(CURLU* u, CURLUPart part, unsigned flags = 0) {
  char* value = nullptr;
  if (curl_url_get(u, part, &value, flags) != CURLUE_OK || !value) return {};
  std::string out(value);
  curl_free(value);
  return out;
}

// Rewrites an FTP URL for libcurl so that the exchange is: log in (the URL's user or anonymous),
// change to the URL's directory only when it is not "/", then retrieve the file by name. The
// directory is taken from the server's root, as a path in a URL reads.
CurlRequest FtpRequest(const std::string& url, const TFtpClientSettings& settings) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> u(curl_url(), &curl_url_cleanup);
  if (!u || curl_url_set(u.get(), CURLUPART_URL, EncodeUrlWhereNeeded(url).c_str(), 0) != CURLUE_OK)
    throw EUpdateDownloadError("Download of " + UrlWithoutPassword(url) + " failed: malformed URL.");
  CurlRequest r;
  r.protocols = "ftp,ftps";
  r.connectTimeoutMs = settings.ConnectTimeOut;
  r.readTimeoutMs = settings.ReadTimeOut;
  r.hasLogin = true;
  r.username = UrlPart(u.get(), CURLUPART_USER, CURLU_URLDECODE);
  r.password = UrlPart(u.get(), CURLUPART_PASSWORD, CURLU_URLDECODE);
  if (r.username.empty()) {
    r.username = kFtpAnonymousUser;
    r.password = kFtpAnonymousPassword;
  }
  const std::string path = UrlPart(u.get(), CURLUPART_PATH);  // still percent-encoded
  const size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "/" : path.substr(0, slash + 1);
  const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  if (file.empty()) throw EUpdateDownloadError("Download of " + UrlWithoutPassword(url) + " failed: the URL names no file.");
  std::string hostPort = UrlPart(u.get(), CURLUPART_HOST);
  const std::string port = UrlPart(u.get(), CURLUPART_PORT);
  if (!port.empty()) hostPort += ":" + port;
  const std::string scheme = LowerScheme(url);
  if (directory == "/") {
    r.url = scheme + "://" + hostPort + "/" + file;
    r.ftpChangeDirectory = false;
  } else {
    // "%2F" makes libcurl send the directory from the root: CWD /dir/sub.
    r.url = scheme + "://" + hostPort + "/%2F" + directory.substr(1) + file;
    r.ftpChangeDirectory = true;
  }
  return r;
}

}  // namespace

bool TCurlStreamDownloader::Telecharger(const std::string& url, std::ostream& stream) {
  const std::string scheme = LowerScheme(url);
  CurlRequest request;
  if (scheme.rfind("http", 0) == 0) {
    request.url = EncodeUrlWhereNeeded(url);
    request.protocols = "http,https";
    request.connectTimeoutMs = HttpClient.ConnectTimeOut;
    request.readTimeoutMs = HttpClient.ReadTimeOut;
    request.userAgent = HttpClient.UserAgent;
    request.accept = HttpClient.Accept;
    request.acceptCookies = HttpClient.AcceptCookies;
  } else if (scheme.rfind("ftp", 0) == 0) {
    request = FtpRequest(url, FtpClient);
  } else {
    return false;
  }
  request.caInfo = CaInfo;
  RunCurlTransfer(
      request,
      [&stream, &url](const char* data, size_t size) {
        stream.write(data, static_cast<std::streamsize>(size));
        if (!stream) throw EUpdateFileError("Cannot write the download of " + UrlWithoutPassword(url) + ".");
      },
      events_);
  return true;
}

}  // namespace corvane::update
