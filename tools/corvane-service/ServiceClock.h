#pragma once
// Time of the reference service. Dates stored and sent are wall-clock times of the service's zone
// (UTC+1 with European summer time); durations (session idling, challenge expiry) use a
// millisecond clock that tests may replace.

#include <cstdint>
#include <functional>

#include "service/DateTimes.h"

namespace corvane::service::server {

// Milliseconds since the Unix epoch.
using MillisecondClock = std::function<int64_t()>;
int64_t SystemMilliseconds();

// The service zone's wall-clock time at the given Unix milliseconds.
TDateTime ServiceZoneTime(int64_t unixMs);

}  // namespace corvane::service::server
