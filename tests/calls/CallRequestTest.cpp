#include <gtest/gtest.h>

#include <map>

#include "calls/CallRequest.h"
#include "calls/CallsError.h"
#include "calls/CallsLimits.h"
#include "calls/TextHelpers.h"

using namespace corvane::calls;

namespace {

CallRequest Parse(const std::map<std::string, std::string>& headers) {
  return ParseCallRequest([&](std::string_view name) -> std::optional<std::string> {
    auto it = headers.find(std::string(name));
    if (it == headers.end()) return std::nullopt;
    return it->second;
  });
}

}  // namespace

TEST(CallRequest, HeadersReadByTheProtocolRules) {
  struct Case {
    std::map<std::string, std::string> headers;
    int action, agents;
    uint8_t typeClient;
  };
  const Case cases[] = {
      {{}, 0, 0, 0},                                                     // all missing
      {{{"DAD-Action", "1"}, {"DAD-AgentCount", "3"}}, 1, 3, 0},
      {{{"DAD-Action", " 2 "}, {"DAD-TypeClient", "7"}}, 2, 0, 1},       // blanks; above 1 -> 1
      {{{"DAD-Action", "abc"}, {"DAD-TypeClient", "-3"}}, 0, 0, 0},      // word -> 0; below 0 -> 0
      {{{"DAD-Action", "4x"}, {"DAD-AgentCount", "+5"}}, 0, 5, 0},
      {{{"DAD-Action", "99999999999999999999"}}, 0, 0, 0},              // does not fit: 0
      {{{"DAD-Action", "2147483648"}, {"DAD-AgentCount", "-2147483648"}}, 0, INT32_MIN, 0},
      {{{"DAD-Action", "+-1"}, {"DAD-TypeClient", "1"}}, 0, 0, 1},
  };
  for (const Case& c : cases) {
    const CallRequest r = Parse(c.headers);
    EXPECT_EQ(r.Action, c.action);
    EXPECT_EQ(r.AgentCount, c.agents);
    EXPECT_EQ(r.TypeClient, c.typeClient);
  }
}

TEST(CallRequest, DescriptionIsACommaTextListOfLines) {
  EXPECT_EQ(Parse({{"DAD-Description", "\"My printer, the big one\",\"does not print\""}}).Description,
            "My printer, the big one\r\ndoes not print\r\n");
  EXPECT_EQ(DescriptionLines("one two,"), "one\r\ntwo\r\n\r\n");  // blanks split; trailing comma
  EXPECT_EQ(DescriptionLines("\"say \"\"hi\"\"\""), "say \"hi\"\r\n");
  EXPECT_EQ(DescriptionLines(""), "");
}

TEST(CallRequest, TextsAreUtf8OrTheWindowsCodePage) {
  struct Case {
    std::string sent, read;
  } cases[] = {
      {"Zo\xC3\xA9 D\xC3\xBCrr", "Zo\xC3\xA9 D\xC3\xBCrr"},  // valid UTF-8 is kept
      {"Zo\xE9 D\xFCrr", "Zo\xC3\xA9 D\xC3\xBCrr"},              // Windows-1252
      {"\x80 5", "\xE2\x82\xAC 5"},                                // the euro sign of 1252
      {"caf\xC3", "caf\xC3\x83"},                                   // cut UTF-8 is 1252 too
      {"plain", "plain"},
  };
  for (const Case& c : cases) {
    const CallRequest r = Parse({{"DAD-ClientNom", c.sent},
                                 {"DAD-ClientEMail", c.sent},
                                 {"DAD-ClientID", c.sent},
                                 {"DAD-AssistanceID", c.sent},
                                 {"DAD-Description", "\"" + c.sent + "\",x"}});
    EXPECT_EQ(r.ClientNom, c.read);
    EXPECT_EQ(r.ClientEMail, c.read);
    EXPECT_EQ(r.ClientID, c.read);
    EXPECT_EQ(r.AssistanceID, c.read);
    EXPECT_EQ(r.Description, c.read + "\r\nx\r\n");
  }
}

TEST(CallRequest, ValueBeyondTheLimitIsRejected) {
  const std::string huge(kMaxCallHeaderValue + 1, 'x');
  EXPECT_THROW(Parse({{"DAD-Description", huge}}), ECallRequestRejected);
  EXPECT_THROW(Parse({{"DAD-AssistanceID", huge}}), ECallRequestRejected);
  EXPECT_NO_THROW(Parse({{"DAD-ClientNom", std::string(kMaxCallHeaderValue, 'x')}}));
}

TEST(TextHelpers, TrimAndEscape) {
  EXPECT_EQ(Trim(" \t\x01 C001 \r\n"), "C001");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(EscapeHtml("<a href=\"x\">Tom & 'Jerry'</a>"),
            "&lt;a href=&quot;x&quot;&gt;Tom &amp; &#39;Jerry&#39;&lt;/a&gt;");
}
