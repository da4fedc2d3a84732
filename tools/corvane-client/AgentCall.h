#pragma once
// One HTTP request of a call to an agent's call listener: User-Agent "CorvaneClient" and the
// "DAD-" headers, answered with "DAD-Reponse" ("OK" with "DAD-Port", or "NOK") or with no DAD
// header while the agent has not answered.
//
// Actions: 1 a new call (with the caller's data), 2 a poll, 3 the session starts, 4 the call ends.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ClientOptions.h"
#include "HttpClient.h"

namespace corvane::client {

inline constexpr std::string_view kCallUserAgent = "CorvaneClient";

enum CallAction : int { kActionNewCall = 1, kActionPoll = 2, kActionStartSession = 3, kActionEndCall = 4 };

// What the caller tells the agents with action 1.
struct CallerInfo {
  std::string assistanceId;
  std::string name;
  std::string email;
  std::string identifier;  // empty for an unknown customer
  std::string description;
  HeaderCharset charset = HeaderCharset::Utf8;
};

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// The DAD headers of one request, every value made safe for a header line (control characters
// become blanks), in the caller's charset, and cut to kMaxCallHeaderValue at a character boundary.
HeaderList CallHeaders(const CallerInfo& caller, int action, int agentCount);

// The description as the comma-text list of its lines; lines that do not fit the header limit are
// left out from the end (a single over-long first line is cut).
std::string DescriptionHeader(std::string_view description,
                              HeaderCharset charset = HeaderCharset::Utf8);

struct CallAnswer {
  enum class Kind { Pending, Accepted, Refused };
  Kind kind = Kind::Pending;
  uint16_t port = 0;  // Accepted only
};

// Reads an agent's answer. Throws HttpError when the status is not 200, or when an acceptance
// carries no usable port.
CallAnswer ReadCallAnswer(const HttpAnswer& answer);

// The GET request of one call step to an agent.
HttpRequest CallRequest(const AgentAddress& agent, const HeaderList& headers);

}  // namespace corvane::client
