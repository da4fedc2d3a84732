#include "service/SoapClient.h"

#include "base/Translate.h"
#include "service/CurlTransport.h"
#include "service/ServiceErrors.h"

namespace corvane::service {

const xmlNode* SoapAnswer::result() const {
  std::vector<const xmlNode*> children = SoapReader::elementChildren(response_);
  if (children.size() == 1) return children.front();
  for (const xmlNode* c : children) {
    std::string_view name = SoapReader::localName(c);
    if (EqualsIgnoreCase(name, "Result") || EqualsIgnoreCase(name, "Return")) return c;
  }
  throw EUnexpectedAnswer(base::Tr("The service's answer carries no result.") + " (" +
                          std::string(SoapReader::localName(response_)) + ")");
}

const xmlNode* SoapAnswer::outParameter(std::string_view name) const {
  return SoapReader::child(response_, name);
}

std::string EndpointUrl(std::string_view root, const InterfaceInfo& info) {
  std::string url(root);
  if (url.empty() || url.back() != '/') url += '/';
  url += info.endpoint;
  return url;
}

SoapClient::SoapClient(std::string_view root, const InterfaceInfo& info,
                       std::shared_ptr<SoapTransport> transport)
    : url_(EndpointUrl(root, info)), info_(info), transport_(std::move(transport)) {
  if (!IsHttpUrl(url_))
    throw EInvalidServiceUrl(base::Tr("The service address must start with http:// or https://.") +
                             " " + std::string(root));
  if (!transport_) transport_ = std::make_shared<CurlTransport>();
}

std::unique_ptr<SoapWriter> SoapClient::request(std::string_view operation) const {
  return std::make_unique<SoapWriter>(info_.operationNs, operation);
}

SoapAnswer SoapClient::call(std::string_view operation, SoapWriter& request) const {
  return interpret(operation, post(operation, request));
}

HttpAnswer SoapClient::post(std::string_view operation, SoapWriter& request) const {
  std::string action = std::string(info_.operationNs) + "#" + std::string(operation);
  return transport_->post(url_, action, request.finish());
}

SoapAnswer SoapClient::interpret(std::string_view operation, HttpAnswer answer) const {
  if (answer.status != 200 && answer.status != 500)
    throw EHttpStatus(base::Tr("The service answered with HTTP status") + " " +
                          std::to_string(answer.status),
                      answer.status);
  std::unique_ptr<SoapReader> reader;
  try {
    reader = std::make_unique<SoapReader>(answer.body);
  } catch (const EServiceError&) {
    // A server error page that is not a SOAP answer reports the status, not the parse failure.
    if (answer.status == 500)
      throw EHttpStatus(base::Tr("The service answered with HTTP status") + " 500", 500);
    throw;
  }
  if (reader->isFault()) RethrowFault(reader->faultError());

  const xmlNode* response = reader->mainElement();
  std::string expected = std::string(operation) + "Response";
  if (!EqualsIgnoreCase(SoapReader::localName(response), expected))
    throw EUnexpectedAnswer(base::Tr("The service's answer is not the expected response.") + " (" +
                            std::string(SoapReader::localName(response)) + ")");
  return SoapAnswer(std::move(reader), response);
}

}  // namespace corvane::service
