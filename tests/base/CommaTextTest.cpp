#include <gtest/gtest.h>

#include "base/CommaText.h"

using namespace corvane::base;
using Items = std::vector<std::string>;

TEST(CommaText, ParsesTheClassicForm) {
  const std::pair<std::string, Items> cases[] = {
      {"a, \"b c\",", {"a", "b c", ""}},
      {"", {}},
      {"   ", {}},
      {"a b\tc", {"a", "b", "c"}},  // blanks separate too
      {"a,,b", {"a", "", "b"}},
      {",a", {"", "a"}},
      {",", {"", ""}},
      {"a, ", {"a"}},  // the comma must end the text to add an empty item
      {"  a  ,  b  ", {"a", "b"}},
      {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
      {"\"\"", {""}},
      {"\"a\"b,c", {"a", "b", "c"}},
      {"\"open", {"open"}},  // an unterminated quote keeps all its characters
      {"caf\xC3\xA9,\xE2\x82\xAC", {"café", "€"}},
  };
  for (const auto& [text, items] : cases) EXPECT_EQ(ParseCommaText(text), items) << text;
}

TEST(CommaText, MakeQuotesWhatNeedsItAndRoundTrips) {
  EXPECT_EQ(MakeCommaText({"a", "b c", "say \"hi\"", "x,y"}), "a,\"b c\",\"say \"\"hi\"\"\",\"x,y\"");
  EXPECT_EQ(MakeCommaText({""}), "\"\"");
  EXPECT_EQ(MakeCommaText({}), "");
  const Items lists[] = {
      {},          {""},        {"", ""},           {"a", ""},    {"", "a"},  {"a", "", "", ""},
      {" lead"},   {"tab\there"}, {"\"", "\"\""},   {"é", "a,b"}, {std::string("n\0ul", 4), "z"},
  };
  for (const auto& items : lists) EXPECT_EQ(ParseCommaText(MakeCommaText(items)), items) << MakeCommaText(items);
}
