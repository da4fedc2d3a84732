#pragma once
// TInfosDemande: what the requests of one call said about the caller, and where the call stands.
// A plain value owned by its call context.

#include <cstdint>
#include <string>

namespace corvane::calls {

struct TInfosDemande {
  // Request state.
  enum : uint8_t { EnAttente = 0, Acceptee = 1, Refusee = 2, Sonnerie = 3 };

  uint8_t Etat = EnAttente;
  std::string ClientNom;     // "DAD-ClientNom"
  std::string AdresseIP;     // the caller's address on the HTTP connection (not a header)
  std::string AssistanceID;  // "DAD-AssistanceID"; the key of the context
  std::string ClientID;      // "DAD-ClientID"
  std::string ClientEMail;   // "DAD-ClientEMail"
  std::string Description;   // "DAD-Description" as lines, each ending with CR LF
  uint8_t TypeClient = 0;    // "DAD-TypeClient" limited to 0..1
  int Port = 0;              // the assistance port opened for this call
};

}  // namespace corvane::calls
