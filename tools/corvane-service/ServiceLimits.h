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
// PBKDF2-SHA256 work factor of new password hashes (current guidance for this function). Each
// hash stores its own count, so hashes made with another count keep verifying; a hash weaker than
// the service's count is remade at its next successful log-in.
inline constexpr int kPasswordIterations = 600000;
// A cheaper work factor for tests and benches that create and log in agents all the time; never
// for real accounts (the program's --pbkdf2-iterations sets it).
inline constexpr int kQuickPasswordIterations = 1000;
// Stored hashes claiming more than this are refused as malformed (a hostile row cannot stall a
// worker for minutes).
inline constexpr int kMaxPasswordIterations = 10000000;
// An agent whose password was never changed (its first password is its login) can log in during
// this many days after its creation (settable per server); later only an administrator's reset
// of its password lets it in.
inline constexpr int kDefaultFirstPasswordDays = 7;
// Failed log-ins: the first few of a log-in name (of an address) are free; each further one makes
// the name (the address) wait twice as long before the next try is even checked, from 1 s up to
// the ceiling. Counts are forgotten after the quiet period; at most kMaxThrottleEntries names
// and as many addresses are remembered (the quietest are forgotten first).
inline constexpr int kFreeFailuresPerLogin = 5;
inline constexpr int kFreeFailuresPerAddress = 20;
inline constexpr int64_t kFirstBackOffMs = 1000;
inline constexpr int64_t kMaxBackOffMs = 5LL * 60 * 1000;
inline constexpr int64_t kThrottleForgetMs = 30LL * 60 * 1000;
inline constexpr size_t kMaxThrottleEntries = 10000;
// The group a sign-up created can get its first administrator this long after its creation,
// from the same sign-up only.
inline constexpr int64_t kSignUpLifetimeMs = 60LL * 60 * 1000;
// Closing letters a customer program may record for one help request, each kind once (it
// observes I, R, N and A).
inline constexpr size_t kMaxCustomerClosingLetters = 4;
// Worker threads of the HTTP server.
inline constexpr size_t kWorkerThreads = 64;
// Connections the kernel queues for the server before it accepts them.
inline constexpr int kListenBacklog = 512;

}  // namespace corvane::service::server
