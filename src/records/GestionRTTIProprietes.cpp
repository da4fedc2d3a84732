#include "records/GestionRTTIProprietes.h"

#include "base/Format.h"
#include "base/Translate.h"
#include "records/RecordsErrors.h"

namespace corvane::records {
namespace {

bool IsObjectTyped(const service::PropertyInfo& p) {
  return p.type == service::PropertyType::DateTime;
}

[[noreturn]] void NotFound(std::string_view property, std::string_view className) {
  throw EPropertyNotFound(base::Format(base::Tr("Propriété %s non trouvée dans un objet de type %s"),
                                       {property, className}));
}

}  // namespace

int TGestionRTTIProprietes::count() const {
  return object_ ? static_cast<int>(object_->remotableType().properties.size()) : 0;
}

std::string_view TGestionRTTIProprietes::name(int index) const {
  if (!object_ || index < 0 || index >= count()) return {};
  return object_->remotableType().properties[static_cast<size_t>(index)].name;
}

bool TGestionRTTIProprietes::hasProperty(std::string_view name) const {
  return object_ && object_->remotableType().find(name) != nullptr;
}

const service::PropertyInfo& TGestionRTTIProprietes::find(std::string_view name) const {
  if (!object_) NotFound(name, "nil");
  const service::PropertyInfo* p = object_->remotableType().find(name);
  if (!p) NotFound(name, object_->remotableType().name);
  return *p;
}

Variant TGestionRTTIProprietes::getValue(std::string_view name) const {
  const service::PropertyInfo& p = find(name);
  if (IsObjectTyped(p)) return reader_ ? reader_(p.name, *object_) : Variant{};
  return p.get(*object_);
}

void TGestionRTTIProprietes::setValue(std::string_view name, const Variant& value) {
  const service::PropertyInfo& p = find(name);
  if (IsObjectTyped(p)) {
    if (writer_) writer_(value, p.name, *object_);
    return;
  }
  p.set(*object_, value);
}

void TGestionRTTIProprietes::copyFrom(const service::TRemotable& source) {
  if (!object_) return;
  TGestionRTTIProprietes reader(const_cast<service::TRemotable*>(&source));
  reader.reader_ = reader_;
  for (const service::PropertyInfo& p : source.remotableType().properties)
    if (hasProperty(p.name)) setValue(p.name, reader.getValue(p.name));
}

void TGestionRTTIProprietes::copyTo(service::TRemotable& target) const {
  if (!object_) return;
  TGestionRTTIProprietes writer(&target);
  writer.writer_ = writer_;
  for (const service::PropertyInfo& p : object_->remotableType().properties)
    if (writer.hasProperty(p.name)) writer.setValue(p.name, getValue(p.name));
}

}  // namespace corvane::records
