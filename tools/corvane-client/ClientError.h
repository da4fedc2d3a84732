#pragma once
// Errors of the customer program, rooted in ClientError.

#include <stdexcept>
#include <string>

namespace corvane::client {

class ClientError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The command line or a file it names is not usable.
class CommandLineError : public ClientError {
public:
  using ClientError::ClientError;
};

// A chat script line that cannot be understood.
class ScriptError : public ClientError {
public:
  using ClientError::ClientError;
};

// An HTTP request that got no answer (connection refused, time-out, answer too large).
class HttpError : public ClientError {
public:
  using ClientError::ClientError;
};

// The service answered, but not with what the program asked for.
class ServiceError : public ClientError {
public:
  enum class Kind { Unavailable, UnknownGroup, Unauthorized, BadAnswer };
  ServiceError(Kind kind, const std::string& what) : ClientError(what), kind_(kind) {}
  Kind kind() const { return kind_; }

private:
  Kind kind_;
};

// A received file that cannot be put in place.
class ReceivedFileError : public ClientError {
public:
  using ClientError::ClientError;
};

}  // namespace corvane::client
