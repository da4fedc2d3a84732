#pragma once
// ICorvaneGroupeAgent, the group interface, and its SOAP proxy. `Groupe` of CreerGroupe and
// ModifierGroupe is in/out: the record the service sends back replaces the caller's.

#include <memory>
#include <string>
#include <string_view>

#include "service/Remotables.h"
#include "service/SoapClient.h"

namespace corvane::service {

class ICorvaneGroupeAgent {
public:
  virtual ~ICorvaneGroupeAgent() = default;
  virtual void CreerGroupe(const std::string& Session, TRemotableGroupeAgent& Groupe) = 0;
  virtual void ModifierGroupe(const std::string& Session, TRemotableGroupeAgent& Groupe) = 0;
  virtual void SupprimerGroupe(const std::string& Session, const std::string& GroupeID) = 0;
  virtual TRemotableGroupeAgent ObtenirGroupe(const std::string& Session,
                                              const std::string& GroupeID) = 0;
  virtual TRemotableGroupesAgent ListeGroupes(const std::string& Session) = 0;
};

class CorvaneGroupeAgentProxy final : public ICorvaneGroupeAgent {
public:
  explicit CorvaneGroupeAgentProxy(std::string_view root,
                                   std::shared_ptr<SoapTransport> transport = {});
  const std::string& url() const { return client_.url(); }

  void CreerGroupe(const std::string& Session, TRemotableGroupeAgent& Groupe) override;
  void ModifierGroupe(const std::string& Session, TRemotableGroupeAgent& Groupe) override;
  void SupprimerGroupe(const std::string& Session, const std::string& GroupeID) override;
  TRemotableGroupeAgent ObtenirGroupe(const std::string& Session,
                                      const std::string& GroupeID) override;
  TRemotableGroupesAgent ListeGroupes(const std::string& Session) override;

private:
  void sendGroup(std::string_view operation, const std::string& Session,
                 TRemotableGroupeAgent& Groupe);
  SoapClient client_;
};

}  // namespace corvane::service
