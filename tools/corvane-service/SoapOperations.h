#pragma once
// The service side of the SOAP contract: decodes a request of one interface with SoapReader,
// runs the matching ServiceStore operation and encodes the answer or the fault with SoapWriter,
// exactly as the console's client parses them.
//
// Threads: called on HTTP worker threads; keeps no state of its own.

#include <string>
#include <string_view>

#include "ServiceStore.h"
#include "VerificationPicture.h"
#include "service/ContractNames.h"

namespace corvane::service::server {

struct SoapOutcome {
  int status = 200;  // 500 with a fault
  std::string body;
};

// `peer` is the caller's address (log-in back-off). Faults carry no text of the database: it goes
// to the request's log line (RequestLog::detail).
SoapOutcome HandleSoapRequest(ServiceStore& store, const InterfaceInfo& iface, std::string_view body,
                              const std::string& peer);

}  // namespace corvane::service::server
