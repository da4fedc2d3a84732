#pragma once
// The web service's root URL and the addresses built from it by plain concatenation.

#include <string>
#include <string_view>

namespace corvane::shell {

// Used when the configuration holds no root; never written to the configuration file.
inline constexpr std::string_view kRacineServeurParDefaut =
    "http://www.tarvenholt.example/scripts/ServiceCorvane.dll/";

inline constexpr std::string_view kCheminServiceAgent = "soap/ICorvaneAgent";
inline constexpr std::string_view kCheminServiceGroupeAgent = "soap/ICorvaneGroupeAgent";
inline constexpr std::string_view kCheminServiceInscription = "soap/ICorvaneInscription";
inline constexpr std::string_view kCheminUpdateIP = "UpdateIP?session=";
inline constexpr std::string_view kCheminImageStatut = "img?Image=imgStatut&Id=";
inline constexpr std::string_view kCheminTelechargementClient =
    "GetFile?FileID=CorvaneClient&ID=%s&CIID=%s&CIPass=%s";

// The root in effect for a stored value: the built-in default when it is empty, otherwise the
// stored value, with a "/" added when it lacks one so that the concatenations stay addresses.
std::string RacineEffective(std::string_view stored);
bool EstRacineParDefaut(std::string_view effectiveRoot);

}  // namespace corvane::shell
