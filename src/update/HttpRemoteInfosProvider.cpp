#include "update/HttpRemoteInfosProvider.h"

#include "update/CurlStreamDownloader.h"
#include "update/CurlTransfer.h"

namespace corvane::update {

std::string THttpRemoteInfosProvider::FetchText() {
  const THttpClientSettings defaults;
  CurlRequest request;
  request.url = RemoteURL;
  request.protocols = "http,https";
  request.connectTimeoutMs = ConnectTimeOut;
  request.readTimeoutMs = ReadTimeOut;
  request.userAgent = defaults.UserAgent;
  request.accept = defaults.Accept;
  request.caInfo = CaInfo;
  request.maxBytes = limits::kMaxDescriptorBytes;
  std::string text;
  RunCurlTransfer(request, [&text](const char* data, size_t size) { text.append(data, size); }, nullptr);
  return text;
}

// Redirects are not followed, so the scheme of RemoteURL is the one the descriptor came over.
bool THttpRemoteInfosProvider::FetchedOverHttps() const { return UrlScheme(RemoteURL) == "https"; }

}  // namespace corvane::update
