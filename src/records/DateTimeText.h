#pragma once
// Date-time helpers of the record sets over TDateTime day numbers (days since 1899-12-30, the
// fraction being the time of day), and Delphi-style date formatting with translated month and
// day names.

#include <string>
#include <string_view>

#include "service/DateTimes.h"

namespace corvane::records {

using service::TDateTime;

// The separators and short date format of the user's settings (":" "/" stand for them in
// patterns). Set by the shell at start-up, read on the main thread.
struct DateFormatSettings {
  char dateSeparator = '/';
  char timeSeparator = ':';
  std::string shortDateFormat = "dd/mm/yyyy";
};

const DateFormatSettings& CurrentDateFormatSettings();
void SetDateFormatSettings(DateFormatSettings settings);

// Patterns (letters in either case): yyyy yy mmmm mmm mm m dddd ddd dd d hh h nn n ss s zzz,
// ":" and "/" for the separators, text in single or double quotes copied; anything else copied.
// "mm" is always the month: minutes are "nn".
std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const DateFormatSettings& settings = CurrentDateFormatSettings());
std::string ShortDate(TDateTime value);

TDateTime DateOf(TDateTime value);    // midnight of the value's day
TDateTime EncodeDate(int year, int month, int day);
int DayOfWeek(TDateTime value);       // 0 = Sunday
int DaysInMonth(int year, int month);

// Translated names; month 1-12, day of week 0 (Sunday) - 6.
std::string LongMonthName(int month);
std::string ShortMonthName(int month);
std::string LongDayName(int dayOfWeek);
std::string ShortDayName(int dayOfWeek);

}  // namespace corvane::records
