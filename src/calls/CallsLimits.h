#pragma once
// Limits of call reception. Everything a caller sends to the call listener is checked against
// these before it is stored.

#include <cstddef>

namespace corvane::calls {

// Longest value of one "DAD-" header; a longer one makes the request fail with status 400.
inline constexpr size_t kMaxCallHeaderValue = 8192;

// Calls that may ring at once (a port and a window prepared, not started yet). Beyond it a new
// call is answered "NOK" without opening anything.
inline constexpr int kMaxRingingCalls = 10;

// Call contexts kept at once. When the list is full the contexts without pending action are purged
// first; a request that still finds no room fails with status 503.
inline constexpr size_t kMaxCallContexts = 256;

// Threads serving the call listener's connections, and the queue of connections waiting to be
// accepted.
inline constexpr int kCallListenerThreads = 16;
inline constexpr int kCallListenerBacklog = 128;

// A call request carries no body worth reading; larger bodies are refused by the HTTP server.
inline constexpr size_t kMaxCallRequestBody = 64 * 1024;

// Idle seconds before a kept-alive listener connection is closed, and read time-out in seconds.
inline constexpr int kCallListenerKeepAliveSeconds = 5;
inline constexpr int kCallListenerReadTimeoutSeconds = 10;

// The address publication request: connect and read time-outs (ms), largest answer read.
inline constexpr long kPublicationTimeoutMs = 15000;
inline constexpr size_t kMaxPublicationAnswer = 64 * 1024;

}  // namespace corvane::calls
