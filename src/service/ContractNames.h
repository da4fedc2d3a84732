#pragma once
// Namespaces, endpoints and SOAP action patterns of the three service interfaces, written once.

#include <string_view>

namespace corvane::service {

inline constexpr std::string_view kSoapEnvelopeNs = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::string_view kSoapEncodingNs = "http://schemas.xmlsoap.org/soap/encoding/";
inline constexpr std::string_view kXsdNs = "http://www.w3.org/2001/XMLSchema";
inline constexpr std::string_view kXsiNs = "http://www.w3.org/2001/XMLSchema-instance";

// Type namespaces: enumerations, then records and arrays.
inline constexpr std::string_view kEnumerationsNs = "urn:UCorvane";
inline constexpr std::string_view kRemotablesNs = "urn:UCorvaneRemotables";

// One service interface: where it lives under the root and its operation namespace. The
// SOAPAction of an operation is the namespace, "#" and the operation's name.
struct InterfaceInfo {
  std::string_view name;
  std::string_view endpoint;   // appended to the service root, which ends with "/"
  std::string_view operationNs;
};

inline constexpr InterfaceInfo kICorvaneAgent{"ICorvaneAgent", "soap/ICorvaneAgent",
                                              "urn:UCorvaneAgentIntf-ICorvaneAgent"};
inline constexpr InterfaceInfo kICorvaneGroupeAgent{
    "ICorvaneGroupeAgent", "soap/ICorvaneGroupeAgent",
    "urn:UCorvaneGroupeAgentIntf-ICorvaneGroupeAgent"};
inline constexpr InterfaceInfo kICorvaneInscription{
    "ICorvaneInscription", "soap/ICorvaneInscription",
    "urn:UCorvaneInscriptionIntf-ICorvaneInscription"};

}  // namespace corvane::service
