#include "service/CorvaneGroupeAgent.h"

namespace corvane::service {

CorvaneGroupeAgentProxy::CorvaneGroupeAgentProxy(std::string_view root,
                                                 std::shared_ptr<SoapTransport> transport)
    : client_(root, kICorvaneGroupeAgent, std::move(transport)) {}

void CorvaneGroupeAgentProxy::sendGroup(std::string_view operation, const std::string& Session,
                                        TRemotableGroupeAgent& Groupe) {
  auto request = client_.request(operation);
  request->addString("Session", Session);
  request->addRecord("Groupe", Groupe);
  SoapAnswer answer = client_.call(operation, *request);
  if (const xmlNode* out = answer.outParameter("Groupe")) {
    TRemotableGroupeAgent returned;
    answer.reader().readRecord(out, returned);
    Groupe = std::move(returned);
  }
}

void CorvaneGroupeAgentProxy::CreerGroupe(const std::string& Session,
                                          TRemotableGroupeAgent& Groupe) {
  sendGroup("CreerGroupe", Session, Groupe);
}

void CorvaneGroupeAgentProxy::ModifierGroupe(const std::string& Session,
                                             TRemotableGroupeAgent& Groupe) {
  sendGroup("ModifierGroupe", Session, Groupe);
}

void CorvaneGroupeAgentProxy::SupprimerGroupe(const std::string& Session,
                                              const std::string& GroupeID) {
  auto request = client_.request("SupprimerGroupe");
  request->addString("Session", Session);
  request->addString("GroupeID", GroupeID);
  client_.call("SupprimerGroupe", *request);
}

TRemotableGroupeAgent CorvaneGroupeAgentProxy::ObtenirGroupe(const std::string& Session,
                                                             const std::string& GroupeID) {
  auto request = client_.request("ObtenirGroupe");
  request->addString("Session", Session);
  request->addString("GroupeID", GroupeID);
  SoapAnswer answer = client_.call("ObtenirGroupe", *request);
  TRemotableGroupeAgent groupe;
  answer.reader().readRecord(answer.result(), groupe);
  return groupe;
}

TRemotableGroupesAgent CorvaneGroupeAgentProxy::ListeGroupes(const std::string& Session) {
  auto request = client_.request("ListeGroupes");
  request->addString("Session", Session);
  return client_.callArray<TRemotableGroupeAgent>("ListeGroupes", *request);
}

}  // namespace corvane::service
