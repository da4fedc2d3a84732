#pragma once
// Date-times of the service contract. In memory a date-time is a TDateTime: days since
// 1899-12-30 00:00, the fraction being the time of day (0 means "no date"). The history records
// carry xsd:dateTime texts, read from their fields as written with any zone designator ignored;
// the history filter sends its period as plain day numbers.

#include <optional>
#include <string>
#include <string_view>

namespace corvane::service {

using TDateTime = double;

struct DateTimeFields {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Fields must be valid (month 1-12, day within the month, hour < 24, ...); no check here.
TDateTime EncodeDateTime(const DateTimeFields& f);
// To the nearest millisecond.
DateTimeFields DecodeDateTime(TDateTime value);

// "YYYY-MM-DDThh:mm:ss[.fff...][Z|+hh:mm|-hh:mm]" read from its fields, ignoring the zone.
// nullopt when the text is not such a date-time or a field is out of range.
std::optional<TDateTime> ParseXsdDateTime(std::string_view text);
// "YYYY-MM-DDThh:mm:ss.fff", no zone designator: a wall-clock time of the service's zone.
std::string FormatXsdDateTime(TDateTime value);

// The day number in the general number format: up to 15 significant digits, no exponent for
// dates, no separator on a whole day ("45000", "45000.5"). The separator is always '.', so the
// text never depends on the machine's locale.
std::string FormatDayNumber(TDateTime value);
// Accepts '.' or ',' as the separator (a peer may use its locale's). nullopt when not a number.
std::optional<TDateTime> ParseDayNumber(std::string_view text);

}  // namespace corvane::service
