#pragma once
// Limits applied to the bytes the web service (or, on the service side, a client) sends us.
// Every check of untrusted SOAP input reads its ceiling from here.

#include <cstddef>

namespace corvane::service {

// Largest SOAP answer the client accepts; a history of tens of thousands of sessions stays far
// below it. Beyond it the call fails with EAnswerTooLarge instead of growing memory without end.
inline constexpr size_t kMaxAnswerBytes = 64u * 1024 * 1024;

// Deepest chain of href="#n" references followed before a document is declared malformed.
inline constexpr int kMaxHrefChain = 8;

// Most elements accepted in one SOAP array (checked against the declared and the actual count).
inline constexpr size_t kMaxArrayItems = 1'000'000;

// Default connect and read time-outs of every call, in milliseconds.
inline constexpr int kDefaultConnectTimeoutMs = 15000;
inline constexpr int kDefaultReadTimeoutMs = 15000;

// Redirects followed for one call (only to http or https addresses).
inline constexpr long kMaxRedirects = 5;

}  // namespace corvane::service
