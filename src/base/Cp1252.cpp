#include "base/Cp1252.h"

#include <cstdint>

namespace corvane::base {
namespace {

// Code points of the bytes 0x80..0x9F; the unassigned ones keep their own value.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

constexpr char32_t kReplacement = 0xFFFD;

char16_t byteToUnit(unsigned char b) {
  return (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : static_cast<char16_t>(b);
}

// The byte for a code point, or '?' when the code page lacks it.
char pointToByte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == cp) return static_cast<char>(0x80 + i);
  return '?';
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void appendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

// Decodes the character at `i` and advances past it. Malformed input (overlong forms, surrogates,
// values above U+10FFFF, truncated sequences) yields one U+FFFD per maximal invalid subpart.
char32_t nextUtf8(std::string_view s, size_t& i, bool& valid) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b0 = byte(i++);
  valid = true;
  if (b0 < 0x80) return b0;
  int length;
  char32_t cp;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    valid = false;
    return kReplacement;
  }
  for (int k = 1; k < length; ++k) {
    if (i >= s.size()) {
      valid = false;
      return kReplacement;
    }
    unsigned char b = byte(i);
    unsigned char min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
    if (b < min || b > max) {
      valid = false;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
    ++i;
  }
  return cp;
}

// Decodes the code point at `i` of UTF-16 and advances; unpaired surrogates give U+FFFD.
char32_t nextUtf16(std::u16string_view s, size_t& i) {
  char16_t u = s[i++];
  if (u >= 0xD800 && u <= 0xDBFF) {
    if (i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
      return 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (s[i++] - 0xDC00);
    return kReplacement;
  }
  if (u >= 0xDC00 && u <= 0xDFFF) return kReplacement;
  return u;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) appendUtf8(out, byteToUnit(b));
  return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    bool valid;
    char32_t cp = nextUtf8(utf8, i, valid);
    out.push_back(valid ? pointToByte(cp) : '?');
  }
  return out;
}

std::u16string Cp1252ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) out.push_back(byteToUnit(b));
  return out;
}

std::string Utf16ToCp1252(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  size_t i = 0;
  while (i < units.size()) out.push_back(pointToByte(nextUtf16(units, i)));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  size_t i = 0;
  while (i < units.size()) appendUtf8(out, nextUtf16(units, i));
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    bool valid;
    appendUtf16(out, nextUtf8(utf8, i, valid));
  }
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    bool valid;
    nextUtf8(bytes, i, valid);
    if (!valid) return false;
  }
  return true;
}

}  // namespace corvane::base
