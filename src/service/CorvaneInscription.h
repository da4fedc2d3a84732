#pragma once
// ICorvaneInscription, the sign-up interface (no session), and its SOAP proxy. `ID` of
// ObtenirVerrou is in/out: the caller sends the challenge identifier it holds (empty the first
// time) and receives the new one.

#include <memory>
#include <string>
#include <string_view>

#include "service/Remotables.h"
#include "service/SoapClient.h"

namespace corvane::service {

class ICorvaneInscription {
public:
  virtual ~ICorvaneInscription() = default;
  virtual TByteDynArray ObtenirVerrou(std::string& ID) = 0;
  virtual std::string CreerGroupe(const std::string& ID, const std::string& Verrou,
                                  const TRemotableInfosGroupe& InfosGroupe) = 0;
  virtual void CreerSuperAgent(const std::string& ID, const std::string& Verrou,
                               const TRemotableInfosAgent& InfosAgent) = 0;
};

class CorvaneInscriptionProxy final : public ICorvaneInscription {
public:
  explicit CorvaneInscriptionProxy(std::string_view root,
                                   std::shared_ptr<SoapTransport> transport = {});
  const std::string& url() const { return client_.url(); }

  TByteDynArray ObtenirVerrou(std::string& ID) override;
  std::string CreerGroupe(const std::string& ID, const std::string& Verrou,
                          const TRemotableInfosGroupe& InfosGroupe) override;
  void CreerSuperAgent(const std::string& ID, const std::string& Verrou,
                       const TRemotableInfosAgent& InfosAgent) override;

private:
  SoapClient client_;
};

}  // namespace corvane::service
