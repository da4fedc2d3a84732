#pragma once
// Sections and keys of "CorvaneAgent.xml". A window's section is named after the window; a stored
// property's key is the component's name, "_", and the property's name.

#include <string>
#include <string_view>

namespace corvane::shell {

inline constexpr std::string_view kSectionFrmPrincipale = "FrmPrincipale";
inline constexpr std::string_view kSectionFrmAuthentificationAgent = "FrmAuthentificationAgent";
inline constexpr std::string_view kSectionFrmInscription = "FrmInscription";
inline constexpr std::string_view kSectionFrmAdministrationAgents = "FrmAdministrationAgents";
inline constexpr std::string_view kSectionFrmAdministrationClients = "FrmAdministrationClients";
inline constexpr std::string_view kSectionFrmInfosAgent = "FrmInfosAgent";
inline constexpr std::string_view kSectionFrmFiltresAssistances = "FrmFiltresAssistances";

inline constexpr std::string_view kKeyFormVersion = "FormVersion";
inline constexpr std::string_view kKeyFlags = "Flags";
inline constexpr std::string_view kKeyPixelsPerInch = "PixelsPerInch";
inline constexpr std::string_view kKeyMinMaxPos = "MinMaxPos";
inline constexpr std::string_view kKeyNormPos = "NormPos";

inline constexpr std::string_view kKeyTimerFermetureApplicationInterval = "TimerFermetureApplication_Interval";
inline constexpr std::string_view kKeyIntervalRafraichissementStatus = "CorvaneAgent_IntervalRafraichissementStatus";
inline constexpr std::string_view kKeyRacineServeur = "RacineServeur";
inline constexpr std::string_view kKeyEdtIdentifiantText = "edtIdentifiant_Text";
inline constexpr std::string_view kKeyEdtInfosGroupeEmailWidth = "edtInfosGroupeEmail_Width";
inline constexpr std::string_view kKeyEdtInfosGroupeNomWidth = "edtInfosGroupeNom_Width";
inline constexpr std::string_view kKeyEdtInfosGroupeSiteWidth = "edtInfosGroupeSite_Width";

inline std::string StoredPropertyKey(std::string_view component, std::string_view property) {
  return std::string(component) + "_" + std::string(property);
}

}  // namespace corvane::shell
