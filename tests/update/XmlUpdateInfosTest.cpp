// Reading and editing the update descriptor.

#include <gtest/gtest.h>

#include "update/UpdateError.h"
#include "update/UpdateLimits.h"
#include "update/XmlUpdateInfos.h"

namespace corvane::update {
namespace {

TEST(Descriptor, ReadsEntriesOfBothKindsInDocumentOrder) {
  auto infos = TXMLTUpdateInfos::Parse(R"(<?xml version="1.0" encoding="UTF-8"?>
<updates>
  <update mandatory="true" restart="TRUE" noupdate="0">
    <filename>[maj:app/]CorvaneAgent</filename><description>Program &amp; help</description>
    <url>http://h/a</url><version>1.3.0.0</version>
  </update>
  <delete restart="1"><filename>/opt/old</filename><description>old file</description></delete>
  <update><filename>/opt/b</filename><crc32>123</crc32></update>
</updates>)");
  const auto& u = infos->Updates();
  ASSERT_EQ(u.Count(), 2u);
  EXPECT_TRUE(u[0].Mandatory());
  EXPECT_TRUE(u[0].Restart());
  EXPECT_FALSE(u[0].NoUpdate());
  EXPECT_EQ(u[0].Filename(), "[maj:app/]CorvaneAgent");
  EXPECT_EQ(u[0].Description(), "Program & help");
  EXPECT_EQ(u[0].Url(), "http://h/a");
  EXPECT_EQ(u[0].Version(), "1.3.0.0");
  EXPECT_EQ(u[0].Crc32(), "");
  // Absent attributes and elements read as false and empty text.
  EXPECT_FALSE(u[1].Mandatory());
  EXPECT_FALSE(u[1].Restart());
  EXPECT_EQ(u[1].Version(), "");
  EXPECT_EQ(u[1].Url(), "");
  EXPECT_EQ(u[1].Crc32(), "123");
  ASSERT_EQ(infos->Deletes().Count(), 1u);
  EXPECT_TRUE(infos->Deletes()[0].Restart());
  EXPECT_EQ(infos->Deletes()[0].Filename(), "/opt/old");
}

TEST(Descriptor, OnlyDeleteElementsGiveAnEmptyUpdateList) {
  auto infos = TXMLTUpdateInfos::Parse("<updates><delete><filename>/a</filename></delete></updates>");
  EXPECT_EQ(infos->Updates().Count(), 0u);
  EXPECT_EQ(infos->Deletes().Count(), 1u);
}

TEST(Descriptor, BooleanTexts) {
  struct Case {
    const char* text;
    bool value;
  } cases[] = {{"true", true}, {"TRUE", true}, {"True", true}, {"false", false}, {"FaLsE", false},
               {"1", true},    {"-3", true},   {"0", false},   {"00", false},    {"", false},
               {"yes", false}, {nullptr, false}};
  for (const Case& c : cases) EXPECT_EQ(ReadDescriptorBool(c.text), c.value) << (c.text ? c.text : "(absent)");
}

TEST(Descriptor, SettersRewriteTheDocumentAndListsRemoveByIndex) {
  auto infos = TXMLTUpdateInfos::Parse(
      "<updates><update><filename>a</filename></update><update/><update><url>u3</url></update></updates>");
  auto& u = infos->Updates();
  u[1].SetFilename("/opt/x & <y>");
  u[1].SetNoUpdate(true);
  u[0].SetDescription("changed");
  EXPECT_EQ(u[1].Filename(), "/opt/x & <y>");
  EXPECT_TRUE(u[1].NoUpdate());
  u[1].SetNoUpdate(false);
  EXPECT_FALSE(u[1].NoUpdate());
  u.Delete(0);
  ASSERT_EQ(u.Count(), 2u);
  EXPECT_EQ(u[0].Filename(), "/opt/x & <y>");
  EXPECT_EQ(u[1].Url(), "u3");
  EXPECT_THROW(u.Delete(5), std::out_of_range);
}

TEST(Descriptor, RefusesMalformedOrHostileDocuments) {
  const std::string tooMany = [] {
    std::string s = "<updates>";
    for (size_t i = 0; i <= limits::kMaxDescriptorEntries; ++i) s += "<delete/>";
    return s + "</updates>";
  }();
  const std::string cases[] = {
      "",
      "<updates><update></updates>",
      "<other/>",
      "not xml",
      // Entity expansion and external entities are never allowed in.
      "<!DOCTYPE updates [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
      "<updates><update><filename>&b;</filename></update></updates>",
      "<!DOCTYPE updates [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><updates><delete><filename>&x;</filename>"
      "</delete></updates>",
      std::string(limits::kMaxDescriptorBytes + 1, ' '),
      tooMany,
  };
  for (const std::string& xml : cases) EXPECT_THROW(TXMLTUpdateInfos::Parse(xml), EUpdateDescriptorError) << xml.substr(0, 80);
}

}  // namespace
}  // namespace corvane::update
