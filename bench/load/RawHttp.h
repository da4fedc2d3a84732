#pragma once
// Byte-level HTTP/1.1 pieces shared by the scenarios' man-in-the-middle peers (the call gate and
// the service front): they read a caller's request whole, pass it on with "Connection: close" so
// the far side ends the exchange, and write answers on plain sockets.

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::load {

// Writes every byte (no SIGPIPE); false when the peer went away.
bool SendAll(int fd, const std::string& bytes);

// Reads one request (headers, then a body as long as Content-Length says). Empty when the peer
// went away, when stopping turned true, or beyond maxBytes.
std::string ReadHttpRequest(int fd, const std::atomic<bool>& stopping, size_t maxBytes = 4 * 1024 * 1024);

// The request with any Connection header replaced by "Connection: close".
std::string WithConnectionClose(const std::string& request);

std::string AsciiLower(std::string_view text);

}  // namespace corvane::load
