#pragma once
// Address publication: one HTTP GET of the service root followed by "UpdateIP?session=" and the
// session string, with a fresh HTTP client each time, so that the service sees the agent's
// current address. The answer's body is ignored. Failures throw the web-service library's
// transport errors (connect or read time-out, refused connection, HTTP status of 400 or more).
//
// Threads: any thread; nothing is shared between calls.

#include <string>

namespace corvane::calls {

// The publication URL for a service root and a session.
std::string AddressPublicationUrl(const std::string& racineServeur, const std::string& session);

// Sends the GET and waits for its answer.
void PublishAddress(const std::string& url);

}  // namespace corvane::calls
