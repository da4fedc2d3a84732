#include "HttpClient.h"

#include <curl/curl.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "ClientError.h"

namespace corvane::client {

namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return std::string(s.substr(b, e - b));
}

struct Transfer {
  HttpAnswer answer;
  size_t maxBody = 0;
  bool tooLarge = false;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  if (t->answer.body.size() + n > t->maxBody) {
    t->tooLarge = true;
    return 0;  // makes curl stop with a write error
  }
  t->answer.body.append(data, n);
  return n;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  std::string_view line(data, n);
  if (line.rfind("HTTP/", 0) == 0) {
    t->answer.headers.clear();  // a new answer (after "100 Continue" or a redirect)
    return n;
  }
  const size_t colon = line.find(':');
  if (colon != std::string_view::npos && t->answer.headers.size() < 200)
    t->answer.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
  return n;
}

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

}  // namespace

std::optional<std::string> HttpAnswer::Header(std::string_view name) const {
  for (const auto& [n, v] : headers)
    if (SameName(n, name)) return v;
  return std::nullopt;
}

HttpAnswer PerformHttp(const HttpRequest& request) {
  GlobalInit();
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) throw HttpError("Cannot start an HTTP request");
  CURL* c = curl.get();
  Transfer t;
  t.maxBody = request.maxBody;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROXY, "");  // loopback agents and services are never proxied
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMs);
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, request.timeoutMs);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
  if (!request.userAgent.empty()) curl_easy_setopt(c, CURLOPT_USERAGENT, request.userAgent.c_str());

  std::unique_ptr<curl_slist, ListDeleter> headers;
  auto add = [&](const std::string& line) {
    curl_slist* grown = curl_slist_append(headers.get(), line.c_str());
    if (!grown) throw HttpError("Cannot build the request headers");
    (void)headers.release();
    headers.reset(grown);
  };
  add("Expect:");  // no "100 Continue" round trip
  for (const auto& [name, value] : request.headers) add(name + ": " + value);
  if (request.post) {
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.body.c_str());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(request.body.size()));
    if (!request.contentType.empty()) add("Content-Type: " + request.contentType);
  } else {
    curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
  }
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

  const CURLcode rc = curl_easy_perform(c);
  if (t.tooLarge) throw HttpError("The answer of " + request.url + " is too large");
  if (rc != CURLE_OK)
    throw HttpError(std::string(errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc)));
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &t.answer.status);
  return std::move(t.answer);
}

std::string FormEncode(const std::vector<std::pair<std::string, std::string>>& fields) {
  auto escape = [](const std::string& s) {
    std::string out;
    static const char* hex = "0123456789ABCDEF";
    for (const char ch : s) {
      const auto b = static_cast<unsigned char>(ch);
      if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' ||
          b == '_' || b == '.' || b == '~') {
        out += ch;
      } else {
        out += '%';
        out += hex[b >> 4];
        out += hex[b & 15];
      }
    }
    return out;
  };
  std::string body;
  for (const auto& [name, value] : fields) {
    if (!body.empty()) body += '&';
    body += escape(name) + "=" + escape(value);
  }
  return body;
}

void RunOffMainThread(base::MainLoop& loop, std::vector<std::function<void()>> tasks) {
  auto remaining = std::make_shared<std::atomic<size_t>>(tasks.size());
  std::vector<std::thread> threads;
  threads.reserve(tasks.size());
  for (auto& task : tasks)
    threads.emplace_back([&loop, remaining, task = std::move(task)] {
      try {
        task();
      } catch (...) {
        // Tasks report their own outcome; nothing may escape a thread.
      }
      remaining->fetch_sub(1);
      loop.wake();
    });
  loop.waitPumping([&] { return remaining->load() == 0; });
  for (auto& t : threads) t.join();
}

}  // namespace corvane::client
