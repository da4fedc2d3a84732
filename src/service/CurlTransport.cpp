#include "service/CurlTransport.h"

#include <curl/curl.h>

#include <chrono>
#include <mutex>

#include "base/Translate.h"
#include "service/Remotable.h"
#include "service/ServiceErrors.h"

namespace corvane::service {
namespace {

using Clock = std::chrono::steady_clock;

struct Transfer {
  std::string body;
  size_t limit = 0;
  bool tooLarge = false;
  Clock::time_point lastActivity;
  curl_off_t lastUp = 0, lastDown = 0;
};

size_t OnData(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  size_t n = size * count;
  if (t->body.size() + n > t->limit) {
    t->tooLarge = true;
    return 0;  // makes curl stop with CURLE_WRITE_ERROR
  }
  t->body.append(data, n);
  t->lastActivity = Clock::now();
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
  auto* t = static_cast<Transfer*>(user);
  if (dlnow != t->lastDown || ulnow != t->lastUp) {
    t->lastDown = dlnow;
    t->lastUp = ulnow;
    t->lastActivity = Clock::now();
  }
  return 0;
}

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

bool IsHttpsUrl(std::string_view url) {
  return url.size() >= 8 && EqualsIgnoreCase(url.substr(0, 8), "https://");
}

bool IsHttpUrl(std::string_view url) {
  return (url.size() >= 7 && EqualsIgnoreCase(url.substr(0, 7), "http://")) || IsHttpsUrl(url);
}

struct CurlTransport::Handles {
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  ~Handles() {
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
  }
};

CurlTransport::CurlTransport(TransportOptions options)
    : options_(options), handles_(std::make_unique<Handles>()) {
  GlobalInit();
  handles_->easy = curl_easy_init();
  handles_->multi = curl_multi_init();
  if (!handles_->easy || !handles_->multi) throw std::bad_alloc();
}

CurlTransport::~CurlTransport() = default;

HttpAnswer CurlTransport::post(const std::string& url, const std::string& soapAction,
                               const std::string& body) {
  if (!IsHttpUrl(url))
    throw EInvalidServiceUrl(base::Tr("The service address must start with http:// or https://.") +
                             " " + url);
  CURL* easy = handles_->easy;
  curl_easy_reset(easy);

  Transfer transfer;
  transfer.limit = options_.maxAnswerBytes;
  transfer.lastActivity = Clock::now();

  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, "Content-Type: text/xml; charset=utf-8");
  headers = curl_slist_append(headers, ("SOAPAction: \"" + soapAction + "\"").c_str());
  headers = curl_slist_append(headers, "Expect:");  // no 100-continue round trip
  std::unique_ptr<curl_slist, void (*)(curl_slist*)> headerGuard(headers, curl_slist_free_all);

  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  // A call begun over https stays on https through its redirects (the body goes along).
  const bool secure = IsHttpsUrl(url);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
  if (!options_.caInfo.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, options_.caInfo.c_str());
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
  curl_easy_setopt(easy, CURLOPT_POST, 1L);
  curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "CorvaneAgent");
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeoutMs));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnData);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options_.maxAnswerBytes));

  CURLM* multi = handles_->multi;
  curl_multi_add_handle(multi, easy);
  struct Detach {
    CURLM* multi;
    CURL* easy;
    ~Detach() { curl_multi_remove_handle(multi, easy); }
  } detach{multi, easy};

  CURLcode result = CURLE_OK;
  bool done = false, readTimedOut = false;
  while (!done) {
    int running = 0;
    curl_multi_perform(multi, &running);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
      if (msg->msg == CURLMSG_DONE) {
        result = msg->data.result;
        done = true;
      }
    }
    if (done || running == 0) break;
    // The read time-out runs once the connection is up; connecting has its own limit in curl.
    curl_off_t connectedAfter = 0;
    curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectedAfter);
    if (connectedAfter > 0 && options_.readTimeoutMs > 0) {
      auto silent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() -
                                                                          transfer.lastActivity);
      if (silent.count() >= options_.readTimeoutMs) {
        readTimedOut = true;
        break;
      }
    } else {
      transfer.lastActivity = Clock::now();
    }
    curl_multi_poll(multi, nullptr, 0, 50, nullptr);
  }

  if (readTimedOut) throw EReadTimeout(base::Tr("Read timed out."));
  if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED)
    throw EAnswerTooLarge(base::Tr("The service's answer is too large."));
  switch (result) {
    case CURLE_OK: break;
    case CURLE_OPERATION_TIMEDOUT: {
      curl_off_t connectedAfter = 0;
      curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectedAfter);
      if (connectedAfter > 0) throw EReadTimeout(base::Tr("Read timed out."));
      throw EConnectTimeout(base::Tr("Connect timed out."));
    }
    case CURLE_COULDNT_CONNECT:
      throw EConnectionRefused(base::Tr("Connection refused.") + " " + url);
    case CURLE_UNSUPPORTED_PROTOCOL:
      if (secure)
        throw ETransportError(base::Tr("The service redirected an https call to an address that is not https."));
      throw ETransportError(base::Tr("The service redirected to an address that is not http or https."));
    default:
      throw ETransportError(base::Tr("The service could not be reached.") + " (" +
                            curl_easy_strerror(result) + ")");
  }
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  return HttpAnswer{status, std::move(transfer.body)};
}

}  // namespace corvane::service
