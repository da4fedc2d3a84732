#include "calls/CallRequest.h"

#include <algorithm>

#include "base/CommaText.h"
#include "calls/CallsError.h"
#include "calls/CallsLimits.h"
#include "calls/TextHelpers.h"

namespace corvane::calls {

std::string DescriptionLines(std::string_view commaText) {
  std::string out;
  for (const std::string& line : base::ParseCommaText(commaText)) {
    out += line;
    out += "\r\n";
  }
  return out;
}

CallRequest ParseCallRequest(const HeaderLookup& header) {
  auto value = [&](std::string_view name) {
    std::string v = header(name).value_or(std::string());
    if (v.size() > kMaxCallHeaderValue)
      throw ECallRequestRejected("Header " + std::string(name) + " is too long");
    return v;
  };
  CallRequest r;
  r.AssistanceID = value(kHeaderAssistanceID);
  r.Action = ReadIntOrZero(value(kHeaderAction));
  r.AgentCount = ReadIntOrZero(value(kHeaderAgentCount));
  r.ClientNom = value(kHeaderClientNom);
  r.ClientEMail = value(kHeaderClientEMail);
  r.ClientID = value(kHeaderClientID);
  r.Description = DescriptionLines(value(kHeaderDescription));
  r.TypeClient = static_cast<uint8_t>(std::clamp(ReadIntOrZero(value(kHeaderTypeClient)), 0, 1));
  return r;
}

}  // namespace corvane::calls
