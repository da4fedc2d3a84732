#include "service/Enumerations.h"

namespace corvane::service {
namespace {
constexpr std::array<std::string_view, 3> kStatusAgent{"saDeconnecte", "saOccupe", "saDisponible"};
constexpr std::array<std::string_view, 4> kIdentificationClient{
    "ficIdentifies", "ficNonIdentifies", "ficTous", "ficSpecifique"};
constexpr std::array<std::string_view, 3> kRequeteClient{"frcPrisesEnCharge",
                                                         "frcNonPrisesEnCharge", "frcToutes"};
constexpr std::array<std::string_view, 6> kReponsesAgents{
    "fraToutes", "fraIgnore", "fraRefuse", "fraProblemeReseau", "fraNonAutorise", "fraAutre"};
}  // namespace

std::string_view EnumType::identifier(int ordinal) const {
  if (ordinal < 0 || static_cast<size_t>(ordinal) >= identifiers.size()) return {};
  return identifiers[static_cast<size_t>(ordinal)];
}

std::optional<int> EnumType::ordinal(std::string_view identifier) const {
  for (size_t i = 0; i < identifiers.size(); ++i)
    if (identifiers[i] == identifier) return static_cast<int>(i);
  return std::nullopt;
}

template <>
const EnumType& EnumTypeOf<TStatusAgent>() {
  static const EnumType type{"TStatusAgent", kStatusAgent};
  return type;
}
template <>
const EnumType& EnumTypeOf<TFiltreIdentificationClient>() {
  static const EnumType type{"TFiltreIdentificationClient", kIdentificationClient};
  return type;
}
template <>
const EnumType& EnumTypeOf<TFiltreRequeteClient>() {
  static const EnumType type{"TFiltreRequeteClient", kRequeteClient};
  return type;
}
template <>
const EnumType& EnumTypeOf<TFiltreReponsesAgents>() {
  static const EnumType type{"TFiltreReponsesAgents", kReponsesAgents};
  return type;
}

char ClotureCode(TFiltreReponsesAgents value) {
  switch (value) {
    case TFiltreReponsesAgents::fraToutes: return '\0';
    case TFiltreReponsesAgents::fraIgnore: return 'I';
    case TFiltreReponsesAgents::fraRefuse: return 'R';
    case TFiltreReponsesAgents::fraProblemeReseau: return 'N';
    case TFiltreReponsesAgents::fraNonAutorise: return 'U';
    case TFiltreReponsesAgents::fraAutre: return 'A';
  }
  return '\0';
}

}  // namespace corvane::service
