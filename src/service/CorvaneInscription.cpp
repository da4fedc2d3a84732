#include "service/CorvaneInscription.h"

namespace corvane::service {

CorvaneInscriptionProxy::CorvaneInscriptionProxy(std::string_view root,
                                                 std::shared_ptr<SoapTransport> transport)
    : client_(root, kICorvaneInscription, std::move(transport)) {}

TByteDynArray CorvaneInscriptionProxy::ObtenirVerrou(std::string& ID) {
  auto request = client_.request("ObtenirVerrou");
  request->addString("ID", ID);
  SoapAnswer answer = client_.call("ObtenirVerrou", *request);
  TByteDynArray picture = answer.reader().readBytes(answer.result());
  if (const xmlNode* out = answer.outParameter("ID")) ID = answer.reader().readString(out);
  return picture;
}

std::string CorvaneInscriptionProxy::CreerGroupe(const std::string& ID, const std::string& Verrou,
                                                 const TRemotableInfosGroupe& InfosGroupe) {
  auto request = client_.request("CreerGroupe");
  request->addString("ID", ID);
  request->addString("Verrou", Verrou);
  request->addRecord("InfosGroupe", InfosGroupe);
  SoapAnswer answer = client_.call("CreerGroupe", *request);
  return answer.reader().readString(answer.result());
}

void CorvaneInscriptionProxy::CreerSuperAgent(const std::string& ID, const std::string& Verrou,
                                              const TRemotableInfosAgent& InfosAgent) {
  auto request = client_.request("CreerSuperAgent");
  request->addString("ID", ID);
  request->addString("Verrou", Verrou);
  request->addRecord("InfosAgent", InfosAgent);
  client_.call("CreerSuperAgent", *request);
}

}  // namespace corvane::service
