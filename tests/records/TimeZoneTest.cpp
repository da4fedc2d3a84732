// Time-zone conversion: the service's fixed rule, rules in general, and zones of the system
// database (Paris, New York, Sydney, UTC and a zone without summer time).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "records/DateTimeText.h"
#include "records/RecordsErrors.h"
#include "records/SystemTimeZone.h"
#include "records/TimeZone.h"

namespace corvane::records {
namespace {

TDateTime At(int y, int mo, int d, int h, int mi = 0, int s = 0) {
  return service::EncodeDateTime({y, mo, d, h, mi, s, 0});
}

constexpr double kMs = 1.0 / 86400000.0;

#define EXPECT_SAME_TIME(actual, expected) EXPECT_NEAR((actual), (expected), 0.5 * kMs)

TEST(TransitionRules, InstantsOfRecurringAndFixedRules) {
  const struct {
    TransitionRule rule;
    int year;
    TDateTime expected;  // 0: none
  } cases[] = {
      {{0, 3, 0, 5, 2}, 2024, At(2024, 3, 31, 2)},    // last Sunday of March
      {{0, 10, 0, 5, 3}, 2024, At(2024, 10, 27, 3)},  // last Sunday of October
      {{0, 3, 0, 2, 2}, 2024, At(2024, 3, 10, 2)},    // second Sunday
      {{0, 9, 6, 1, 24}, 2024, At(2024, 9, 8, 0)},    // first Saturday at 24:00
      {{0, 2, 4, 5, 0}, 2024, At(2024, 2, 29, 0)},    // last Thursday of a leap February
      {{2024, 4, 0, 7, 3}, 2024, At(2024, 4, 7, 3)},  // fixed date, its year
      {{2024, 4, 0, 7, 3}, 2025, 0},                  // fixed date, another year
      {{0, 0, 0, 5, 2}, 2024, 0},                     // month 0: no summer time
      {{0, 3, 0, 6, 2}, 2024, 0},                     // no sixth weekday
  };
  for (auto& c : cases) {
    auto instant = TransitionInstant(c.rule, c.year);
    EXPECT_EQ(instant.has_value(), c.expected != 0);
    if (instant && c.expected != 0) {
      EXPECT_SAME_TIME(*instant, c.expected);
    }
  }
}

TEST(ServiceZone, ConvertsBothWaysAroundItsTransitions) {
  const auto zone = ServiceTimeZone();
  const struct {
    TDateTime service;
    RepeatedHour repeated;
    TDateTime utc;  // 0: no such time
  } toUtc[] = {
      {At(2024, 1, 15, 12), RepeatedHour::Standard, At(2024, 1, 15, 11)},
      {At(2024, 7, 15, 12), RepeatedHour::Standard, At(2024, 7, 15, 10)},
      {At(2024, 3, 31, 1, 59, 59), RepeatedHour::Standard, At(2024, 3, 31, 0, 59, 59)},
      {At(2024, 3, 31, 2, 30), RepeatedHour::Standard, 0},  // skipped hour
      {At(2024, 3, 31, 3), RepeatedHour::Standard, At(2024, 3, 31, 1)},
      {At(2024, 10, 27, 2, 30), RepeatedHour::Standard, At(2024, 10, 27, 1, 30)},  // repeated hour
      {At(2024, 10, 27, 2, 30), RepeatedHour::Summer, At(2024, 10, 27, 0, 30)},
      {At(2024, 10, 27, 3), RepeatedHour::Summer, At(2024, 10, 27, 2)},
  };
  for (auto& c : toUtc) EXPECT_SAME_TIME(zone->LocalToUtc(c.service, c.repeated), c.utc);

  const struct {
    TDateTime utc, service;
  } fromUtc[] = {
      {At(2024, 3, 31, 0, 59, 59), At(2024, 3, 31, 1, 59, 59)},
      {At(2024, 3, 31, 1), At(2024, 3, 31, 3)},
      {At(2024, 10, 27, 0, 59, 59), At(2024, 10, 27, 2, 59, 59)},
      {At(2024, 10, 27, 1), At(2024, 10, 27, 2)},
      // Within 0.1 ms of the transition counts as the transition itself.
      {At(2024, 3, 31, 1) - 0.05 * kMs, At(2024, 3, 31, 3) - 0.05 * kMs},
      {At(2024, 3, 31, 1) - 1 * kMs, At(2024, 3, 31, 2) - 1 * kMs},
  };
  for (auto& c : fromUtc) EXPECT_NEAR(zone->UtcToLocal(c.utc), c.service, 0.01 * kMs);
}

TEST(RuleZones, SouthernHemisphereAndZonesWithoutSummerTime) {
  ZoneRule sydney;
  sydney.Bias = -600;
  sydney.DaylightBias = -60;
  sydney.DaylightDate = {0, 10, 0, 1, 2};
  sydney.StandardDate = {0, 4, 0, 1, 3};
  RuleTimeZone zone(sydney);
  EXPECT_SAME_TIME(zone.UtcToLocal(At(2024, 1, 10, 0)), At(2024, 1, 10, 11));
  EXPECT_SAME_TIME(zone.UtcToLocal(At(2024, 7, 10, 0)), At(2024, 7, 10, 10));
  EXPECT_SAME_TIME(zone.LocalToUtc(At(2024, 10, 6, 2, 30), RepeatedHour::Summer), 0.0);
  EXPECT_SAME_TIME(zone.LocalToUtc(At(2024, 4, 7, 2, 30), RepeatedHour::Summer), At(2024, 4, 6, 15, 30));
  EXPECT_SAME_TIME(zone.LocalToUtc(At(2024, 4, 7, 2, 30), RepeatedHour::Standard), At(2024, 4, 6, 16, 30));
  EXPECT_SAME_TIME(zone.LocalToUtc(At(2024, 12, 25, 12), RepeatedHour::Summer), At(2024, 12, 25, 1));

  // Only one rule with a month: standard time all year.
  ZoneRule half = sydney;
  half.StandardDate.month = 0;
  EXPECT_SAME_TIME(RuleTimeZone(half).UtcToLocal(At(2024, 1, 10, 0)), At(2024, 1, 10, 10));
  // A fixed-year rule applies in its year only.
  ZoneRule fixed = RomanceStandardTime();
  fixed.DaylightDate.year = fixed.StandardDate.year = 2024;
  fixed.DaylightDate.day = 31;
  fixed.StandardDate.day = 27;
  EXPECT_SAME_TIME(RuleTimeZone(fixed).UtcToLocal(At(2024, 7, 1, 0)), At(2024, 7, 1, 2));
  EXPECT_SAME_TIME(RuleTimeZone(fixed).UtcToLocal(At(2025, 7, 1, 0)), At(2025, 7, 1, 1));
}

// Every quarter of an hour over the two transition days of `year`, UTC -> local -> UTC comes back
// with one of the two repeated-hour choices, and with both outside the repeated hour.
void ExpectRoundTrips(const TimeZone& zone, TDateTime day1, TDateTime day2) {
  for (TDateTime day : {day1, day2}) {
    for (int q = -8; q < 4 * 24 + 8; ++q) {
      const TDateTime utc = day + q / 96.0;
      const TDateTime local = zone.UtcToLocal(utc);
      const TDateTime summer = zone.LocalToUtc(local, RepeatedHour::Summer);
      const TDateTime standard = zone.LocalToUtc(local, RepeatedHour::Standard);
      const bool back = std::fabs(summer - utc) < kMs || std::fabs(standard - utc) < kMs;
      EXPECT_TRUE(back) << "utc " << utc;
      if (std::fabs(summer - standard) > kMs) {
        EXPECT_NEAR(std::fabs(summer - standard), 1.0 / 24, kMs);
      }
    }
  }
}

TEST(SystemZones, RoundTripsAcrossBothTransitionsInThreeZones) {
  const struct {
    const char* name;
    TDateTime summerStartDay, summerEndDay;  // UTC days holding the changes
  } zones[] = {
      {"Europe/Paris", At(2024, 3, 31, 0), At(2024, 10, 27, 0)},
      {"America/New_York", At(2024, 3, 10, 0), At(2024, 11, 3, 0)},
      {"Australia/Sydney", At(2024, 10, 5, 0), At(2024, 4, 6, 0)},
      {"Europe/Paris", At(2047, 3, 31, 0), At(2047, 10, 27, 0)},  // past the file's transitions
  };
  for (auto& z : zones) {
    SCOPED_TRACE(z.name);
    auto zone = LoadTimeZone(z.name);
    ExpectRoundTrips(*zone, z.summerStartDay, z.summerEndDay);
  }
}

TEST(SystemZones, SkippedAndRepeatedLocalTimes) {
  const struct {
    const char* name;
    TDateTime local;
    RepeatedHour repeated;
    TDateTime utc;  // 0: skipped
  } cases[] = {
      {"America/New_York", At(2024, 3, 10, 2, 30), RepeatedHour::Summer, 0},
      {"America/New_York", At(2024, 11, 3, 1, 30), RepeatedHour::Summer, At(2024, 11, 3, 5, 30)},
      {"America/New_York", At(2024, 11, 3, 1, 30), RepeatedHour::Standard, At(2024, 11, 3, 6, 30)},
      {"Australia/Sydney", At(2024, 10, 6, 2, 30), RepeatedHour::Summer, 0},
      {"Australia/Sydney", At(2024, 4, 7, 2, 30), RepeatedHour::Summer, At(2024, 4, 6, 15, 30)},
      {"Australia/Sydney", At(2024, 4, 7, 2, 30), RepeatedHour::Standard, At(2024, 4, 6, 16, 30)},
      {"Europe/Paris", At(2024, 3, 31, 0), RepeatedHour::Summer, At(2024, 3, 30, 23)},  // midnight: exact
      {"UTC", At(2024, 7, 1, 12), RepeatedHour::Summer, At(2024, 7, 1, 12)},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_SAME_TIME(LoadTimeZone(c.name)->LocalToUtc(c.local, c.repeated), c.utc);
  }
  // Chile changes its clocks at midnight: a midnight period bound is then moved to the first
  // instant of the day instead of vanishing.
  auto santiago = LoadTimeZone("America/Santiago");
  EXPECT_SAME_TIME(santiago->LocalToUtc(At(2024, 9, 8, 0), RepeatedHour::Summer), 0.0);
  EXPECT_SAME_TIME(santiago->LocalToUtc(At(2024, 9, 8, 0), RepeatedHour::Summer, SkippedHour::ShiftForward),
                   At(2024, 9, 8, 4));
}

TEST(SystemZones, ZoneWithoutSummerTimeIsAConstantShift) {
  auto kolkata = LoadTimeZone("Asia/Kolkata");
  for (int month = 1; month <= 12; ++month) {
    const TDateTime local = At(2024, month, 15, 12);
    EXPECT_SAME_TIME(kolkata->LocalToUtc(local, RepeatedHour::Summer), local - 5.5 / 24);
    EXPECT_SAME_TIME(kolkata->UtcToLocal(local), local + 5.5 / 24);
  }
}

TEST(SystemZones, ServiceDatesComeBackUnchangedInTheServicesOwnZone) {
  auto paris = LoadTimeZone("Europe/Paris");
  auto service = ServiceTimeZone();
  for (TDateTime t : {At(2024, 1, 15, 9, 5), At(2024, 7, 15, 9, 5), At(2024, 10, 27, 3, 30), At(2030, 8, 1, 23, 59)}) {
    EXPECT_SAME_TIME(paris->UtcToLocal(service->LocalToUtc(t, RepeatedHour::Standard)), t);
    EXPECT_SAME_TIME(service->UtcToLocal(paris->LocalToUtc(t, RepeatedHour::Summer)), t);
  }
  // The database's Paris and the service's rule agree every half hour across a year.
  for (TDateTime u = At(2024, 1, 1, 0); u < At(2025, 1, 1, 0); u += 1.0 / 48)
    ASSERT_NEAR(paris->UtcToLocal(u), service->UtcToLocal(u), kMs) << u;
}

TEST(SystemZones, TheComputersZoneComesFromTzOrFallsBackToUtc) {
  const char* saved = std::getenv("TZ");
  const std::string previous = saved ? saved : "";
  const struct {
    const char* tz;
    TDateTime julyNoonUtcShownAs;
  } cases[] = {
      {":Europe/Paris", At(2024, 7, 1, 14)},
      {"Australia/Sydney", At(2024, 7, 1, 22)},
      {"EST5EDT,M3.2.0,M11.1.0", At(2024, 7, 1, 8)},
      {"", At(2024, 7, 1, 12)},
      {"No/Such/Zone/Or/Rule", At(2024, 7, 1, 12)},
  };
  for (auto& c : cases) {
    ::setenv("TZ", c.tz, 1);
    EXPECT_SAME_TIME(LoadSystemTimeZone()->UtcToLocal(At(2024, 7, 1, 12)), c.julyNoonUtcShownAs) << c.tz;
  }
  if (saved) ::setenv("TZ", previous.c_str(), 1);
  else ::unsetenv("TZ");
}

TEST(SystemZones, BadNamesAndDamagedFilesAreRefused) {
  for (const char* name : {"../../etc/passwd", "/etc/localtime", "", "Europe/../Paris", "No/Such_Zone"})
    EXPECT_THROW(LoadTimeZone(name), ETimeZoneError) << name;
  EXPECT_THROW(TzifTimeZone::FromBytes("TZif2", "short"), ETimeZoneError);
  std::string header = "TZif2" + std::string(15, '\0');
  header += std::string("\0\0\0\0\0\0\0\0\0\0\0\0\xff\xff\xff\xff\0\0\0\1\0\0\0\0", 24);  // 4 G transitions
  EXPECT_THROW(TzifTimeZone::FromBytes(header, "huge"), ETimeZoneError);
  EXPECT_THROW(TzifTimeZone::FromPosixRule("not a rule"), ETimeZoneError);
  auto posix = TzifTimeZone::FromPosixRule("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_SAME_TIME(posix->UtcToLocal(At(2024, 7, 1, 0)), At(2024, 7, 1, 2));
  EXPECT_SAME_TIME(posix->UtcToLocal(At(2024, 1, 1, 0)), At(2024, 1, 1, 1));
}

}  // namespace
}  // namespace corvane::records
