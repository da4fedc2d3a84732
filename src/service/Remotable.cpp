#include "service/Remotable.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/Translate.h"
#include "service/ServiceErrors.h"

namespace corvane::service {
namespace {
[[noreturn]] void Fail(std::string_view property, std::string_view why) {
  throw EPropertyError(base::Tr("Invalid value for property") + " " + std::string(property) + ": " +
                       std::string(why));
}
}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

const PropertyInfo* RecordType::find(std::string_view propertyName) const {
  for (const PropertyInfo& p : properties)
    if (EqualsIgnoreCase(p.name, propertyName)) return &p;
  return nullptr;
}

const PropertyInfo* RecordType::find(std::string_view propertyName, size_t hint) const {
  if (hint < properties.size() && properties[hint].name == propertyName) return &properties[hint];
  return find(propertyName);
}

std::string ToText(const PropertyValue& v) {
  struct Visitor {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(bool b) const { return b ? "True" : "False"; }
    std::string operator()(int64_t i) const { return std::to_string(i); }
    std::string operator()(double d) const {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.15g", d);
      return buf;
    }
    std::string operator()(const std::string& s) const { return s; }
  };
  return std::visit(Visitor{}, v);
}

int64_t ToInteger(const PropertyValue& v, int64_t min, int64_t max, std::string_view property) {
  int64_t result = 0;
  if (std::holds_alternative<int64_t>(v)) {
    result = std::get<int64_t>(v);
  } else if (std::holds_alternative<bool>(v)) {
    result = std::get<bool>(v) ? 1 : 0;
  } else if (std::holds_alternative<double>(v)) {
    double d = std::get<double>(v);
    if (!std::isfinite(d) || d < static_cast<double>(min) || d > static_cast<double>(max))
      Fail(property, "out of range");
    result = static_cast<int64_t>(std::llround(d));
  } else if (std::holds_alternative<std::string>(v)) {
    const std::string& s = std::get<std::string>(v);
    if (s.empty()) return 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), result);
    if (ec != std::errc() || end != s.data() + s.size()) Fail(property, "not an integer");
  }
  if (result < min || result > max) Fail(property, "out of range");
  return result;
}

bool ToBoolean(const PropertyValue& v, std::string_view property) {
  if (std::holds_alternative<std::monostate>(v)) return false;
  if (std::holds_alternative<bool>(v)) return std::get<bool>(v);
  if (std::holds_alternative<int64_t>(v)) return std::get<int64_t>(v) != 0;
  if (std::holds_alternative<double>(v)) return std::get<double>(v) != 0;
  const std::string& s = std::get<std::string>(v);
  if (s.empty() || EqualsIgnoreCase(s, "false") || s == "0") return false;
  if (EqualsIgnoreCase(s, "true") || s == "1") return true;
  Fail(property, "not a boolean");
}

double ToDateTime(const PropertyValue& v, std::string_view property) {
  if (std::holds_alternative<std::monostate>(v)) return 0;
  if (std::holds_alternative<double>(v)) return std::get<double>(v);
  if (std::holds_alternative<int64_t>(v)) return static_cast<double>(std::get<int64_t>(v));
  if (std::holds_alternative<std::string>(v)) {
    const std::string& s = std::get<std::string>(v);
    if (s.empty()) return 0;
    if (auto parsed = ParseXsdDateTime(s)) return *parsed;
  }
  Fail(property, "not a date-time");
}

int ToOrdinal(const PropertyValue& v, const EnumType& type, std::string_view property) {
  if (std::holds_alternative<std::string>(v)) {
    if (auto ordinal = type.ordinal(std::get<std::string>(v))) return *ordinal;
    Fail(property, "unknown identifier");
  }
  int64_t ordinal = ToInteger(v, 0, static_cast<int64_t>(type.identifiers.size()) - 1, property);
  return static_cast<int>(ordinal);
}

}  // namespace corvane::service
