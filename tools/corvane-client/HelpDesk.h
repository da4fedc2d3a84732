#pragma once
// The customer-facing part of the web service: opening a help request for a group, which gives the
// assistance identifier and the addresses of the group's available agents, and recording the
// closing letters the program observes. Form-encoded POSTs under the service root, plain-text
// answers ("AssistanceID=<id>", "Jeton=<token>", then one "Agent=<host>:<port>" line per agent).
// The token goes back with every closing letter: the service takes letters from the request's
// caller only.
//
// Threads: the operations block and may run on any thread; they keep no state but the root.

#include <string>
#include <string_view>
#include <vector>

#include "ClientOptions.h"

namespace corvane::client {

struct HelpRequestAnswer {
  std::string assistanceId;
  std::string token;  // empty from a service that gives none
  std::vector<AgentAddress> agents;
};

class HelpDesk {
public:
  // serviceRoot ends with '/'.
  explicit HelpDesk(std::string serviceRoot) : root_(std::move(serviceRoot)) {}

  // Throws ServiceError (unknown group, unauthorized customer, bad answer) or HttpError.
  HelpRequestAnswer OpenHelpRequest(const std::string& groupId, const std::string& name,
                                    const std::string& email, const std::string& identifier,
                                    const std::string& description) const;
  // letter is one of I, R, N, U, A. Throws ServiceError or HttpError.
  void RecordClosing(const std::string& assistanceId, const std::string& token, char letter) const;

private:
  std::string root_;
};

// Reads the help-request answer, checked against the limits of ClientLimits.h: agents beyond
// kMaxAgentsCalled and malformed agent lines are left out. Throws ServiceError (BadAnswer) when
// there is no usable assistance identifier.
HelpRequestAnswer ParseHelpRequestAnswer(std::string_view body);

// Line breaks of any kind become CR LF, as the service's history keeps them.
std::string WindowsLineBreaks(std::string_view text);

}  // namespace corvane::client
