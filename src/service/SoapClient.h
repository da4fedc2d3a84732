#pragma once
// Calls the operations of one service interface: writes the request envelope, posts it with the
// operation's SOAPAction, and returns the parsed answer or throws the error it stands for (a
// classified fault, a transport error, or a malformed answer).

#include <memory>
#include <string>
#include <string_view>

#include "service/ContractNames.h"
#include "service/SoapArrayStream.h"
#include "service/SoapReader.h"
#include "service/SoapTransport.h"
#include "service/SoapWriter.h"

namespace corvane::service {

// A parsed answer and its "...Response" element.
class SoapAnswer {
public:
  SoapAnswer(std::unique_ptr<SoapReader> reader, const xmlNode* response)
      : reader_(std::move(reader)), response_(response) {}
  const SoapReader& reader() const { return *reader_; }
  const xmlNode* response() const { return response_; }
  // The result element: the only element child, or among several the one named "Result" or
  // "Return" (any letter case). Throws EUnexpectedAnswer when there is none.
  const xmlNode* result() const;
  // An in/out parameter coming back: the child with that name; nullptr when absent.
  const xmlNode* outParameter(std::string_view name) const;

private:
  std::unique_ptr<SoapReader> reader_;
  const xmlNode* response_;
};

class SoapClient {
public:
  // `root` is the service root URL (ending with "/"); the endpoint is root + interface endpoint.
  // Throws EInvalidServiceUrl unless the root is an http or https URL.
  SoapClient(std::string_view root, const InterfaceInfo& info,
             std::shared_ptr<SoapTransport> transport);

  const std::string& url() const { return url_; }
  const InterfaceInfo& info() const { return info_; }

  std::unique_ptr<SoapWriter> request(std::string_view operation) const;
  SoapAnswer call(std::string_view operation, SoapWriter& request) const;
  // For operations whose result is an array of records: the plain answer is streamed (see
  // SoapArrayStream.h), any other goes through the document reader like call().
  template <class R>
  std::vector<R> callArray(std::string_view operation, SoapWriter& request) const {
    HttpAnswer answer = post(operation, request);
    if (answer.status == 200)
      if (auto items = ReadArrayAnswer<R>(answer.body, std::string(operation) + "Response")) return std::move(*items);
    SoapAnswer parsed = interpret(operation, std::move(answer));
    return parsed.reader().readArray<R>(parsed.result());
  }

private:
  HttpAnswer post(std::string_view operation, SoapWriter& request) const;
  SoapAnswer interpret(std::string_view operation, HttpAnswer answer) const;

  std::string url_;
  const InterfaceInfo& info_;
  std::shared_ptr<SoapTransport> transport_;
};

// The endpoint URL of an interface under a root; a missing trailing "/" on the root is added.
std::string EndpointUrl(std::string_view root, const InterfaceInfo& info);

}  // namespace corvane::service
