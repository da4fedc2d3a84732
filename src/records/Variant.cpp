#include "records/Variant.h"

#include <charconv>
#include <cmath>

namespace corvane::records {
namespace {

std::optional<double> AsNumber(const Variant& v) {
  if (std::holds_alternative<bool>(v)) return std::get<bool>(v) ? 1.0 : 0.0;
  if (std::holds_alternative<int64_t>(v)) return static_cast<double>(std::get<int64_t>(v));
  if (std::holds_alternative<double>(v)) return std::get<double>(v);
  if (std::holds_alternative<std::string>(v)) {
    std::string_view text = Trimmed(std::get<std::string>(v));
    double d = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return d;
  }
  return std::nullopt;
}

}  // namespace

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

std::optional<int64_t> ParseInteger(std::string_view text) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool VariantEquals(const Variant& a, const Variant& b) {
  if (IsNull(a) || IsNull(b)) return IsNull(a) && IsNull(b);
  if (std::holds_alternative<std::string>(a) && std::holds_alternative<std::string>(b))
    return std::get<std::string>(a) == std::get<std::string>(b);
  std::optional<double> x = AsNumber(a), y = AsNumber(b);
  return x && y && *x == *y;
}

}  // namespace corvane::records
