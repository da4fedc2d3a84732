#pragma once
// Zones of the system's time-zone database (TZif files under /usr/share/zoneinfo): the explicit
// transitions of the file, then the rule of its footer for later years. Files are read once, when
// the zone is loaded, and checked against the limits below before anything is trusted.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/RecordsLimits.h"
#include "records/TimeZone.h"

namespace corvane::records {

class TzifTimeZone final : public TimeZone {
public:
  // Parses a TZif file's bytes; ETimeZoneError naming `name` when they are not a valid file.
  static std::shared_ptr<TzifTimeZone> FromBytes(std::string_view bytes, std::string name);
  // A zone from a POSIX TZ rule text alone ("CET-1CEST,M3.5.0,M10.5.0/3"); ETimeZoneError when the
  // text is not one.
  static std::shared_ptr<TzifTimeZone> FromPosixRule(std::string_view rule);

  const std::string& name() const { return name_; }
  TDateTime UtcToLocal(TDateTime utc) const override;
  TDateTime LocalToUtc(TDateTime local, RepeatedHour repeated,
                       SkippedHour skipped = SkippedHour::Zero) const override;

  // UTC offset in seconds at a UTC instant given in seconds since 1970.
  int32_t offsetAt(int64_t utcSeconds) const;

private:
  TzifTimeZone() = default;

  struct Type {
    int32_t utoff;
    bool isdst;
  };
  std::string name_;
  std::vector<int64_t> times_;     // transition instants, seconds since 1970, ascending
  std::vector<uint8_t> typeIndex_; // per transition
  std::vector<Type> types_;
  std::optional<RuleTimeZone> footer_;  // for instants after the last transition
};

// The zone named like a database entry ("Europe/Paris"), read from `zoneDirectory`
// (default: $TZDIR or /usr/share/zoneinfo). ETimeZoneError when the name is not a plain relative
// entry name or the file is missing or invalid.
std::shared_ptr<const TimeZone> LoadTimeZone(std::string_view name, std::string_view zoneDirectory = {});

// The computer's zone: $TZ when set (a database name, a ":" name or path, or a POSIX rule), else
// /etc/localtime; UTC when neither can be read.
std::shared_ptr<const TimeZone> LoadSystemTimeZone();

}  // namespace corvane::records
