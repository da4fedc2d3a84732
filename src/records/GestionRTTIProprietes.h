#pragma once
// TGestionRTTIProprietes, the property copier: reads and writes the declared properties of one
// bound service record by name (without regard to letter case) and copies properties between
// records. Date-time properties (xsd:dateTime values) count as object-typed properties, as in the
// service contract: they are read and written only through the object-value reader and writer.

#include <functional>
#include <string>
#include <string_view>

#include "records/Variant.h"
#include "service/Remotable.h"

namespace corvane::records {

class TGestionRTTIProprietes {
public:
  using ObjectReader = std::function<Variant(std::string_view name, const service::TRemotable& object)>;
  using ObjectWriter =
      std::function<void(const Variant& value, std::string_view name, service::TRemotable& object)>;

  TGestionRTTIProprietes() = default;
  explicit TGestionRTTIProprietes(service::TRemotable* object) : object_(object) {}

  void setObjet(service::TRemotable* object) { object_ = object; }
  service::TRemotable* objet() const { return object_; }
  void setLecteurObjet(ObjectReader reader) { reader_ = std::move(reader); }
  void setEcrivainObjet(ObjectWriter writer) { writer_ = std::move(writer); }

  // The bound record's properties in declaration order (0 when nothing is bound).
  int count() const;
  std::string_view name(int index) const;
  bool hasProperty(std::string_view name) const;

  // Enumerations come as ordinals, booleans as booleans; an object-typed property through the
  // reader, empty without one. Throws EPropertyNotFound for a name the record lacks.
  Variant getValue(std::string_view name) const;
  // Converts to the property's type, empty giving the type's empty value. Object-typed
  // properties go through the writer; nothing is stored without one. Throws EPropertyNotFound,
  // or the service library's EPropertyError when the value does not convert.
  void setValue(std::string_view name, const Variant& value);

  // Every property of the source whose name the target also has; the others are skipped.
  void copyFrom(const service::TRemotable& source);
  void copyTo(service::TRemotable& target) const;

private:
  const service::PropertyInfo& find(std::string_view name) const;

  service::TRemotable* object_ = nullptr;
  ObjectReader reader_;
  ObjectWriter writer_;
};

}  // namespace corvane::records
