#include "calls/AddressPublication.h"

#include <curl/curl.h>

#include <memory>

#include "base/Translate.h"
#include "calls/CallsLimits.h"
#include "service/ServiceErrors.h"

namespace corvane::calls {

namespace {

struct CurlInit {
  CurlInit() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

size_t Discard(char*, size_t size, size_t count, void* userdata) {
  auto* received = static_cast<size_t*>(userdata);
  *received += size * count;
  // Returning less than given makes curl fail the transfer: the answer is not worth more.
  return *received > kMaxPublicationAnswer ? 0 : size * count;
}

}  // namespace

std::string AddressPublicationUrl(const std::string& racineServeur, const std::string& session) {
  std::string root = racineServeur;
  if (!root.empty() && root.back() != '/') root += '/';
  std::unique_ptr<char, decltype(&curl_free)> escaped(
      curl_easy_escape(nullptr, session.c_str(), static_cast<int>(session.size())), &curl_free);
  return root + "UpdateIP?session=" + (escaped ? escaped.get() : session);
}

void PublishAddress(const std::string& url) {
  static CurlInit init;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) throw service::ETransportError(base::Tr("The service could not be reached."));
  size_t received = 0;
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT_MS, kPublicationTimeoutMs);
  // The read time-out: abort when fewer than 1 byte per second arrives for that long.
  curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_TIME, kPublicationTimeoutMs / 1000);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &Discard);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &received);
  curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
  const CURLcode code = curl_easy_perform(curl.get());
  switch (code) {
    case CURLE_OK:
      break;
    case CURLE_OPERATION_TIMEDOUT: {
      curl_off_t connected = 0;
      curl_easy_getinfo(curl.get(), CURLINFO_CONNECT_TIME_T, &connected);
      if (connected == 0) throw service::EConnectTimeout(base::Tr("Connect timed out."));
      throw service::EReadTimeout(base::Tr("Read timed out."));
    }
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
      throw service::EConnectionRefused(base::Tr("Connection refused."));
    default:
      throw service::ETransportError(base::Tr("The service could not be reached."));
  }
  long status = 0;
  curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
  if (status >= 400)
    throw service::EHttpStatus(base::Tr("The service answered with HTTP status") + " " +
                                   std::to_string(status),
                               status);
}

}  // namespace corvane::calls
