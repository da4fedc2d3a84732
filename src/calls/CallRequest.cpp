#include "calls/CallRequest.h"

#include <algorithm>

#include "base/CommaText.h"
#include "base/Cp1252.h"
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

std::string HeaderText(std::string_view value) {
  if (base::IsValidUtf8(value)) return std::string(value);
  return base::Cp1252ToUtf8(value);
}

CallRequest ParseCallRequest(const HeaderLookup& header) {
  // The limit applies to the bytes received; the text is decoded afterwards.
  auto value = [&](std::string_view name) {
    std::string v = header(name).value_or(std::string());
    if (v.size() > kMaxCallHeaderValue)
      throw ECallRequestRejected("Header " + std::string(name) + " is too long");
    return HeaderText(v);
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
