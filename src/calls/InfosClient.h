#pragma once
// TInfosClient: the description of the customer of a call or session. Filled by the call context,
// shown by the call dialog, the session window and its report, rewritten by the known-customer
// picker. A plain value: assigning one to another copies the six fields.

#include <cstdint>
#include <string>

namespace corvane::calls {

struct TInfosClient {
  std::string Nom;         // last name, or the name the customer typed
  std::string EMail;
  std::string AdresseIP;   // the caller's address
  uint8_t TypeClient = 0;  // 0 unknown customer, 1 customer known to the group
  std::string Identifiant; // the customer identifier within the group
  std::string Prenom;      // first name (known customers only)

  bool operator==(const TInfosClient&) const = default;
};

}  // namespace corvane::calls
