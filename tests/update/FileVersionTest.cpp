// The version note our build writes into executables, and the descriptor's version texts.

#include <gtest/gtest.h>

#include <filesystem>

#include "update/FileVersion.h"
#include "update/TestSupport.h"
#include "update/UpdateError.h"

namespace corvane::update {
namespace {

TEST(FileVersion, ReadsTheNoteThatTheBuildEmbeds) {
  EXPECT_EQ(ReadFileVersion(CORVANE_SELFTEST_APP_V1)->ToString(), "1.0.0.0");
  EXPECT_EQ(ReadFileVersion(CORVANE_SELFTEST_APP_V2)->ToString(), "2.0.0.0");
  test::TempDir dir;
  test::CopyWithVersion(CORVANE_VERSION_FIXTURE, dir.file("p"), {1, 10, 4294967295u, 7});
  EXPECT_EQ(ReadFileVersion(dir.file("p"))->ToString(), "1.10.4294967295.7");
}

TEST(FileVersion, FilesWithoutANoteHaveNoVersion) {
  test::TempDir dir;
  const std::string program = test::ReadFile(CORVANE_VERSION_FIXTURE);
  test::WriteFile(dir.file("text"), "just text, no ELF header at all");
  test::WriteFile(dir.file("empty"), "");
  test::WriteFile(dir.file("truncated"), program.substr(0, 512));  // the note is cut off
  std::string corrupt = program;
  corrupt[0x3C] = '\xFF';  // absurd section count
  corrupt[0x3D] = '\xFF';
  corrupt[0x38] = '\xFF';  // and program header count
  corrupt[0x39] = '\xFF';
  test::WriteFile(dir.file("corrupt"), corrupt);
  for (const std::string& path : {std::string(CORVANE_UNVERSIONED_PROGRAM), dir.file("text"), dir.file("empty"),
                                  dir.file("truncated"), dir.file("corrupt")})
    EXPECT_FALSE(ReadFileVersion(path).has_value()) << path;
  EXPECT_THROW(ReadFileVersion(dir.file("missing")), EUpdateFileError);
}

TEST(FileVersion, ParsesDescriptorVersionTexts) {
  struct Case {
    const char* text;
    TFileVersion expected;
  } cases[] = {
      {"1.3.0.0", {{1, 3, 0, 0}}},   {"1.3", {{1, 3, 0, 0}}},           {" 1 . 2 .3 ", {{1, 2, 3, 0}}},
      {"1.2.3.4.5", {{1, 2, 3, 4}}}, {"1.x.3", {{1, 0, 3, 0}}},         {"", {{0, 0, 0, 0}}},
      {"0", {{0, 0, 0, 0}}},         {"4294967296.1", {{0, 1, 0, 0}}},  {"-1.2", {{0, 2, 0, 0}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseVersionText(c.text), c.expected) << c.text;
  EXPECT_TRUE(VersionLower({{1, 2, 0, 0}}, {{1, 10, 0, 0}}));
  EXPECT_FALSE(VersionLower({{1, 10, 0, 0}}, {{1, 2, 0, 0}}));
  EXPECT_FALSE(VersionLower({{1, 3, 0, 0}}, {{1, 3, 0, 0}}));
  EXPECT_FALSE(HasNonZeroPart({}));
}

}  // namespace
}  // namespace corvane::update
