#pragma once
// The error hierarchy of the web-service library, rooted in EServiceError.
//
//   EServiceError
//   ├── ETransportError          the HTTP exchange failed
//   │   ├── EConnectTimeout      no connection within the connect time-out
//   │   ├── EReadTimeout         the service stopped sending within the read time-out
//   │   ├── EConnectionRefused   nobody listens at the address (or it is unreachable)
//   │   ├── EAnswerTooLarge      the answer exceeded kMaxAnswerBytes
//   │   └── EHttpStatus          an HTTP status other than 200 without a SOAP fault
//   ├── EInvalidServiceUrl       a root that is not an http or https address
//   ├── ENotWellFormedAnswer     the answer is not well-formed XML (or carries a DTD)
//   ├── EUnexpectedAnswer        well-formed, but not the SOAP answer the operation expects
//   ├── EPropertyError           a record property could not take a value
//   └── ERemotableException      a SOAP fault (RemotableFaults.h holds the fault family)
//
// Messages are translated texts; setMessage lets the application's error handler rewrite them.

#include <stdexcept>
#include <string>

namespace corvane::service {

class EServiceError : public std::exception {
public:
  explicit EServiceError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const { return message_; }
  void setMessage(std::string message) { message_ = std::move(message); }

private:
  std::string message_;
};

class ETransportError : public EServiceError {
public:
  using EServiceError::EServiceError;
};

class EConnectTimeout : public ETransportError {
public:
  using ETransportError::ETransportError;
};

class EReadTimeout : public ETransportError {
public:
  using ETransportError::ETransportError;
};

class EConnectionRefused : public ETransportError {
public:
  using ETransportError::ETransportError;
};

class EAnswerTooLarge : public ETransportError {
public:
  using ETransportError::ETransportError;
};

class EHttpStatus : public ETransportError {
public:
  EHttpStatus(std::string message, long status) : ETransportError(std::move(message)), status_(status) {}
  long status() const { return status_; }

private:
  long status_;
};

class EInvalidServiceUrl : public EServiceError {
public:
  using EServiceError::EServiceError;
};

class ENotWellFormedAnswer : public EServiceError {
public:
  using EServiceError::EServiceError;
};

class EUnexpectedAnswer : public EServiceError {
public:
  using EServiceError::EServiceError;
};

class EPropertyError : public EServiceError {
public:
  using EServiceError::EServiceError;
};

}  // namespace corvane::service
