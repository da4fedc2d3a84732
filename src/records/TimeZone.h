#pragma once
// Time-zone conversion between UTC and a zone's wall-clock time, with summer time from the
// zone's rule for the year of the value converted. The web service works in the fixed zone
// ServiceTimeZone() (UTC+1 with European summer time); the computer's own zone comes from the
// system's time-zone database (SystemTimeZone.h). Values are TDateTime day numbers.

#include <cstdint>
#include <memory>
#include <optional>

#include "service/DateTimes.h"

namespace corvane::records {

using service::TDateTime;

// A difference below 0.1 ms counts as equality when comparing a value with a transition.
inline constexpr double kTransitionEpsilonDays = 1.0 / 864000000.0;

// Which instant a local time of the repeated hour (summer time ending) stands for.
enum class RepeatedHour { Standard, Summer };
// What a local time of the skipped hour (summer time starting) gives: zero ("no such time"), or
// the instant read with the offset in force before the change (the clock's jump moves it on).
enum class SkippedHour { Zero, ShiftForward };

class TimeZone {
public:
  virtual ~TimeZone() = default;
  virtual TDateTime UtcToLocal(TDateTime utc) const = 0;
  virtual TDateTime LocalToUtc(TDateTime local, RepeatedHour repeated,
                               SkippedHour skipped = SkippedHour::Zero) const = 0;
};

// A transition as Windows describes it: month 0 means no summer time; year 0 a recurring rule
// (the day-th given weekday of the month, 5 being the last), another year a fixed date of that
// year only. The hour may lie outside 0-23 (a rule read from the system database may say "24").
struct TransitionRule {
  int year = 0, month = 0, dayOfWeek = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Minutes: UTC = standard local time + Bias + StandardBias, summer local time + Bias +
// DaylightBias. StandardDate (summer time ends) is in summer local time, DaylightDate (summer
// time starts) in standard local time.
struct ZoneRule {
  int Bias = 0;
  int StandardBias = 0;
  int DaylightBias = 0;
  TransitionRule StandardDate;
  TransitionRule DaylightDate;
};

// The local wall-clock instant of a rule in year `year`, or none.
std::optional<TDateTime> TransitionInstant(const TransitionRule& rule, int year);

// The web service's zone: UTC+1, summer time from the last Sunday of March at 02:00 standard
// time to the last Sunday of October at 03:00 summer time.
ZoneRule RomanceStandardTime();

class RuleTimeZone final : public TimeZone {
public:
  explicit RuleTimeZone(ZoneRule rule) : rule_(rule) {}
  const ZoneRule& rule() const { return rule_; }
  TDateTime UtcToLocal(TDateTime utc) const override;
  TDateTime LocalToUtc(TDateTime local, RepeatedHour repeated,
                       SkippedHour skipped = SkippedHour::Zero) const override;

private:
  ZoneRule rule_;
};

std::shared_ptr<const TimeZone> ServiceTimeZone();

}  // namespace corvane::records
