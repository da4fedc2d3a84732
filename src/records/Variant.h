#pragma once
// The value type shared by record-set fields and the property copier: the service records'
// PropertyValue (empty, boolean, integer, date-time as a day number, text), "null" being empty.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "service/Remotable.h"

namespace corvane::records {

using Variant = service::PropertyValue;

inline bool IsNull(const Variant& v) { return std::holds_alternative<std::monostate>(v); }

// Variant equality as the record sets use it for locating: empty equals only empty; a text and a
// number are equal when the text (blanks trimmed) reads as that number; texts compare exactly.
bool VariantEquals(const Variant& a, const Variant& b);

// The whole text, trimmed of blanks, read as a decimal integer; nullopt when it is not one.
std::optional<int64_t> ParseInteger(std::string_view text);

// Text without leading and trailing blanks (spaces, tabs, CR, LF and other control characters).
std::string_view Trimmed(std::string_view text);

}  // namespace corvane::records
