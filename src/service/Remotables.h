#pragma once
// The records of the service contract. Each is a plain record of named fields, in the contract's
// field order, that describes itself to the encoder and to property copiers through
// remotableType(). Arrays are vectors of records; TByteDynArray is a byte vector (base64 on the
// wire). Records received from a call belong to the caller.

#include <cstdint>
#include <string>
#include <vector>

#include "service/DateTimes.h"
#include "service/Enumerations.h"
#include "service/Remotable.h"

namespace corvane::service {

using TByteDynArray = std::vector<uint8_t>;

// One agent of a group.
class TRemotableAgent : public TRemotable {
public:
  std::string AgentID;
  std::string GroupeID;
  std::string Login;
  std::string Nom;
  std::string Prenom;
  std::string EMail;
  std::string AdresseIP;
  bool AdresseIPAuto = false;
  int32_t Port = 0;
  std::string Ports;
  std::string LoginVoiceOnIP;
  int16_t NiveauAdmin = 0;
  TStatusAgent Status = TStatusAgent::saDeconnecte;

  static const RecordType& Type();
  const RecordType& remotableType() const override { return Type(); }
};

// The criteria of a history query. The two dates travel as day numbers.
class TRemotableFiltre : public TRemotable {
public:
  TDateTime DateDebutInclue = 0;
  TDateTime DateFinNonInclue = 0;
  TFiltreIdentificationClient IdentificationClient = TFiltreIdentificationClient::ficIdentifies;
  int32_t ClientID = -1;
  TFiltreRequeteClient RequeteClient = TFiltreRequeteClient::frcPrisesEnCharge;
  TFiltreReponsesAgents ReponsesAgents = TFiltreReponsesAgents::fraToutes;
  bool FiltreReponsesAgentsExclusif = false;

  static const RecordType& Type();
  const RecordType& remotableType() const override { return Type(); }
};

// One assistance session of the history. ReponseDate is 0 while the session has not ended.
class TRemotableAssistance : public TRemotable {
public:
  std::string AssistanceID;
  std::string ClientID;
  std::string ClientIdentifiant;
  std::string ClientNom;
  std::string ClientAdressIP;
  std::string ClientEmail;
  std::string CorvaneClientNom;
  std::string CorvaneClientEmail;
  std::string DemandeDescription;
  TDateTime DemandeDate = 0;
  std::string AgentID;
  std::string ReponseDescription;
  TDateTime ReponseDate = 0;
  std::string Cloture;

  static const RecordType& Type();
  const RecordType& remotableType() const override { return Type(); }
};

// The end of a session reported by the agent.
class TRemotableClotureAssistance : public TRemotable {
public:
  std::string AssistanceID;
  std::string ClientAdresseIP;
  std::string ReponseDescription;

  static const RecordType& Type();
  const RecordType& remotableType() const override { return Type(); }
};

// One customer of a group.
class TRemotableClient : public TRemotable {
public:
  std::string ClientID;
  std::string GroupeID;
  std::string Identifiant;
  std::string Nom;
  std::string Prenom;
  std::string EMail;
  std::string AdresseIP;

  static const RecordType& Type();
  const RecordType& remotableType() const override { return Type(); }
};

// One agent group.
class TRemotableGroupeAgent : public TRemotable {
public:
  std::string ID;
  std::string Nom;
  int32_t Nbre = 0;
  bool Valide = false;
  std::string Mess;
  std::string Email;
  std::string Site;
  bool AccepteClientConnuUniquement = false;
  std::string URLLogo;
  std::string URLDisponible;
  std::string URLOccuppe;
  std::string URLDeconnecte;

  static const RecordType& Type();
  const RecordType& remotableType() const override { return Type(); }
};

// A new group at sign-up.
class TRemotableInfosGroupe : public TRemotable {
public:
  std::string Nom;
  std::string Mess;
  std::string Email;
  std::string Site;

  static const RecordType& Type();
  const RecordType& remotableType() const override { return Type(); }
};

// The first administrator of a new group.
class TRemotableInfosAgent : public TRemotable {
public:
  std::string GroupeID;
  std::string Login;
  std::string MotDePasse;

  static const RecordType& Type();
  const RecordType& remotableType() const override { return Type(); }
};

using TRemotableAgents = std::vector<TRemotableAgent>;
using TRemotableAssistances = std::vector<TRemotableAssistance>;
using TRemotableClients = std::vector<TRemotableClient>;
using TRemotableGroupesAgent = std::vector<TRemotableGroupeAgent>;

// Type names of the arrays, in the namespace "urn:UCorvaneRemotables".
template <class R>
struct ArrayTypeName;
template <>
struct ArrayTypeName<TRemotableAgent> {
  static constexpr std::string_view value = "TRemotableAgents";
};
template <>
struct ArrayTypeName<TRemotableAssistance> {
  static constexpr std::string_view value = "TRemotableAssistances";
};
template <>
struct ArrayTypeName<TRemotableClient> {
  static constexpr std::string_view value = "TRemotableClients";
};
template <>
struct ArrayTypeName<TRemotableGroupeAgent> {
  static constexpr std::string_view value = "TRemotableGroupesAgent";
};

}  // namespace corvane::service
