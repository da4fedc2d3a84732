#pragma once
// The "DAD-" headers of a call request, read by the rules of the call protocol: a missing header
// reads as empty, a number that does not parse (or does not fit 32 bits) as 0, the description
// is a comma-text list of lines, the customer type is limited to 0..1. A duplicated header counts
// once (its first value). Text values are decoded to the program's UTF-8: customer programs send
// either UTF-8 or their 8-bit Windows code page, so a value that is not valid UTF-8 is read as
// Windows-1252.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::calls {

// The User-Agent that marks a call request (exact, case-sensitive).
inline constexpr std::string_view kUserAgentCorvaneClient = "CorvaneClient";

// Header names of the call protocol.
inline constexpr std::string_view kHeaderAssistanceID = "DAD-AssistanceID";
inline constexpr std::string_view kHeaderAction = "DAD-Action";
inline constexpr std::string_view kHeaderAgentCount = "DAD-AgentCount";
inline constexpr std::string_view kHeaderClientNom = "DAD-ClientNom";
inline constexpr std::string_view kHeaderClientEMail = "DAD-ClientEMail";
inline constexpr std::string_view kHeaderClientID = "DAD-ClientID";
inline constexpr std::string_view kHeaderDescription = "DAD-Description";
inline constexpr std::string_view kHeaderTypeClient = "DAD-TypeClient";
inline constexpr std::string_view kHeaderReponse = "DAD-Reponse";
inline constexpr std::string_view kHeaderPort = "DAD-Port";

struct CallRequest {
  std::string AssistanceID;
  int Action = 0;
  int AgentCount = 0;
  std::string ClientNom;
  std::string ClientEMail;
  std::string ClientID;
  std::string Description;  // lines, each followed by CR LF
  uint8_t TypeClient = 0;
};

// The first value of a header, nullopt when absent.
using HeaderLookup = std::function<std::optional<std::string>(std::string_view name)>;

// Throws ECallRequestRejected when a DAD header is longer than kMaxCallHeaderValue.
CallRequest ParseCallRequest(const HeaderLookup& header);

// A header value as UTF-8 text: kept when it is valid UTF-8, otherwise read as Windows-1252.
std::string HeaderText(std::string_view value);

// The comma-text description turned into lines, each followed by CR LF.
std::string DescriptionLines(std::string_view commaText);

}  // namespace corvane::calls
