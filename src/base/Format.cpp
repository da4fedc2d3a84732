#include "base/Format.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace corvane::base {
namespace {

// Format strings come from translation catalogues, which are files: a width or precision beyond
// this is refused rather than allocated.
constexpr int kMaxWidthOrPrecision = 4096;
// Doubles carry 17 significant decimal digits; precisions above this only add zeros.
constexpr int kMaxFloatDigits = 18;

[[noreturn]] void fail(std::string_view format, std::string_view why) {
  throw FormatError("Format '" + std::string(format) + "' invalid or incompatible with argument (" +
                    std::string(why) + ")");
}

size_t codePoints(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// Byte length of the first `count` code points of s.
size_t prefixBytes(std::string_view s, size_t count) {
  size_t i = 0;
  while (i < s.size()) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (count == 0) break;
      --count;
    }
    ++i;
  }
  return i;
}

// A finite double as decimal digits: value = 0.d1d2d3... * 10^(point), digits without leading zeros.
struct Decimal {
  bool negative = false;
  std::string digits;  // empty for zero
  int point = 0;
};

Decimal toDecimal(double v) {
  Decimal d;
  d.negative = std::signbit(v);
  char buf[64];
  // 17 significant digits identify a double exactly; rounding below is done on these digits,
  // half away from zero, as the classic formatter does (0.125 -> "0.13", 2.5 -> "3").
  std::snprintf(buf, sizeof buf, "%.16e", std::fabs(v));
  std::string_view s(buf);
  size_t e = s.find('e');
  for (size_t i = 0; i < e; ++i)
    if (s[i] != '.') d.digits.push_back(s[i]);
  int exp10 = std::atoi(buf + e + 1);
  d.point = exp10 + 1;
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.point = 0;
  return d;
}

// Keeps `keep` significant digits (may be <= 0), rounding half away from zero.
void roundDigits(Decimal& d, int keep) {
  if (static_cast<int>(d.digits.size()) <= keep) return;
  if (keep < 0) {
    d.digits.clear();
    return;
  }
  bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.point;
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.point = 0;
}

char digitAt(const Decimal& d, int index) {
  return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[index] : '0';
}

std::string nonFinite(double v) {
  if (std::isnan(v)) return "NAN";
  return v < 0 ? "-INF" : "INF";
}

std::string fixed(double v, int decimals, bool thousands) {
  if (!std::isfinite(v)) return nonFinite(v);
  Decimal d = toDecimal(v);
  roundDigits(d, d.point + decimals);
  std::string intPart;
  for (int i = 0; i < d.point; ++i) intPart.push_back(digitAt(d, i));
  if (intPart.empty()) intPart = "0";
  if (thousands) {
    for (int pos = static_cast<int>(intPart.size()) - 3; pos > 0; pos -= 3) intPart.insert(pos, ",");
  }
  std::string out = (d.negative && !d.digits.empty()) ? "-" : "";
  out += intPart;
  if (decimals > 0) {
    out.push_back('.');
    for (int i = 0; i < decimals; ++i) out.push_back(digitAt(d, d.point + i));
  }
  return out;
}

// "-d.ddd...E+ddd": `digits` significant digits in all, exponent with sign and at least 3 digits.
std::string scientific(double v, int digits) {
  if (!std::isfinite(v)) return nonFinite(v);
  Decimal d = toDecimal(v);
  roundDigits(d, digits);
  int exp10 = d.digits.empty() ? 0 : d.point - 1;
  std::string out = (d.negative && !d.digits.empty()) ? "-" : "";
  out.push_back(digitAt(d, 0));
  if (digits > 1) {
    out.push_back('.');
    for (int i = 1; i < digits; ++i) out.push_back(digitAt(d, i));
  }
  char exp[16];
  std::snprintf(exp, sizeof exp, "E%c%03d", exp10 < 0 ? '-' : '+', std::abs(exp10));
  return out + exp;
}

// The shorter of fixed and scientific with `digits` significant digits, trailing zeros dropped.
std::string general(double v, int digits) {
  if (!std::isfinite(v)) return nonFinite(v);
  Decimal d = toDecimal(v);
  roundDigits(d, digits);
  if (d.digits.empty()) return "0";
  std::string out = d.negative ? "-" : "";
  const int size = static_cast<int>(d.digits.size());
  if (d.point <= digits && std::fabs(v) >= 0.00001) {
    if (d.point <= 0) {
      out += "0.";
      out.append(static_cast<size_t>(-d.point), '0');
      out += d.digits;
    } else {
      for (int i = 0; i < d.point; ++i) out.push_back(digitAt(d, i));
      if (size > d.point) out += "." + d.digits.substr(static_cast<size_t>(d.point));
    }
    return out;
  }
  out.push_back(d.digits[0]);
  if (size > 1) out += "." + d.digits.substr(1);
  return out + "E" + std::to_string(d.point - 1);
}

std::string hex(uint64_t v) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[v & 15]);
    v >>= 4;
  } while (v);
  return out;
}

// Integers are padded with zeros to `precision` digits, after the sign.
std::string padDigits(std::string digits, int precision) {
  bool negative = !digits.empty() && digits[0] == '-';
  if (negative) digits.erase(0, 1);
  if (precision > static_cast<int>(digits.size()))
    digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
  return negative ? "-" + digits : digits;
}

// The classic formatter reads a negative Integer under %u and %x as its 32-bit pattern.
uint64_t asUnsigned(int64_t v) {
  if (v < 0 && v >= INT32_MIN) return static_cast<uint32_t>(static_cast<int32_t>(v));
  return static_cast<uint64_t>(v);
}

class Formatter {
public:
  Formatter(std::string_view format, std::initializer_list<FormatArg> args)
      : format_(format), args_(args.begin(), args.end()) {}

  std::string run() {
    std::string out;
    size_t i = 0;
    while (i < format_.size()) {
      size_t pct = format_.find('%', i);
      if (pct == std::string_view::npos) {
        out.append(format_.substr(i));
        break;
      }
      out.append(format_.substr(i, pct - i));
      pos_ = pct + 1;
      if (pos_ < format_.size() && format_[pos_] == '%') {
        out.push_back('%');
        i = pos_ + 1;
        continue;
      }
      out += conversion();
      i = pos_;
    }
    return out;
  }

private:
  // One conversion after its '%': [index ":"] ["-"] [width] ["." precision] type.
  std::string conversion() {
    int first = -1;
    bool firstIsNumber = readNumberOrStar(first);
    if (firstIsNumber && peek() == ':') {
      ++pos_;
      if (first < 0 || static_cast<size_t>(first) >= args_.size()) fail(format_, "index out of range");
      next_ = static_cast<size_t>(first);
      first = -1;
      firstIsNumber = false;
    }
    bool left = false;
    if (!firstIsNumber && peek() == '-') {
      left = true;
      ++pos_;
    }
    int width = -1;
    if (firstIsNumber)
      width = first;
    else
      readNumberOrStar(width);
    if (width < -1) {  // a negative width from '*' aligns left, as in C
      left = true;
      width = -width;
    }
    int precision = -1;
    if (peek() == '.') {
      ++pos_;
      if (!readNumberOrStar(precision)) precision = 0;
      if (precision < 0) precision = -1;
    }
    if (width > kMaxWidthOrPrecision || precision > kMaxWidthOrPrecision)
      fail(format_, "width or precision too large");
    if (pos_ >= format_.size()) fail(format_, "missing conversion type");
    char type = static_cast<char>(std::tolower(static_cast<unsigned char>(format_[pos_++])));
    std::string text = convert(type, precision);
    if (width > 0) {
      size_t n = codePoints(text);
      if (n < static_cast<size_t>(width)) {
        std::string pad(static_cast<size_t>(width) - n, ' ');
        text = left ? text + pad : pad + text;
      }
    }
    return text;
  }

  char peek() const { return pos_ < format_.size() ? format_[pos_] : '\0'; }

  // Reads digits or '*' (taking an integer argument). Returns false when neither is there.
  bool readNumberOrStar(int& value) {
    if (peek() == '*') {
      ++pos_;
      const FormatArg::Value& v = take();
      if (const auto* i = std::get_if<int64_t>(&v)) {
        if (*i > kMaxWidthOrPrecision || *i < -kMaxWidthOrPrecision) fail(format_, "'*' value out of range");
        value = static_cast<int>(*i);
      } else if (const auto* u = std::get_if<uint64_t>(&v)) {
        if (*u > static_cast<uint64_t>(kMaxWidthOrPrecision)) fail(format_, "'*' value out of range");
        value = static_cast<int>(*u);
      } else {
        fail(format_, "'*' needs an integer argument");
      }
      return true;
    }
    if (peek() < '0' || peek() > '9') return false;
    int64_t n = 0;
    while (peek() >= '0' && peek() <= '9') {
      n = n * 10 + (format_[pos_++] - '0');
      if (n > kMaxWidthOrPrecision) fail(format_, "number too large");
    }
    value = static_cast<int>(n);
    return true;
  }

  const FormatArg::Value& take() {
    if (next_ >= args_.size()) fail(format_, "missing argument");
    return args_[next_++].value();
  }

  std::string convert(char type, int precision) {
    const FormatArg::Value& v = take();
    switch (type) {
      case 'd':
        if (const auto* i = std::get_if<int64_t>(&v)) return padDigits(std::to_string(*i), precision);
        if (const auto* u = std::get_if<uint64_t>(&v)) return padDigits(std::to_string(*u), precision);
        fail(format_, "%d needs an integer");
      case 'u':
        if (const auto* i = std::get_if<int64_t>(&v)) return padDigits(std::to_string(asUnsigned(*i)), precision);
        if (const auto* u = std::get_if<uint64_t>(&v)) return padDigits(std::to_string(*u), precision);
        fail(format_, "%u needs an integer");
      case 'x':
        if (const auto* i = std::get_if<int64_t>(&v)) return padDigits(hex(asUnsigned(*i)), precision);
        if (const auto* u = std::get_if<uint64_t>(&v)) return padDigits(hex(*u), precision);
        fail(format_, "%x needs an integer");
      case 's':
        if (const auto* s = std::get_if<std::string>(&v)) {
          if (precision >= 0) return s->substr(0, prefixBytes(*s, static_cast<size_t>(precision)));
          return *s;
        }
        fail(format_, "%s needs a string");
      case 'f':
      case 'n':
        return fixed(number(v), std::min(precision < 0 ? 2 : precision, kMaxFloatDigits), type == 'n');
      case 'e':
        return scientific(number(v), std::clamp(precision < 0 ? 15 : precision, 1, kMaxFloatDigits));
      case 'g':
        return general(number(v), std::clamp(precision < 0 ? 15 : precision, 1, kMaxFloatDigits));
      default:
        fail(format_, "unknown conversion type");
    }
  }

  // Floating-point conversions take doubles, and integers too (a byte count shown with "%.0f").
  double number(const FormatArg::Value& v) {
    if (const auto* d = std::get_if<double>(&v)) return *d;
    if (const auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
    if (const auto* u = std::get_if<uint64_t>(&v)) return static_cast<double>(*u);
    fail(format_, "floating-point conversion needs a number");
  }

  std::string_view format_;
  std::vector<FormatArg> args_;
  size_t pos_ = 0;
  size_t next_ = 0;
};

}  // namespace

std::string Format(std::string_view format, std::initializer_list<FormatArg> args) {
  return Formatter(format, args).run();
}

}  // namespace corvane::base
