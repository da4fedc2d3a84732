#pragma once
// The property model of the service records. Every record derives from TRemotable and describes
// itself with a RecordType: its type name and its fields as an ordered list of named, typed
// properties with a getter and a setter working on PropertyValue. The SOAP encoder and decoder
// walk that list, and so can a property copier that reads and writes records by field name.

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "service/DateTimes.h"
#include "service/Enumerations.h"

namespace corvane::service {

enum class PropertyType {
  String,
  Boolean,
  Integer,      // 32-bit signed (xsd:int)
  SmallInt,     // 16-bit signed (xsd:short)
  Enumeration,  // ordinal in memory, identifier on the wire
  DateTime,     // TDateTime; xsd:dateTime on the wire
  DateNumber,   // TDateTime sent as a day number (the history filter's period)
};

// A property's value: empty, boolean, integer (also enumeration ordinals), TDateTime, or text.
using PropertyValue = std::variant<std::monostate, bool, int64_t, double, std::string>;

class TRemotable;

struct PropertyInfo {
  std::string_view name;
  PropertyType type;
  const EnumType* enumType = nullptr;  // for Enumeration
  std::function<PropertyValue(const TRemotable&)> get;
  // Converts the value to the property's type; empty becomes the type's empty value (text "",
  // 0, false). Throws EPropertyError when the value cannot be converted or is out of range.
  std::function<void(TRemotable&, const PropertyValue&)> set;
  // The field itself, for the SOAP decoder's direct writes: std::string*, bool*, int32_t*,
  // int16_t*, uint8_t* (enumeration ordinal) or double* as `type` says.
  std::function<void*(TRemotable&)> address;
};

struct RecordType {
  std::string_view name;  // type name in the namespace "urn:UCorvaneRemotables"
  std::vector<PropertyInfo> properties;

  // Property by name without regard to ASCII letter case; nullptr when the record has none.
  const PropertyInfo* find(std::string_view propertyName) const;
  // Same, trying position `hint` first (fields usually arrive in declaration order).
  const PropertyInfo* find(std::string_view propertyName, size_t hint) const;
};

class TRemotable {
public:
  virtual ~TRemotable() = default;
  virtual const RecordType& remotableType() const = 0;
};

// Conversions shared by the property setters (throw EPropertyError).
std::string ToText(const PropertyValue& v);
int64_t ToInteger(const PropertyValue& v, int64_t min, int64_t max, std::string_view property);
bool ToBoolean(const PropertyValue& v, std::string_view property);
double ToDateTime(const PropertyValue& v, std::string_view property);
int ToOrdinal(const PropertyValue& v, const EnumType& type, std::string_view property);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Builds the PropertyInfo of member `member` of record class R.
template <class R, class M>
PropertyInfo Property(std::string_view name, M R::*member, PropertyType type = PropertyType::String) {
  static_assert(!std::is_enum_v<M> || sizeof(M) == 1, "enumerations are stored on one byte");
  PropertyInfo info{name, type, nullptr, {}, {}, {}};
  info.address = [member](TRemotable& r) -> void* { return &(static_cast<R&>(r).*member); };
  if constexpr (std::is_enum_v<M>) {
    info.type = PropertyType::Enumeration;
    info.enumType = &EnumTypeOf<M>();
  } else if constexpr (std::is_same_v<M, bool>) {
    info.type = PropertyType::Boolean;
  } else if constexpr (std::is_same_v<M, int16_t>) {
    info.type = PropertyType::SmallInt;
  } else if constexpr (std::is_same_v<M, int32_t>) {
    info.type = PropertyType::Integer;
  } else if constexpr (std::is_same_v<M, double>) {
    if (type != PropertyType::DateNumber) info.type = PropertyType::DateTime;
  } else {
    static_assert(std::is_same_v<M, std::string>, "unsupported property type");
    info.type = PropertyType::String;
  }
  info.get = [member](const TRemotable& r) -> PropertyValue {
    const M& v = static_cast<const R&>(r).*member;
    if constexpr (std::is_enum_v<M>) return static_cast<int64_t>(v);
    else if constexpr (std::is_same_v<M, bool>) return v;
    else if constexpr (std::is_integral_v<M>) return static_cast<int64_t>(v);
    else if constexpr (std::is_same_v<M, double>) return v;
    else return v;
  };
  info.set = [member, name](TRemotable& r, const PropertyValue& value) {
    M& v = static_cast<R&>(r).*member;
    if constexpr (std::is_enum_v<M>) v = static_cast<M>(ToOrdinal(value, EnumTypeOf<M>(), name));
    else if constexpr (std::is_same_v<M, bool>) v = ToBoolean(value, name);
    else if constexpr (std::is_integral_v<M>)
      v = static_cast<M>(ToInteger(value, std::numeric_limits<M>::min(), std::numeric_limits<M>::max(), name));
    else if constexpr (std::is_same_v<M, double>) v = ToDateTime(value, name);
    else {
      (void)name;  // text needs no conversion check
      v = ToText(value);
    }
  };
  return info;
}

}  // namespace corvane::service
