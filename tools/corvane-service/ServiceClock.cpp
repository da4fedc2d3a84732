#include "ServiceClock.h"

#include <chrono>

namespace corvane::service::server {
namespace {
constexpr int64_t kMsPerDay = 86400000;
constexpr double kUnixEpochAsDateTime = 25569.0;  // 1970-01-01 in days since 1899-12-30

// Unix milliseconds of the last Sunday of a month at 01:00 UTC (the European change time).
int64_t LastSundayOneAmUtc(int year, int month) {
  int lastDay = month == 3 || month == 10 ? 31 : 30;
  TDateTime d = EncodeDateTime({year, month, lastDay});
  int64_t days = static_cast<int64_t>(d - kUnixEpochAsDateTime);
  int weekday = static_cast<int>((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday (4)
  days -= weekday;                                     // back to Sunday
  return days * kMsPerDay + 3600000;
}
}  // namespace

int64_t SystemMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

TDateTime ServiceZoneTime(int64_t unixMs) {
  int year = DecodeDateTime(kUnixEpochAsDateTime + static_cast<double>(unixMs) / kMsPerDay).year;
  bool summer = unixMs >= LastSundayOneAmUtc(year, 3) && unixMs < LastSundayOneAmUtc(year, 10);
  int64_t local = unixMs + (summer ? 2 : 1) * 3600000;
  return kUnixEpochAsDateTime + static_cast<double>(local) / kMsPerDay;
}

}  // namespace corvane::service::server
