#include <gtest/gtest.h>

#include "base/Cp1252.h"

using namespace corvane::base;

TEST(Cp1252, EveryByteRoundTripsThroughUtf8AndUtf16) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  std::u16string utf16 = Cp1252ToUtf16(all);
  ASSERT_EQ(utf16.size(), 256u);
  EXPECT_EQ(Utf16ToCp1252(utf16), all);
  EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
  EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
}

TEST(Cp1252, HighBytesMapToTheirCharacters) {
  struct Case {
    unsigned char byte;
    char16_t unit;
  };
  const Case cases[] = {{0x80, u'€'}, {0x81, 0x81},   {0x8A, u'Š'}, {0x8D, 0x8D}, {0x8F, 0x8F},
                        {0x90, 0x90}, {0x92, u'\u2019'}, {0x96, u'–'}, {0x99, u'™'}, {0x9C, u'œ'},
                        {0x9D, 0x9D}, {0x9F, u'Ÿ'},   {0xA0, 0xA0}, {0xE9, u'é'}, {0xFF, u'ÿ'}};
  for (const auto& c : cases) {
    std::string byte(1, static_cast<char>(c.byte));
    EXPECT_EQ(Cp1252ToUtf16(byte), std::u16string(1, c.unit)) << int(c.byte);
    EXPECT_EQ(Utf16ToCp1252(std::u16string(1, c.unit)), byte) << int(c.byte);
  }
  EXPECT_EQ(Cp1252ToUtf8("caf\xE9 \x80"), "café €");
}

TEST(Cp1252, CharactersOutsideTheCodePageAndMalformedInputBecomeReplacements) {
  EXPECT_EQ(Utf8ToCp1252("a\u0080b"), "a?b");           // U+0080 is not in the code page (0x80 is €)
  EXPECT_EQ(Utf8ToCp1252("\u4E2D\U0001F600!"), "??" "!");  // one '?' per character
  EXPECT_EQ(Utf16ToCp1252(u"\U0001F600"), "?");
  EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");               // truncated sequence
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82x"), "?x");           // maximal invalid subpart, then 'x'
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong form
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}), "a\uFFFDb");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDC00)}), "\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\U0001F600"), u"\U0001F600");
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600é"), "\U0001F600é");
}

TEST(Cp1252, Utf8Validation) {
  const std::pair<std::string, bool> cases[] = {
      {"", true},           {"plain", true},         {"été €", true},     {"\U0010FFFF", true},
      {"\xC3", false},      {"\xC0\x80", false},     {"\xE0\x80\x80", false},
      {"\xED\xA0\x80", false}, {"\xF4\x90\x80\x80", false}, {"\xFF", false}, {"\x80", false},
      {"ok\xE9", false},  // a Windows-1252 byte is not UTF-8
  };
  for (const auto& [bytes, valid] : cases) EXPECT_EQ(IsValidUtf8(bytes), valid) << bytes;
}
