#include "records/DateTimeText.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "base/Translate.h"

namespace corvane::records {
namespace {

constexpr const char* kLongMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLongDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

DateFormatSettings gSettings;

std::string Number(int value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", digits, value);
  return buf;
}

// Length of the run of letter `c` (either case) at `pos`.
size_t Run(std::string_view p, size_t pos) {
  char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[pos])));
  size_t n = 0;
  while (pos + n < p.size() && std::tolower(static_cast<unsigned char>(p[pos + n])) == c) ++n;
  return n;
}

}  // namespace

const DateFormatSettings& CurrentDateFormatSettings() {
  return gSettings;
}

void SetDateFormatSettings(DateFormatSettings settings) {
  gSettings = std::move(settings);
}

TDateTime DateOf(TDateTime value) { return std::floor(value + 1e-9); }

TDateTime EncodeDate(int year, int month, int day) {
  return service::EncodeDateTime({year, month, day, 0, 0, 0, 0});
}

int DayOfWeek(TDateTime value) {
  long long days = static_cast<long long>(DateOf(value));
  return static_cast<int>(((days % 7) + 7 + 6) % 7);  // 1899-12-30 was a Saturday
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[(month - 1) % 12];
}

std::string LongMonthName(int month) { return base::Tr(kLongMonths[(month + 11) % 12]); }
std::string ShortMonthName(int month) { return base::Tr(kShortMonths[(month + 11) % 12]); }
std::string LongDayName(int dayOfWeek) { return base::Tr(kLongDays[((dayOfWeek % 7) + 7) % 7]); }
std::string ShortDayName(int dayOfWeek) { return base::Tr(kShortDays[((dayOfWeek % 7) + 7) % 7]); }

std::string ShortDate(TDateTime value) {
  const DateFormatSettings& settings = CurrentDateFormatSettings();
  return FormatDateTime(settings.shortDateFormat, value, settings);
}

std::string FormatDateTime(std::string_view p, TDateTime value, const DateFormatSettings& settings) {
  const service::DateTimeFields f = service::DecodeDateTime(value);
  std::string out;
  size_t i = 0;
  while (i < p.size()) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[i])));
    if (p[i] == '\'' || p[i] == '"') {
      size_t end = p.find(p[i], i + 1);
      if (end == std::string_view::npos) end = p.size();
      out.append(p.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    size_t n = (c >= 'a' && c <= 'z') ? Run(p, i) : 1;
    switch (c) {
      case 'y':
        out += n <= 2 ? Number(f.year % 100, 2) : Number(f.year, 4);
        break;
      case 'm':
        if (n >= 4) out += LongMonthName(f.month);
        else if (n == 3) out += ShortMonthName(f.month);
        else out += Number(f.month, static_cast<int>(n));
        break;
      case 'd':
        if (n >= 4) out += LongDayName(DayOfWeek(value));
        else if (n == 3) out += ShortDayName(DayOfWeek(value));
        else out += Number(f.day, static_cast<int>(n));
        break;
      case 'h':
        out += Number(f.hour, n >= 2 ? 2 : 1);
        break;
      case 'n':
        out += Number(f.minute, n >= 2 ? 2 : 1);
        break;
      case 's':
        out += Number(f.second, n >= 2 ? 2 : 1);
        break;
      case 'z':
        out += Number(f.millisecond, n >= 3 ? 3 : 1);
        break;
      case ':':
        out += settings.timeSeparator;
        break;
      case '/':
        out += settings.dateSeparator;
        break;
      default:
        out.append(p.substr(i, n));
        break;
    }
    i += n;
  }
  return out;
}

}  // namespace corvane::records
