#include "update/CurlTransfer.h"

#include <curl/curl.h>

#include <cctype>
#include <exception>
#include <memory>
#include <mutex>

#include "update/UpdateError.h"

namespace corvane::update {

namespace {

void InitCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
  CURL* curl = nullptr;
  const CurlRequest* request = nullptr;
  const std::function<void(const char*, size_t)>* sink = nullptr;
  IStreamDownloadEvents* events = nullptr;
  bool isHttp = false;
  bool started = false;
  int64_t received = 0;
  std::string failure;                // why the write callback stopped the transfer
  std::exception_ptr sinkError;

  void Start() {
    if (started) return;
    started = true;
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (events) events->DebutTravail(length > 0 ? static_cast<int64_t>(length) : 0);
  }
};

size_t OnWrite(char* data, size_t size, size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (t.isHttp && !t.started) {
    long status = 0;
    curl_easy_getinfo(t.curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
      t.failure = "the server answered with HTTP status " + std::to_string(status);
      return 0;
    }
  }
  if (t.received + static_cast<int64_t>(bytes) > t.request->maxBytes) {
    t.failure = "the file exceeds the size limit of " + std::to_string(t.request->maxBytes) + " bytes";
    return 0;
  }
  t.Start();
  try {
    (*t.sink)(data, bytes);
  } catch (...) {
    t.sinkError = std::current_exception();
    return 0;
  }
  t.received += static_cast<int64_t>(bytes);
  if (t.events) t.events->Travail(t.received);
  return bytes;
}

struct CurlHandle {
  CURL* curl = curl_easy_init();
  ~CurlHandle() {
    if (curl) curl_easy_cleanup(curl);
  }
};

}  // namespace

void RunCurlTransfer(const CurlRequest& request,
                     const std::function<void(const char*, size_t)>& sink,
                     IStreamDownloadEvents* events) {
  InitCurl();
  CurlHandle handle;
  if (!handle.curl) throw EUpdateDownloadError("Cannot start a transfer (libcurl).");
  CURL* c = handle.curl;

  Transfer t;
  t.curl = c;
  t.request = &request;
  t.sink = &sink;
  t.events = events;
  t.isHttp = request.protocols.rfind("http", 0) == 0;

  char errorBuffer[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
  // A plain HTTP URL is parsed as libcurl parses it and handed over without its user, password
  // and log-in options, so that nothing goes out as basic authentication in clear.
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(nullptr, &curl_url_cleanup);
  if (t.isHttp) {
    parsed.reset(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, request.url.c_str(), 0) != CURLUE_OK)
      throw EUpdateDownloadError("Download of " + UrlWithoutPassword(request.url) + " failed: malformed URL.");
    char* scheme = nullptr;
    const bool plain = curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK && scheme &&
                       std::string_view(scheme) == "http";
    curl_free(scheme);
    if (plain) {
      curl_url_set(parsed.get(), CURLUPART_USER, nullptr, 0);
      curl_url_set(parsed.get(), CURLUPART_PASSWORD, nullptr, 0);
      curl_url_set(parsed.get(), CURLUPART_OPTIONS, nullptr, 0);
    }
    curl_easy_setopt(c, CURLOPT_CURLU, parsed.get());
  } else {
    curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
  }
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, request.protocols.c_str());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROXY, "");  // never a proxy, whatever the environment says
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnWrite);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  if (request.connectTimeoutMs > 0) curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMs);
  if (request.readTimeoutMs > 0) {
    // No byte for this long ends the transfer (libcurl counts in whole seconds).
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, (request.readTimeoutMs + 999) / 1000);
  }
  if (!request.caInfo.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, request.caInfo.c_str());
  if (t.isHttp) {
    if (!request.userAgent.empty()) curl_easy_setopt(c, CURLOPT_USERAGENT, request.userAgent.c_str());
    if (request.acceptCookies) curl_easy_setopt(c, CURLOPT_COOKIEFILE, "");
  } else {
    if (request.hasLogin) {
      curl_easy_setopt(c, CURLOPT_USERNAME, request.username.c_str());
      curl_easy_setopt(c, CURLOPT_PASSWORD, request.password.c_str());
    }
    curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD,
                     static_cast<long>(request.ftpChangeDirectory ? CURLFTPMETHOD_SINGLECWD : CURLFTPMETHOD_NOCWD));
  }
  curl_slist* headers = nullptr;
  if (t.isHttp && !request.accept.empty()) {
    headers = curl_slist_append(headers, ("Accept: " + request.accept).c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
  }
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headersOwner(headers, &curl_slist_free_all);

  CURLcode code = curl_easy_perform(c);
  if (code == CURLE_OK && t.isHttp) {
    // An empty body never reached the write callback, so check the status here too.
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) t.failure = "the server answered with HTTP status " + std::to_string(status);
  }
  if (code == CURLE_OK && t.failure.empty()) t.Start();  // an empty file still has a start
  if (t.started && events) events->FinTravail();

  if (t.sinkError) std::rethrow_exception(t.sinkError);
  if (!t.failure.empty())
    throw EUpdateDownloadError("Download of " + UrlWithoutPassword(request.url) + " failed: " + t.failure + ".");
  if (code != CURLE_OK) {
    std::string detail = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
    throw EUpdateDownloadError("Download of " + UrlWithoutPassword(request.url) + " failed: " + detail + ".");
  }
}

std::string UrlScheme(std::string_view url) {
  const size_t colon = url.find(':');
  if (colon == std::string_view::npos) return {};
  std::string scheme(url.substr(0, colon));
  for (char& ch : scheme) {
    if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '+' && ch != '-' && ch != '.') return {};
    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  }
  return scheme;
}

std::string UrlWithoutPassword(std::string_view url) {
  const size_t start = url.find("://");
  if (start == std::string_view::npos) return std::string(url);
  const size_t end = url.find_first_of("/?#", start + 3);
  const size_t at = url.substr(0, end).rfind('@');
  if (at == std::string_view::npos || at < start) return std::string(url);
  return std::string(url.substr(0, start + 3)) + std::string(url.substr(at + 1));
}

std::string EncodeUrlWhereNeeded(std::string_view url) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (unsigned char ch : url) {
    const bool unsafe = ch <= 0x20 || ch >= 0x7F || ch == '"' || ch == '<' || ch == '>' || ch == '\\' ||
                        ch == '^' || ch == '`' || ch == '{' || ch == '|' || ch == '}';
    if (unsafe) {
      out += '%';
      out += kHex[ch >> 4];
      out += kHex[ch & 15];
    } else {
      out += static_cast<char>(ch);
    }
  }
  return out;
}

}  // namespace corvane::update
