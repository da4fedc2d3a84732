#pragma once
// Canned SOAP documents for the client tests.

#include <string>

namespace corvane::service::test {

inline std::string Envelope(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\">"
         "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">" +
         body + "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

// An answer of the agent interface: <NS1:{operation}Response>{content}</...>{after}
inline std::string AgentAnswer(const std::string& operation, const std::string& content,
                               const std::string& after = "") {
  return Envelope("<NS1:" + operation +
                  "Response xmlns:NS1=\"urn:UCorvaneAgentIntf-ICorvaneAgent\" "
                  "xmlns:NS2=\"urn:UCorvaneRemotables\">" +
                  content + "</NS1:" + operation + "Response>" + after);
}

inline std::string Fault(const std::string& inner) {
  return Envelope("<SOAP-ENV:Fault>" + inner + "</SOAP-ENV:Fault>");
}

}  // namespace corvane::service::test
