#pragma once
// How a SOAP request reaches the service: one HTTP POST, its answer's status and body. The curl
// implementation is the real one; tests and tools may substitute their own.

#include <string>

namespace corvane::service {

struct HttpAnswer {
  long status = 0;
  std::string body;
};

class SoapTransport {
public:
  virtual ~SoapTransport() = default;
  // Posts `body` as text/xml with the given SOAPAction. Throws ETransportError (or a subclass)
  // when no HTTP answer is obtained.
  virtual HttpAnswer post(const std::string& url, const std::string& soapAction,
                          const std::string& body) = 0;
};

}  // namespace corvane::service
