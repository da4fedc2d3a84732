#pragma once
// Errors of the session protocol library. Any of them raised on a connection's thread ends that
// connection (the TCP server catches them); raised on the main thread they reach the caller.

#include <stdexcept>
#include <string>

namespace corvane::session {

class SessionError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A wait for payload bytes outlasted the connection's read time limit.
class ReadTimeoutError : public SessionError {
public:
  ReadTimeoutError() : SessionError("Read timed out.") {}
};

// The peer closed the connection, or it was closed locally, while bytes were awaited or written.
class ConnectionClosedError : public SessionError {
public:
  ConnectionClosedError() : SessionError("Connection Closed Gracefully.") {}
  explicit ConnectionClosedError(const std::string& why) : SessionError(why) {}
};

// A text line longer than the line limit.
class LineTooLongError : public SessionError {
public:
  LineTooLongError() : SessionError("Max line length exceeded.") {}
};

// A length prefix that is negative or above the block ceiling.
class BlockLengthError : public SessionError {
public:
  using SessionError::SessionError;
};

// A component stream that does not decode into the expected record.
class StreamFormatError : public SessionError {
public:
  using SessionError::SessionError;
};

// PNG data that does not decode, or whose picture exceeds the limits.
class PngError : public SessionError {
public:
  using SessionError::SessionError;
};

// A PNG picture, or the pictures of one frame together, larger than allowed; raised from the
// declared size, before any pixel memory is allocated.
class PngTooLargeError : public PngError {
public:
  using PngError::PngError;
};

// Screen dimensions announced by a customer that are not a usable picture size.
class ScreenDimensionError : public SessionError {
public:
  using SessionError::SessionError;
};

// A text that cannot be sent as asked (a command holding a line break, for instance).
class SendTextError : public SessionError {
public:
  using SessionError::SessionError;
};

// A connection that could not be made (client side).
class ConnectError : public SessionError {
public:
  using SessionError::SessionError;
};

// The silent abort: ends a speaking round or a worker step without being reported.
class AbortError : public SessionError {
public:
  AbortError() : SessionError("Operation aborted") {}
};

}  // namespace corvane::session
