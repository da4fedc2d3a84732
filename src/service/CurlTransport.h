#pragma once
// SOAP transport over libcurl: HTTP(S) POST with a connect time-out and a read time-out (the
// longest silence once connected), an answer size ceiling, and redirects followed only to http and
// https addresses; a call made over https follows redirects to https addresses only, so that the
// body (a log-in carries the password) never leaves in clear. Keeps its connection open between
// calls.
//
// Threads: one instance is used by one thread at a time (the main thread in the console).

#include <memory>
#include <string>

#include "service/ServiceLimits.h"
#include "service/SoapTransport.h"

namespace corvane::service {

struct TransportOptions {
  int connectTimeoutMs = kDefaultConnectTimeoutMs;
  int readTimeoutMs = kDefaultReadTimeoutMs;
  size_t maxAnswerBytes = kMaxAnswerBytes;
  std::string caInfo;  // certificate authorities for https; empty: the system's
};

class CurlTransport final : public SoapTransport {
public:
  explicit CurlTransport(TransportOptions options = {});
  ~CurlTransport() override;

  void setConnectTimeoutMs(int ms) { options_.connectTimeoutMs = ms; }
  void setReadTimeoutMs(int ms) { options_.readTimeoutMs = ms; }
  const TransportOptions& options() const { return options_; }

  HttpAnswer post(const std::string& url, const std::string& soapAction,
                  const std::string& body) override;

private:
  struct Handles;
  TransportOptions options_;
  std::unique_ptr<Handles> handles_;
};

// True when the URL starts with "http://" or "https://" (letter case ignored).
bool IsHttpUrl(std::string_view url);
// True when the URL starts with "https://" (letter case ignored).
bool IsHttpsUrl(std::string_view url);

}  // namespace corvane::service
