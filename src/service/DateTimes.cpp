#include "service/DateTimes.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace corvane::service {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

const long long kDelphiEpoch = DaysFromCivil(1899, 12, 30);

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

bool ReadDigits(std::string_view text, size_t& pos, size_t count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  pos += count;
  return true;
}

bool Expect(std::string_view text, size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

TDateTime EncodeDateTime(const DateTimeFields& f) {
  const double days = static_cast<double>(
      DaysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day)) -
      kDelphiEpoch);
  const double time =
      ((f.hour * 60.0 + f.minute) * 60.0 + f.second + f.millisecond / 1000.0) / 86400.0;
  // Before the epoch the fraction still counts forward in the day, so it is subtracted.
  return days < 0 ? days - time : days + time;
}

DateTimeFields DecodeDateTime(TDateTime value) {
  if (!std::isfinite(value)) return {};
  double whole = std::trunc(value);
  long long ms = std::llround(std::fabs(value - whole) * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    whole += value < 0 ? -1 : 1;
  }
  DateTimeFields f;
  CivilFromDays(static_cast<long long>(whole) + kDelphiEpoch, f.year, f.month, f.day);
  f.hour = static_cast<int>(ms / 3600000);
  f.minute = static_cast<int>(ms / 60000 % 60);
  f.second = static_cast<int>(ms / 1000 % 60);
  f.millisecond = static_cast<int>(ms % 1000);
  return f;
}

std::optional<TDateTime> ParseXsdDateTime(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' ||
                           text.front() == '\r'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                           text.back() == '\r'))
    text.remove_suffix(1);
  DateTimeFields f;
  size_t pos = 0;
  if (!ReadDigits(text, pos, 4, f.year) || !Expect(text, pos, '-') ||
      !ReadDigits(text, pos, 2, f.month) || !Expect(text, pos, '-') ||
      !ReadDigits(text, pos, 2, f.day))
    return std::nullopt;
  if (pos < text.size() && text[pos] == 'T') {
    ++pos;
    if (!ReadDigits(text, pos, 2, f.hour) || !Expect(text, pos, ':') ||
        !ReadDigits(text, pos, 2, f.minute) || !Expect(text, pos, ':') ||
        !ReadDigits(text, pos, 2, f.second))
      return std::nullopt;
    if (pos < text.size() && text[pos] == '.') {
      ++pos;
      int digits = 0, scale = 100;
      while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (digits < 3) {
          f.millisecond += (text[pos] - '0') * scale;
          scale /= 10;
        }
        ++digits;
        ++pos;
      }
      if (digits == 0) return std::nullopt;
    }
  }
  // The zone designator is ignored but must be one.
  std::string_view zone = text.substr(pos);
  if (!(zone.empty() || zone == "Z" ||
        (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':')))
    return std::nullopt;
  if (f.month < 1 || f.month > 12 || f.day < 1 || f.day > DaysInMonth(f.year, f.month) ||
      f.hour > 23 || f.minute > 59 || f.second > 59 || f.year < 1)
    return std::nullopt;
  return EncodeDateTime(f);
}

std::string FormatXsdDateTime(TDateTime value) {
  DateTimeFields f = DecodeDateTime(value);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", f.year, f.month, f.day,
                f.hour, f.minute, f.second, f.millisecond);
  return buf;
}

std::string FormatDayNumber(TDateTime value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  std::string text = buf;
  // %g switches to an exponent only for magnitudes no date reaches; spell those out too.
  if (text.find_first_of("eE") != std::string::npos) {
    std::snprintf(buf, sizeof buf, "%.15f", value);
    text = buf;
    if (text.find('.') != std::string::npos) {
      while (text.back() == '0') text.pop_back();
      if (text.back() == '.') text.pop_back();
    }
  }
  return text;
}

std::optional<TDateTime> ParseDayNumber(std::string_view text) {
  std::string copy(text);
  for (char& c : copy)
    if (c == ',') c = '.';
  while (!copy.empty() && (copy.back() == ' ' || copy.back() == '\n' || copy.back() == '\r'))
    copy.pop_back();
  size_t start = copy.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return std::nullopt;
  double value = 0;
  auto [end, ec] = std::from_chars(copy.data() + start, copy.data() + copy.size(), value,
                                   std::chars_format::general);
  if (ec != std::errc() || end != copy.data() + copy.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

}  // namespace corvane::service
