// Substitution tags and the file-system folders behind them.

#include <gtest/gtest.h>

#include <cstdlib>

#include "update/FileSystemRemplaceTag.h"
#include "update/TestSupport.h"
#include "update/UpdateError.h"

namespace corvane::update {
namespace {

// Answers every tag with "<name|attr=value,...|inner>" so the parse shows.
class EchoTags : public TCustomRemplaceTag {
public:
  EchoTags() : TCustomRemplaceTag("maj") {
    OnReplaceTag = [](const std::string& name, const std::vector<TTagAttribute>& attributes, const std::string& inner,
                      std::string& replacement) {
      replacement = "<" + name + "|";
      for (const auto& a : attributes) replacement += a.Name + "=" + a.Value + ",";
      replacement += "|" + inner + ">";
    };
  }
};

TEST(RemplaceTag, ParsesStandAloneTagsBlocksAndAttributes) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"plain text", "plain text"},
      {"a[maj:x/]b", "a<x||>b"},
      {"[maj:x   /  ]", "<x||>"},
      {"[maj:x a=\"1\" b=\"say ::hi::\" /]", "<x|a=1,b=say \"hi\",|>"},
      {"[maj:b]in[/maj:b]", "<b||in>"},
      {"[maj:b]1[maj:b]2[/maj:b]3[/maj:b]", "<b||1<b||2>3>"},              // same-name blocks nest
      {"[maj:b]x[maj:c/]y[/maj:B]", "<b||x<c||>y>"},                      // inner tags first; names ignore case
      {"[maj:b]never closed", "[maj:b]never closed"},
      {"[MAJ:x/] [tarvenholt:x/] [maj :x/]", "[MAJ:x/] [tarvenholt:x/] [maj :x/]"},  // prefix is exact
      {"[maj:/] [maj:x", "[maj:/] [maj:x"},
      {"[maj:a/][maj:b/]", "<a||><b||>"},
  };
  EchoTags tags;
  for (const Case& c : cases) EXPECT_EQ(tags.Remplacer(c.text), c.expected) << c.text;
}

TEST(RemplaceTag, UnansweredTagsDisappearAndLimitsHold) {
  TCustomRemplaceTag tags("maj");
  EXPECT_EQ(tags.Remplacer("[maj:unknown/]x"), "x");
  EXPECT_EQ(tags.Prefix, "maj");
  EXPECT_EQ(TCustomRemplaceTag().Prefix, "tarvenholt");
  std::string deep;
  for (int i = 0; i < 40; ++i) deep += "[maj:b]";
  for (int i = 0; i < 40; ++i) deep += "[/maj:b]";
  EXPECT_THROW(tags.Remplacer(deep), EUpdateError);
  EXPECT_THROW(tags.Remplacer(std::string(100000, 'x')), EUpdateError);
}

TEST(FileSystemRemplaceTag, MapsTheFolderTags) {
  SpecialFolders folders;
  folders.folders = {{"tmp", "/tmp"}, {"docs", "/home/u/Documents"}};
  TFileSystemRemplaceTag tags("maj", "/opt/corvane/CorvaneAgent", folders);
  std::string unknown;
  tags.OnReplaceTag = [&](const std::string& name, const std::vector<TTagAttribute>&, const std::string&,
                          std::string& replacement) {
    unknown = name;
    if (name == "AppTitle") replacement = "Corvane";
  };
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"[maj:app/]CorvaneAgent.exe", "/opt/corvane/CorvaneAgent.exe"},
      {"[maj:APP/]x", "/opt/corvane/x"},
      {"[maj:appexename/]", "/opt/corvane/CorvaneAgent"},
      {"[maj:tmp/]/f", "/tmp/f"},
      {"[maj:Docs/]/r.pdf", "/home/u/Documents/r.pdf"},
      {"[maj:AppTitle/] update", "Corvane update"},
      {"[maj:unknown/]x", "x"},
  };
  for (const Case& c : cases) EXPECT_EQ(tags.Remplacer(c.text), c.expected) << c.text;
  EXPECT_EQ(unknown, "unknown");
}

class ScopedEnv {
public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { had_ ? (void)::setenv(name_, old_.c_str(), 1) : (void)::unsetenv(name_); }

private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(SpecialFolders, FollowTheUsersXdgFolders) {
  test::TempDir dir;
  test::WriteFile(dir.file("config/user-dirs.dirs"),
                  "# comment\nXDG_DESKTOP_DIR=\"$HOME/Bureau\"\nXDG_DOCUMENTS_DIR=\"/data/docs/\"\n");
  ScopedEnv home("HOME", dir.path());
  ScopedEnv config("XDG_CONFIG_HOME", dir.file("config"));
  ScopedEnv data("XDG_DATA_HOME", dir.file("data"));
  ScopedEnv tmp("TMPDIR", "/var/tmp/");
  const auto f = SpecialFolders::FromEnvironment().folders;
  EXPECT_EQ(f.at("desktop"), dir.path() + "/Bureau");
  EXPECT_EQ(f.at("docs"), "/data/docs");
  EXPECT_EQ(f.at("appdata"), dir.file("data"));
  EXPECT_EQ(f.at("startmenu"), dir.file("data/applications"));
  EXPECT_EQ(f.at("tmp"), "/var/tmp");
  for (const char* name : {"win", "sys", "pf", "cf", "fonts", "sendto"}) EXPECT_EQ(f.at(name).front(), '/') << name;

  ScopedEnv noConfig("XDG_CONFIG_HOME", dir.file("elsewhere"));
  EXPECT_EQ(SpecialFolders::FromEnvironment().folders.at("docs"), dir.path() + "/Documents");
}

}  // namespace
}  // namespace corvane::update
