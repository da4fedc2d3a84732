#include "records/TimeZone.h"

#include <cmath>

#include "records/DateTimeText.h"

namespace corvane::records {
namespace {

constexpr double kMinute = 1.0 / 1440.0;

// a lies before b, a difference below 0.1 ms counting as equality.
bool Before(TDateTime a, TDateTime b) { return b - a >= kTransitionEpsilonDays; }
bool InRange(TDateTime v, TDateTime from, TDateTime to) { return !Before(v, from) && Before(v, to); }

int YearOf(TDateTime value) { return service::DecodeDateTime(value).year; }

struct Transitions {
  TDateTime summerStart;  // DaylightDate, standard local time
  TDateTime summerEnd;    // StandardDate, summer local time
};

std::optional<Transitions> TransitionsOf(const ZoneRule& rule, int year) {
  if (rule.StandardDate.month == 0 || rule.DaylightDate.month == 0) return std::nullopt;
  auto start = TransitionInstant(rule.DaylightDate, year);
  auto end = TransitionInstant(rule.StandardDate, year);
  if (!start || !end) return std::nullopt;
  return Transitions{*start, *end};
}

}  // namespace

std::optional<TDateTime> TransitionInstant(const TransitionRule& r, int year) {
  if (r.month < 1 || r.month > 12) return std::nullopt;
  int day = 0;
  if (r.year == 0) {
    if (r.day < 1 || r.day > 5 || r.dayOfWeek < 0 || r.dayOfWeek > 6) return std::nullopt;
    if (r.day <= 4) {
      const int first = DayOfWeek(EncodeDate(year, r.month, 1));
      day = 1 + (((r.dayOfWeek - first) % 7) + 7) % 7 + 7 * (r.day - 1);
    } else {
      const int lastDay = DaysInMonth(year, r.month);
      const int last = DayOfWeek(EncodeDate(year, r.month, lastDay));
      day = lastDay - (((last - r.dayOfWeek) % 7) + 7) % 7;
    }
  } else if (r.year == year) {
    if (r.day < 1 || r.day > DaysInMonth(year, r.month)) return std::nullopt;
    day = r.day;
  } else {
    return std::nullopt;
  }
  const double time = ((r.hour * 60.0 + r.minute) * 60.0 + r.second + r.millisecond / 1000.0) / 86400.0;
  return EncodeDate(year, r.month, day) + time;
}

ZoneRule RomanceStandardTime() {
  ZoneRule rule;
  rule.Bias = -60;
  rule.StandardBias = 0;
  rule.DaylightBias = -60;
  rule.StandardDate = {0, 10, 0, 5, 3, 0, 0, 0};
  rule.DaylightDate = {0, 3, 0, 5, 2, 0, 0, 0};
  return rule;
}

TDateTime RuleTimeZone::UtcToLocal(TDateTime v) const {
  const double sb = (rule_.Bias + rule_.StandardBias) * kMinute;
  const double db = (rule_.Bias + rule_.DaylightBias) * kMinute;
  auto t = TransitionsOf(rule_, YearOf(v));
  if (!t) return v - rule_.Bias * kMinute;
  const TDateTime start = t->summerStart + sb, end = t->summerEnd + db;
  const bool summer = Before(start, end) ? InRange(v, start, end) : (Before(v, end) || !Before(v, start));
  return v - (summer ? db : sb);
}

TDateTime RuleTimeZone::LocalToUtc(TDateTime p, RepeatedHour repeated, SkippedHour skipped) const {
  const double sb = (rule_.Bias + rule_.StandardBias) * kMinute;
  const double db = (rule_.Bias + rule_.DaylightBias) * kMinute;
  auto t = TransitionsOf(rule_, YearOf(p));
  if (!t) return p + rule_.Bias * kMinute;
  const TDateTime s = t->summerStart, e = t->summerEnd;
  const double h = sb - db;
  if (InRange(p, s, s + h)) return skipped == SkippedHour::Zero ? 0.0 : p + sb;
  if (InRange(p, e - h, e)) return p + (repeated == RepeatedHour::Standard ? sb : db);
  const bool summer = Before(s, e) ? InRange(p, s + h, e - h) : (Before(p, e - h) || !Before(p, s + h));
  return p + (summer ? db : sb);
}

std::shared_ptr<const TimeZone> ServiceTimeZone() {
  static const std::shared_ptr<const TimeZone> zone = std::make_shared<RuleTimeZone>(RomanceStandardTime());
  return zone;
}

}  // namespace corvane::records
