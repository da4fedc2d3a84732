#pragma once
// Delphi-style formatting of (translated) format strings.
//
// Supported: %s %d %u %x %f %e %g %n %% with optional index ("%1:s"), left alignment "-", width,
// precision (".2d" pads an integer with zeros to 2 digits, ".1f" gives one decimal) and "*" for
// width or precision taken from the arguments. An index sets the position of the next argument
// taken, as in Delphi: "%1:s %s" takes arguments 1 then 2. A format/argument mismatch (missing
// argument, %d with a string) throws FormatError, like the original's EConvertError.

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
