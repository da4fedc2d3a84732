#include "shell/ExclusionsTraduction.h"

namespace corvane::shell {
namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

}  // namespace

void TExclusionsTraduction::IgnorerClasse(std::string_view className) {
  std::lock_guard lock(mutex_);
  classes_.insert(lower(className));
}

void TExclusionsTraduction::IgnorerPropriete(std::string_view className, std::string_view property) {
  std::lock_guard lock(mutex_);
  properties_.emplace(lower(className), lower(property));
}

bool TExclusionsTraduction::EstClasseIgnoree(const std::vector<std::string>& classChain) const {
  std::lock_guard lock(mutex_);
  for (const auto& c : classChain)
    if (classes_.count(lower(c))) return true;
  return false;
}

bool TExclusionsTraduction::EstProprieteIgnoree(const std::vector<std::string>& classChain,
                                               std::string_view property) const {
  const std::string p = lower(property);
  std::lock_guard lock(mutex_);
  if (properties_.count({std::string(kToutesClasses), p})) return true;
  for (const auto& c : classChain)
    if (properties_.count({lower(c), p})) return true;
  return false;
}

void EnregistrerExclusionsProgramme(TExclusionsTraduction& exclusions) {
  for (std::string_view fontClass : {"TFont", "QFont"}) exclusions.IgnorerClasse(fontClass);
  struct Property {
    std::string_view className, property;
  };
  static constexpr Property kProperties[] = {
      {kToutesClasses, "Name"},
      {kToutesClasses, "objectName"},
      {"TCollectionItem", "PropName"},
      {"TDataSet", "FieldName"},
      {"TField", "FieldName"},
      {kToutesClasses, "DataField"},
      {"TContainedAction", "Category"},
      {"QAction", "Category"},
      {"TFtpRemoteInfosProvider", "RemoteDocument"},
      {"THttpRemoteInfosProvider", "RemoteURL"},
  };
  for (const Property& p : kProperties) exclusions.IgnorerPropriete(p.className, p.property);
}

TExclusionsTraduction& ExclusionsTraduction() {
  static TExclusionsTraduction registry;
  return registry;
}

}  // namespace corvane::shell
