#pragma once
// The enumerations of the service contract. On the wire an enumeration travels as the identifier
// of its value, in the type namespace "urn:UCorvane"; in memory (and for the property copier) as
// its ordinal.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace corvane::service {

// An agent's availability.
enum class TStatusAgent : uint8_t { saDeconnecte = 0, saOccupe = 1, saDisponible = 2 };

// Which customers a history query covers.
enum class TFiltreIdentificationClient : uint8_t {
  ficIdentifies = 0,
  ficNonIdentifies = 1,
  ficTous = 2,
  ficSpecifique = 3
};

// Whether a request was taken up by an agent.
enum class TFiltreRequeteClient : uint8_t {
  frcPrisesEnCharge = 0,
  frcNonPrisesEnCharge = 1,
  frcToutes = 2
};

// Which closing state a history query selects.
enum class TFiltreReponsesAgents : uint8_t {
  fraToutes = 0,
  fraIgnore = 1,
  fraRefuse = 2,
  fraProblemeReseau = 3,
  fraNonAutorise = 4,
  fraAutre = 5
};

// Name, namespace and identifiers (by ordinal) of one enumeration type.
struct EnumType {
  std::string_view name;
  std::span<const std::string_view> identifiers;

  std::string_view identifier(int ordinal) const;  // empty when out of range
  // Ordinal of an identifier (exact letter case, as written by the service); nullopt if unknown.
  std::optional<int> ordinal(std::string_view identifier) const;
};

template <class E>
const EnumType& EnumTypeOf();
template <>
const EnumType& EnumTypeOf<TStatusAgent>();
template <>
const EnumType& EnumTypeOf<TFiltreIdentificationClient>();
template <>
const EnumType& EnumTypeOf<TFiltreRequeteClient>();
template <>
const EnumType& EnumTypeOf<TFiltreReponsesAgents>();

// The closing letter a TFiltreReponsesAgents value selects ('\0' for fraToutes).
char ClotureCode(TFiltreReponsesAgents value);

}  // namespace corvane::service
