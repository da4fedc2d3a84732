#pragma once
// ICorvaneAgent, the service's main interface, and its SOAP proxy. Operations in declaration
// order with the contract's parameter names; `Session` is the string LogIn returned. Every
// operation throws the errors of ServiceErrors.h and RemotableFaults.h.

#include <memory>
#include <string>
#include <string_view>

#include "service/Remotables.h"
#include "service/SoapClient.h"

namespace corvane::service {

class ICorvaneAgent {
public:
  virtual ~ICorvaneAgent() = default;
  virtual std::string LogIn(const std::string& User, const std::string& Password) = 0;
  virtual void ChangePassword(const std::string& Session, const std::string& AgentId,
                              const std::string& CurrentPassword,
                              const std::string& NewPassword) = 0;
  virtual void LogOut(const std::string& Session) = 0;
  virtual void ModifierStatus(const std::string& Session, TStatusAgent NouveauStatus) = 0;
  virtual void ModifierPhoto(const std::string& Session, const TByteDynArray& Photo) = 0;
  virtual TByteDynArray ObtenirPhoto(const std::string& Session, const std::string& AgentId) = 0;
  virtual TRemotableAgent ObtenirAgent(const std::string& Session, const std::string& AgentId) = 0;
  virtual void MettreAJourAgent(const std::string& Session, const TRemotableAgent& Agent) = 0;
  virtual TRemotableAssistances ListeAssistances(const std::string& Session,
                                                 const TRemotableFiltre& Filtre) = 0;
  virtual std::string AjouterUnAgent(const std::string& Session, const TRemotableAgent& Agent) = 0;
  virtual TRemotableAgents ListeAgents(const std::string& Session) = 0;
  virtual void SupprimerUnAgent(const std::string& Session, const std::string& AgentID) = 0;
  virtual void CloturerAssistance(const std::string& Session,
                                  const TRemotableClotureAssistance& Cloture) = 0;
  virtual std::string AjouterUnClient(const std::string& Session, const TRemotableClient& Client) = 0;
  virtual TRemotableClient ObtenirClient(const std::string& Session, const std::string& ClientId) = 0;
  virtual TRemotableClient ObtenirClientParIdentifiant(const std::string& Session,
                                                       const std::string& GroupeID,
                                                       const std::string& Identifiant) = 0;
  virtual void MettreAJourClient(const std::string& Session, const TRemotableClient& Client) = 0;
  virtual void SupprimerUnClient(const std::string& Session, const std::string& ClientID) = 0;
  virtual TRemotableClients ListeClients(const std::string& Session) = 0;
};

class CorvaneAgentProxy final : public ICorvaneAgent {
public:
  // Endpoint: root + "soap/ICorvaneAgent". A null transport gives a CurlTransport with the
  // default time-outs.
  explicit CorvaneAgentProxy(std::string_view root, std::shared_ptr<SoapTransport> transport = {});

  const std::string& url() const { return client_.url(); }

  std::string LogIn(const std::string& User, const std::string& Password) override;
  void ChangePassword(const std::string& Session, const std::string& AgentId,
                      const std::string& CurrentPassword, const std::string& NewPassword) override;
  void LogOut(const std::string& Session) override;
  void ModifierStatus(const std::string& Session, TStatusAgent NouveauStatus) override;
  void ModifierPhoto(const std::string& Session, const TByteDynArray& Photo) override;
  TByteDynArray ObtenirPhoto(const std::string& Session, const std::string& AgentId) override;
  TRemotableAgent ObtenirAgent(const std::string& Session, const std::string& AgentId) override;
  void MettreAJourAgent(const std::string& Session, const TRemotableAgent& Agent) override;
  TRemotableAssistances ListeAssistances(const std::string& Session,
                                         const TRemotableFiltre& Filtre) override;
  std::string AjouterUnAgent(const std::string& Session, const TRemotableAgent& Agent) override;
  TRemotableAgents ListeAgents(const std::string& Session) override;
  void SupprimerUnAgent(const std::string& Session, const std::string& AgentID) override;
  void CloturerAssistance(const std::string& Session,
                          const TRemotableClotureAssistance& Cloture) override;
  std::string AjouterUnClient(const std::string& Session, const TRemotableClient& Client) override;
  TRemotableClient ObtenirClient(const std::string& Session, const std::string& ClientId) override;
  TRemotableClient ObtenirClientParIdentifiant(const std::string& Session,
                                               const std::string& GroupeID,
                                               const std::string& Identifiant) override;
  void MettreAJourClient(const std::string& Session, const TRemotableClient& Client) override;
  void SupprimerUnClient(const std::string& Session, const std::string& ClientID) override;
  TRemotableClients ListeClients(const std::string& Session) override;

private:
  SoapClient client_;
};

}  // namespace corvane::service
