// The update helper's command line: switches, and the restart arguments carried in params.

#include <gtest/gtest.h>

#include "update/helper/HelperCommandLine.h"

namespace corvane::update::helper {
namespace {

TEST(HelperCommandLine, ReadsSwitchesWithoutRegardToCase) {
  const HelperSwitches s =
      ReadSwitches({"-SRC", "/tmp/UPDT1", "-dest", "/opt/a b", "-Pid", "42", "-action", "1", "-params"});
  EXPECT_EQ(s.src, "/tmp/UPDT1");
  EXPECT_EQ(s.dest, "/opt/a b");
  EXPECT_EQ(s.pid, "42");
  EXPECT_EQ(s.action, "1");
  EXPECT_EQ(s.params, "");  // last argument: no value
  EXPECT_EQ(ParseDecimal("42"), 42);
  for (const char* text : {"", "4x", "-1", " 4", "99999999999999999999"}) EXPECT_EQ(ParseDecimal(text), 0) << text;
}

TEST(HelperCommandLine, RestartArgumentsSurviveTheRoundTrip) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"-login", "agent", "-pwd", "p w"},
      {"say \"hi\"", "", "a\"b", "&quote;", "&QUOTE; x", "back\\slash", "end&"},
      {"tab\there", "trailing\"", "\"\""},
  };
  for (const auto& args : cases) {
    const std::string params = EncodeParams(args);
    EXPECT_EQ(params.find('"'), std::string::npos) << params;
    std::vector<std::string> expected = args;
    expected.push_back("-LastUsedUpdateExeFileNameToDelete");
    expected.push_back("/tmp/~JV ab");
    EXPECT_EQ(SplitCommandLine(DecodeParams(params, "/tmp/~JV ab")), expected) << params;
  }
}

TEST(HelperCommandLine, QuotesAreWrittenAsEntitiesAndDecodedInAnyCase) {
  EXPECT_EQ(EncodeParams({"-login", "a b"}), "-login &quote;a b&quote;");
  EXPECT_EQ(DecodeParams("-x &QUOTE;a b&Quote;", "/h"), "-x \"a b\" -LastUsedUpdateExeFileNameToDelete \"/h\"");
}

}  // namespace
}  // namespace corvane::update::helper
