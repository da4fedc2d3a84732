#include "service/Remotables.h"

namespace corvane::service {

const RecordType& TRemotableAgent::Type() {
  using R = TRemotableAgent;
  static const RecordType type{"TRemotableAgent",
                               {Property("AgentID", &R::AgentID),
                                Property("GroupeID", &R::GroupeID),
                                Property("Login", &R::Login),
                                Property("Nom", &R::Nom),
                                Property("Prenom", &R::Prenom),
                                Property("EMail", &R::EMail),
                                Property("AdresseIP", &R::AdresseIP),
                                Property("AdresseIPAuto", &R::AdresseIPAuto),
                                Property("Port", &R::Port),
                                Property("Ports", &R::Ports),
                                Property("LoginVoiceOnIP", &R::LoginVoiceOnIP),
                                Property("NiveauAdmin", &R::NiveauAdmin),
                                Property("Status", &R::Status)}};
  return type;
}

const RecordType& TRemotableFiltre::Type() {
  using R = TRemotableFiltre;
  static const RecordType type{
      "TRemotableFiltre",
      {Property("DateDebutInclue", &R::DateDebutInclue, PropertyType::DateNumber),
       Property("DateFinNonInclue", &R::DateFinNonInclue, PropertyType::DateNumber),
       Property("IdentificationClient", &R::IdentificationClient),
       Property("ClientID", &R::ClientID),
       Property("RequeteClient", &R::RequeteClient),
       Property("ReponsesAgents", &R::ReponsesAgents),
       Property("FiltreReponsesAgentsExclusif", &R::FiltreReponsesAgentsExclusif)}};
  return type;
}

const RecordType& TRemotableAssistance::Type() {
  using R = TRemotableAssistance;
  static const RecordType type{"TRemotableAssistance",
                               {Property("AssistanceID", &R::AssistanceID),
                                Property("ClientID", &R::ClientID),
                                Property("ClientIdentifiant", &R::ClientIdentifiant),
                                Property("ClientNom", &R::ClientNom),
                                Property("ClientAdressIP", &R::ClientAdressIP),
                                Property("ClientEmail", &R::ClientEmail),
                                Property("CorvaneClientNom", &R::CorvaneClientNom),
                                Property("CorvaneClientEmail", &R::CorvaneClientEmail),
                                Property("DemandeDescription", &R::DemandeDescription),
                                Property("DemandeDate", &R::DemandeDate),
                                Property("AgentID", &R::AgentID),
                                Property("ReponseDescription", &R::ReponseDescription),
                                Property("ReponseDate", &R::ReponseDate),
                                Property("Cloture", &R::Cloture)}};
  return type;
}

const RecordType& TRemotableClotureAssistance::Type() {
  using R = TRemotableClotureAssistance;
  static const RecordType type{"TRemotableClotureAssistance",
                               {Property("AssistanceID", &R::AssistanceID),
                                Property("ClientAdresseIP", &R::ClientAdresseIP),
                                Property("ReponseDescription", &R::ReponseDescription)}};
  return type;
}

const RecordType& TRemotableClient::Type() {
  using R = TRemotableClient;
  static const RecordType type{"TRemotableClient",
                               {Property("ClientID", &R::ClientID),
                                Property("GroupeID", &R::GroupeID),
                                Property("Identifiant", &R::Identifiant),
                                Property("Nom", &R::Nom),
                                Property("Prenom", &R::Prenom),
                                Property("EMail", &R::EMail),
                                Property("AdresseIP", &R::AdresseIP)}};
  return type;
}

const RecordType& TRemotableGroupeAgent::Type() {
  using R = TRemotableGroupeAgent;
  static const RecordType type{
      "TRemotableGroupeAgent",
      {Property("ID", &R::ID), Property("Nom", &R::Nom), Property("Nbre", &R::Nbre),
       Property("Valide", &R::Valide), Property("Mess", &R::Mess), Property("Email", &R::Email),
       Property("Site", &R::Site),
       Property("AccepteClientConnuUniquement", &R::AccepteClientConnuUniquement),
       Property("URLLogo", &R::URLLogo), Property("URLDisponible", &R::URLDisponible),
       Property("URLOccuppe", &R::URLOccuppe), Property("URLDeconnecte", &R::URLDeconnecte)}};
  return type;
}

const RecordType& TRemotableInfosGroupe::Type() {
  using R = TRemotableInfosGroupe;
  static const RecordType type{"TRemotableInfosGroupe",
                               {Property("Nom", &R::Nom), Property("Mess", &R::Mess),
                                Property("Email", &R::Email), Property("Site", &R::Site)}};
  return type;
}

const RecordType& TRemotableInfosAgent::Type() {
  using R = TRemotableInfosAgent;
  static const RecordType type{"TRemotableInfosAgent",
                               {Property("GroupeID", &R::GroupeID), Property("Login", &R::Login),
                                Property("MotDePasse", &R::MotDePasse)}};
  return type;
}

}  // namespace corvane::service
