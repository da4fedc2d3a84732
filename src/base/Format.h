#pragma once
// Delphi-style formatting of (translated) format strings.
//
// Supported: %s %d %u %x %f %e %g %n %% with optional index ("%1:s"), left alignment "-", width,
// precision (".2d" pads an integer with zeros to 2 digits, ".1f" gives one decimal) and "*" for
// width or precision taken from the arguments. An index sets the position of the next argument
// taken, as in Delphi: "%1:s %s" takes arguments 1 then 2 (indexes count from 0). A
// format/argument mismatch (missing argument, %d with a string) throws FormatError, like the
// original's EConvertError; so does a width or precision above 4096.
//
// Details kept from the classic formatter: no '0' flag ("%02d" is width 2), %x gives upper-case
// digits, a negative 32-bit integer under %u/%x shows its 32-bit pattern, %s precision truncates,
// %e has `precision` significant digits and a 3-digit exponent ("1.50000000000000E+003"), %g drops
// trailing zeros ("1E20"), and floats round half away from zero ("%.2f" of 0.125 is "0.13").
// The decimal separator is always '.', the %n thousands separator ','. Floating conversions also
// accept integer arguments. Width and precision count UTF-8 characters, not bytes.

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

namespace corvane::base {

class FormatError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class FormatArg {
public:
  FormatArg(int v) : value_(static_cast<int64_t>(v)) {}
  FormatArg(long v) : value_(static_cast<int64_t>(v)) {}
  FormatArg(long long v) : value_(static_cast<int64_t>(v)) {}
  FormatArg(unsigned v) : value_(static_cast<uint64_t>(v)) {}
  FormatArg(unsigned long v) : value_(static_cast<uint64_t>(v)) {}
  FormatArg(unsigned long long v) : value_(static_cast<uint64_t>(v)) {}
  FormatArg(double v) : value_(v) {}
  FormatArg(const char* v) : value_(std::string(v)) {}
  FormatArg(std::string_view v) : value_(std::string(v)) {}
  FormatArg(const std::string& v) : value_(v) {}

  using Value = std::variant<int64_t, uint64_t, double, std::string>;
  const Value& value() const { return value_; }

private:
  Value value_;
};

std::string Format(std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace corvane::base
