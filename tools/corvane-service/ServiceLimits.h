#pragma once
// Limits and defaults of the reference service, in one place.

#include <cstddef>
#include <cstdint>

namespace corvane::service::server {

// Largest request body accepted (SOAP or customer form); larger ones get a fault or 413.
inline constexpr size_t kMaxRequestBytes = 4u * 1024 * 1024;
// Longest text accepted in one field of a customer request.
inline constexpr size_t kMaxFormFieldBytes = 64u * 1024;
// A session unused for this long is forgotten (settable per server).
inline constexpr int64_t kDefaultSessionIdleMs = 30LL * 60 * 1000;
// A session's last use is rewritten at most this often (and at most ten times per idle limit).
inline constexpr int64_t kSessionTouchMs = 60LL * 1000;
// A verification challenge lives this long and serves one attempt.
inline constexpr int64_t kChallengeLifetimeMs = 10LL * 60 * 1000;
// Challenges kept at most; the oldest are dropped beyond it (a flood cannot fill the disk).
inline constexpr int kMaxChallenges = 10000;
// PBKDF2-SHA256 work factor of stored passwords.
inline constexpr int kPasswordIterations = 10000;
// Worker threads of the HTTP server.
inline constexpr size_t kWorkerThreads = 64;
// Connections the kernel queues for the server before it accepts them.
inline constexpr int kListenBacklog = 512;

}  // namespace corvane::service::server
