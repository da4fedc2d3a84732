#include "service/CorvaneAgent.h"

namespace corvane::service {

CorvaneAgentProxy::CorvaneAgentProxy(std::string_view root, std::shared_ptr<SoapTransport> transport)
    : client_(root, kICorvaneAgent, std::move(transport)) {}

std::string CorvaneAgentProxy::LogIn(const std::string& User, const std::string& Password) {
  auto request = client_.request("LogIn");
  request->addString("User", User);
  request->addString("Password", Password);
  SoapAnswer answer = client_.call("LogIn", *request);
  return answer.reader().readString(answer.result());
}

void CorvaneAgentProxy::ChangePassword(const std::string& Session, const std::string& AgentId,
                                       const std::string& CurrentPassword,
                                       const std::string& NewPassword) {
  auto request = client_.request("ChangePassword");
  request->addString("Session", Session);
  request->addString("AgentId", AgentId);
  request->addString("CurrentPassword", CurrentPassword);
  request->addString("NewPassword", NewPassword);
  client_.call("ChangePassword", *request);
}

void CorvaneAgentProxy::LogOut(const std::string& Session) {
  auto request = client_.request("LogOut");
  request->addString("Session", Session);
  client_.call("LogOut", *request);
}

void CorvaneAgentProxy::ModifierStatus(const std::string& Session, TStatusAgent NouveauStatus) {
  auto request = client_.request("ModifierStatus");
  request->addString("Session", Session);
  request->addEnum("NouveauStatus", NouveauStatus);
  client_.call("ModifierStatus", *request);
}

void CorvaneAgentProxy::ModifierPhoto(const std::string& Session, const TByteDynArray& Photo) {
  auto request = client_.request("ModifierPhoto");
  request->addString("Session", Session);
  request->addBytes("Photo", Photo);
  client_.call("ModifierPhoto", *request);
}

TByteDynArray CorvaneAgentProxy::ObtenirPhoto(const std::string& Session, const std::string& AgentId) {
  auto request = client_.request("ObtenirPhoto");
  request->addString("Session", Session);
  request->addString("AgentId", AgentId);
  SoapAnswer answer = client_.call("ObtenirPhoto", *request);
  return answer.reader().readBytes(answer.result());
}

TRemotableAgent CorvaneAgentProxy::ObtenirAgent(const std::string& Session,
                                                const std::string& AgentId) {
  auto request = client_.request("ObtenirAgent");
  request->addString("Session", Session);
  request->addString("AgentId", AgentId);
  SoapAnswer answer = client_.call("ObtenirAgent", *request);
  TRemotableAgent agent;
  answer.reader().readRecord(answer.result(), agent);
  return agent;
}

void CorvaneAgentProxy::MettreAJourAgent(const std::string& Session, const TRemotableAgent& Agent) {
  auto request = client_.request("MettreAJourAgent");
  request->addString("Session", Session);
  request->addRecord("Agent", Agent);
  client_.call("MettreAJourAgent", *request);
}

TRemotableAssistances CorvaneAgentProxy::ListeAssistances(const std::string& Session,
                                                          const TRemotableFiltre& Filtre) {
  auto request = client_.request("ListeAssistances");
  request->addString("Session", Session);
  request->addRecord("Filtre", Filtre);
  return client_.callArray<TRemotableAssistance>("ListeAssistances", *request);
}

std::string CorvaneAgentProxy::AjouterUnAgent(const std::string& Session,
                                              const TRemotableAgent& Agent) {
  auto request = client_.request("AjouterUnAgent");
  request->addString("Session", Session);
  request->addRecord("Agent", Agent);
  SoapAnswer answer = client_.call("AjouterUnAgent", *request);
  return answer.reader().readString(answer.result());
}

TRemotableAgents CorvaneAgentProxy::ListeAgents(const std::string& Session) {
  auto request = client_.request("ListeAgents");
  request->addString("Session", Session);
  return client_.callArray<TRemotableAgent>("ListeAgents", *request);
}

void CorvaneAgentProxy::SupprimerUnAgent(const std::string& Session, const std::string& AgentID) {
  auto request = client_.request("SupprimerUnAgent");
  request->addString("Session", Session);
  request->addString("AgentID", AgentID);
  client_.call("SupprimerUnAgent", *request);
}

void CorvaneAgentProxy::CloturerAssistance(const std::string& Session,
                                           const TRemotableClotureAssistance& Cloture) {
  auto request = client_.request("CloturerAssistance");
  request->addString("Session", Session);
  request->addRecord("Cloture", Cloture);
  client_.call("CloturerAssistance", *request);
}

std::string CorvaneAgentProxy::AjouterUnClient(const std::string& Session,
                                               const TRemotableClient& Client) {
  auto request = client_.request("AjouterUnClient");
  request->addString("Session", Session);
  request->addRecord("Client", Client);
  SoapAnswer answer = client_.call("AjouterUnClient", *request);
  return answer.reader().readString(answer.result());
}

TRemotableClient CorvaneAgentProxy::ObtenirClient(const std::string& Session,
                                                  const std::string& ClientId) {
  auto request = client_.request("ObtenirClient");
  request->addString("Session", Session);
  request->addString("ClientId", ClientId);
  SoapAnswer answer = client_.call("ObtenirClient", *request);
  TRemotableClient client;
  answer.reader().readRecord(answer.result(), client);
  return client;
}

TRemotableClient CorvaneAgentProxy::ObtenirClientParIdentifiant(const std::string& Session,
                                                                const std::string& GroupeID,
                                                                const std::string& Identifiant) {
  auto request = client_.request("ObtenirClientParIdentifiant");
  request->addString("Session", Session);
  request->addString("GroupeID", GroupeID);
  request->addString("Identifiant", Identifiant);
  SoapAnswer answer = client_.call("ObtenirClientParIdentifiant", *request);
  TRemotableClient client;
  answer.reader().readRecord(answer.result(), client);
  return client;
}

void CorvaneAgentProxy::MettreAJourClient(const std::string& Session,
                                          const TRemotableClient& Client) {
  auto request = client_.request("MettreAJourClient");
  request->addString("Session", Session);
  request->addRecord("Client", Client);
  client_.call("MettreAJourClient", *request);
}

void CorvaneAgentProxy::SupprimerUnClient(const std::string& Session, const std::string& ClientID) {
  auto request = client_.request("SupprimerUnClient");
  request->addString("Session", Session);
  request->addString("ClientID", ClientID);
  client_.call("SupprimerUnClient", *request);
}

TRemotableClients CorvaneAgentProxy::ListeClients(const std::string& Session) {
  auto request = client_.request("ListeClients");
  request->addString("Session", Session);
  return client_.callArray<TRemotableClient>("ListeClients", *request);
}

}  // namespace corvane::service
