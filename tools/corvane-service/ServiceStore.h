#pragma once
// The reference service's data and rules, stored in SQLite: groups, agents (salted password
// hashes), customers, assistance history, service sessions and verification challenges. Every
// operation of the three interfaces is one method here; it checks the session and the agent's
// rights and throws the service's fault kinds (RemotableFaults.h) on refusal. Every change runs in
// one transaction.
//
// Threads: called from the HTTP server's worker threads; mutex_ serialises every operation on the
// one database connection.

#include <sqlite3.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "LoginThrottle.h"
#include "ServiceClock.h"
#include "ServiceLimits.h"
#include "service/Remotables.h"
#include "service/ServiceErrors.h"

namespace corvane::service::server {

class EStoreError : public EServiceError {
public:
  using EServiceError::EServiceError;
};

struct StoreOptions {
  std::string path;  // database file; ":memory:" for a private in-memory one
  int64_t sessionIdleMs = 0;  // 0: kDefaultSessionIdleMs
  MillisecondClock clock;     // empty: system clock
  int passwordIterations = kPasswordIterations;      // work factor of new password hashes
  int firstPasswordDays = kDefaultFirstPasswordDays;  // life of a new agent's first password
};

// What a customer's help request gives back.
struct HelpRequestAnswer {
  std::string assistanceId;
  std::string token;  // what the caller sends back with its closing letters
  std::vector<std::pair<std::string, int>> agents;  // address and call port of available agents
};

class ServiceStore {
public:
  explicit ServiceStore(StoreOptions options);
  ~ServiceStore();
  ServiceStore(const ServiceStore&) = delete;
  ServiceStore& operator=(const ServiceStore&) = delete;

  // ICorvaneAgent. `address` is the caller's, for the back-off after failed log-ins.
  std::string LogIn(const std::string& user, const std::string& password,
                    const std::string& address = {});
  void ChangePassword(const std::string& session, const std::string& agentId,
                      const std::string& currentPassword, const std::string& newPassword);
  void LogOut(const std::string& session);
  void ModifierStatus(const std::string& session, TStatusAgent status);
  void ModifierPhoto(const std::string& session, const TByteDynArray& photo);
  TByteDynArray ObtenirPhoto(const std::string& session, const std::string& agentId);
  TRemotableAgent ObtenirAgent(const std::string& session, const std::string& agentId);
  void MettreAJourAgent(const std::string& session, const TRemotableAgent& agent);
  TRemotableAssistances ListeAssistances(const std::string& session, const TRemotableFiltre& filtre);
  std::string AjouterUnAgent(const std::string& session, const TRemotableAgent& agent);
  TRemotableAgents ListeAgents(const std::string& session);
  void SupprimerUnAgent(const std::string& session, const std::string& agentId);
  void CloturerAssistance(const std::string& session, const TRemotableClotureAssistance& cloture);
  std::string AjouterUnClient(const std::string& session, const TRemotableClient& client);
  TRemotableClient ObtenirClient(const std::string& session, const std::string& clientId);
  TRemotableClient ObtenirClientParIdentifiant(const std::string& session,
                                               const std::string& groupeId,
                                               const std::string& identifiant);
  void MettreAJourClient(const std::string& session, const TRemotableClient& client);
  void SupprimerUnClient(const std::string& session, const std::string& clientId);
  TRemotableClients ListeClients(const std::string& session);

  // ICorvaneGroupeAgent
  void CreerGroupe(const std::string& session, TRemotableGroupeAgent& groupe);
  void ModifierGroupe(const std::string& session, TRemotableGroupeAgent& groupe);
  void SupprimerGroupe(const std::string& session, const std::string& groupeId);
  TRemotableGroupeAgent ObtenirGroupe(const std::string& session, const std::string& groupeId);
  TRemotableGroupesAgent ListeGroupes(const std::string& session);

  // ICorvaneInscription. `code` receives the new challenge's code (to draw it).
  std::string NewChallenge(const std::string& previousId, std::string& code);
  std::string CreerGroupeInscription(const std::string& id, const std::string& verrou,
                                     const TRemotableInfosGroupe& infos);
  void CreerSuperAgent(const std::string& id, const std::string& verrou,
                       const TRemotableInfosAgent& infos);
  // Uses up a challenge; true when the code was right (customer-program download).
  bool CheckChallenge(const std::string& id, const std::string& code);
  // The code of a challenge, for tests and tools that cannot read the picture ("" when none).
  std::string PeekChallengeCode(const std::string& id);

  // Address publication (UpdateIP): false when the session is not valid.
  bool UpdateIP(const std::string& session, const std::string& address);
  // Availability of a group for its status picture: 2 available, 1 busy, 0 none; the URL the
  // group set for it (may be empty). nullopt for an unknown group.
  std::optional<std::pair<int, std::string>> GroupAvailability(const std::string& groupeId);

  // Customer side (see README): opens a help request, records a closing letter.
  HelpRequestAnswer OpenHelpRequest(const std::string& groupeId, const std::string& nom,
                                    const std::string& email, const std::string& identifiant,
                                    const std::string& description, const std::string& address);
  // Only with the token of the request's opening; a letter already there changes nothing, and
  // at most kMaxCustomerClosingLetters letters are the customer's.
  void RecordClosingLetter(const std::string& assistanceId, const std::string& token, char letter);

  // Seeding and tests.
  std::string SeedGroup(const TRemotableGroupeAgent& groupe);
  std::string SeedAgent(const TRemotableAgent& agent, const std::string& password);
  std::string SeedClient(const TRemotableClient& client);
  std::string SeedAssistance(const std::string& groupeId, const TRemotableAssistance& a);
  bool Empty();

private:
  struct Caller {
    int64_t agentId;
    int64_t groupId;
    int niveauAdmin;
  };
  class Transaction;
  Caller authenticate(const std::string& session);
  void requireAdmin(const Caller& caller);
  int64_t now() const;
  void exec(const char* sql);
  void addColumnIfMissing(const char* table, const char* column, const char* definition);
  void useChallenge(const std::string& id, const std::string& verrou);
  TRemotableAgent readAgent(int64_t id);
  TRemotableClient readClient(int64_t id);
  TRemotableGroupeAgent readGroup(int64_t id);
  void writeGroup(int64_t id, const TRemotableGroupeAgent& groupe);

  StoreOptions options_;
  std::string dummyHash_;  // verified for unknown log-ins: they cost one hash, like known ones
  LoginThrottle throttle_;
  std::mutex mutex_;
  sqlite3* db_ = nullptr;
};

// A decimal identifier, or nullopt for anything else (empty, signs, letters, overflow).
std::optional<int64_t> ParseId(const std::string& text);

}  // namespace corvane::service::server
