#pragma once
// Errors of the call-reception library, rooted in ECallsError. Service faults and transport errors
// of the web-service library pass through unchanged.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace corvane::calls {

class ECallsError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The call listener could not listen on the agent's call port (another program holds it). The
// main window shows "The port %d is busy. You are not connected." with Port().
class ECallListenerPortBusy : public ECallsError {
public:
  ECallListenerPortBusy(int port, const std::string& message) : ECallsError(message), port_(port) {}
  int Port() const { return port_; }

private:
  int port_;
};

// A call request the listener refuses to read (a header value beyond its limit): status 400.
class ECallRequestRejected : public ECallsError {
public:
  using ECallsError::ECallsError;
};

// An operation that needs a logged-in agent was asked while logged out.
class ENotLoggedIn : public ECallsError {
public:
  using ECallsError::ECallsError;
};

}  // namespace corvane::calls
