#pragma once
// TCorvaneAgent, the agent controller: holds the agent's service session and records, performs
// every agent and group web-service call for the windows and record sets (bracketed by BeforeWork
// and AfterWork), keeps the agent's status and address up to date at the service, and opens and
// closes the call listener through which customers call. It owns the call contexts, the
// incoming-call dialogs and the assistance-session windows, and counts the session windows.
//
// Threads: everything runs on the main thread (timers, events, service calls, status changes,
// session counting). The call listener's connection threads reach the controller only through
// blocking hand-overs (CallRequestHandler) and read the agent and group records through
// LireInformations, a copy published under snapshotMutex_.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/MainLoop.h"
#include "base/RetardateurChangement.h"
#include "base/Timer.h"
#include "calls/Authentification.h"
#include "calls/CallListener.h"
#include "calls/CallsLimits.h"
#include "calls/ContextesAppel.h"
#include "service/CorvaneAgent.h"
#include "service/CorvaneGroupeAgent.h"
#include "service/ServiceGateway.h"

namespace corvane::calls {

class IFenetreSession;
class TFrmAppelClientModel;

class TCorvaneAgent final : public service::ServiceGateway, public ICorvaneAuthentification {
public:
  using TStatusAgent = service::TStatusAgent;

  static constexpr int kIntervalRafraichissementDefaut = 3;       // minutes
  static constexpr uint32_t kPeriodeRafraichissementInitiale = 180000;
  static constexpr uint32_t kPeriodeReessai = 20000;               // after a failed refresh
  static constexpr uint32_t kPeriodeHistorique = 25000;            // history-change delayer

  explicit TCorvaneAgent(base::MainLoop& loop);
  ~TCorvaneAgent() override;
  TCorvaneAgent(const TCorvaneAgent&) = delete;
  TCorvaneAgent& operator=(const TCorvaneAgent&) = delete;

  // --- published properties ---
  TStatusAgent StatusAgent() const { return status_; }
  // The status-setting procedure: reported to the service, listener opened (or closed), address
  // published. Throws ECallListenerPortBusy (status back to disconnected) or the service's errors.
  void SetStatusAgent(TStatusAgent value);
  const std::string& RacineServeur() const { return racineServeur_; }
  // Every service address is formed from it; proxies already created are kept.
  void SetRacineServeur(std::string root) { racineServeur_ = std::move(root); PublierInformations(); }
  int IntervalRafraichissementStatus() const { return intervalRafraichissement_; }
  void SetIntervalRafraichissementStatus(int minutes);
  // While the main window loads its stored values, status writes are ignored.
  void SetChargement(bool loading) { chargement_ = loading; }

  std::function<void()> OnLogIn;
  std::function<void()> OnLogOut;
  std::function<void()> OnStatusAgentChange;
  std::function<void()> OnInfosProjetChange;
  std::function<void()> OnHistoriqueChanged;
  std::function<void(IFenetreSession& sender)> OnSelectClientId;
  std::function<void()> OnContactedButInvalidSession;
  std::function<void()> BeforeWork;
  std::function<void()> AfterWork;

  // --- the application's side ---
  // The application-wide error handler: failures of EssayerConnexion, the invalid session met by
  // the status refresh, and errors of work started by a timer or a connection.
  std::function<void(std::exception_ptr)> OnErreur;
  // A modal warning box (caption, text); returns when the agent dismissed it.
  std::function<void(const std::string& caption, const std::string& text)> OnAvertissement;
  // Creates a session window owned by this controller (the assistance library supplies it).
  std::function<std::shared_ptr<IFenetreSession>(TCorvaneAgent&)> FabriqueFenetreSession;
  // A new incoming-call dialog model exists: the user interface binds a window to it.
  std::function<void(TFrmAppelClientModel&)> OnFenetreAppelCreee;
  // Where "Appel.wav" lives; the executable's folder unless set.
  std::string RepertoireProgramme;
  // Calls that may ring at once (kMaxRingingCalls unless set).
  int MaxAppelsEnSonnerie = kMaxRingingCalls;

  // --- public state ---
  const std::string& Session() const { return session_; }
  const std::string& MotDePasse() const { return motDePasse_; }
  const service::TRemotableAgent* InfosAgent() const override { return infosAgent_.get(); }
  // For the profile window, which edits the record and then calls EnregistrerAgent.
  service::TRemotableAgent* InfosAgentModifiable() { return infosAgent_.get(); }
  const service::TRemotableGroupeAgent* InfosGroupe() const { return infosGroupe_.get(); }
  bool Connecte() const { return connecte_; }
  int NbreSessions() const { return static_cast<int>(sessions_.size()); }

  // --- session operations ---
  bool Connecter(IFournisseurAuthentification& fournisseur);
  bool EssayerConnexion(const std::string& login, const std::string& password) override;
  void Deconnecter();
  void ChangerMotDePasse(const std::string& nouveau);
  void RafraichirAgent();
  void EnregistrerAgent();

  // --- service wrappers (Session supplied, BeforeWork/AfterWork around each call) ---
  std::string AjouterUnAgent(const service::TRemotableAgent& Agent) override;
  service::TRemotableAgents ListeAgents() override;
  service::TRemotableAgent ObtenirAgent(const std::string& AgentId) override;
  // Saving the logged-in agent's own record merges it into InfosAgent, re-binds the listener when
  // the port changed and publishes the address.
  void MettreAJourAgent(const service::TRemotableAgent& Agent) override;
  void SupprimerUnAgent(const std::string& AgentID) override;
  service::TRemotableAssistances ListeAssistances(const service::TRemotableFiltre& Filtre) override;
  std::string AjouterUnClient(const service::TRemotableClient& Client) override;
  service::TRemotableClient ObtenirClient(const std::string& ClientId) override;
  service::TRemotableClient ObtenirClientParIdentifiant(const std::string& GroupeID,
                                                        const std::string& Identifiant);
  void MettreAJourClient(const service::TRemotableClient& Client) override;
  void SupprimerUnClient(const std::string& ClientID) override;
  service::TRemotableClients ListeClients() override;
  // Reports a session's end with the agent's report; OnHistoriqueChanged follows at once.
  void CloturerAssistance(const std::string& assistanceId, const std::string& adresseIP,
                          const std::string& rapport);
  void ModifierGroupe(service::TRemotableGroupeAgent& Groupe) override;
  service::TRemotableGroupeAgent ObtenirGroupe(const std::string& GroupeID) override;

  // --- session windows ---
  // Asks every session window to close, from the last created to the first.
  void FermerSessions();
  // The call listener is not active and holds no open connection.
  bool EstInactif() const { return listener_.Idle(); }
  bool SessionActive() const;
  void ArreterRafraichissement() { rafraichissement_.stop(); }
  // Written by the main window while it re-opens the service session, for every session window.
  void SetReouvertureEnCours(bool value);
  const std::vector<std::shared_ptr<IFenetreSession>>& FenetresSession() const { return sessions_; }

  // --- used by the call contexts and the session windows ---
  std::shared_ptr<IFenetreSession> CreerFenetreSession();
  // Destroys a window at once (a call that obtained no port).
  void DetruireFenetreSession(const std::shared_ptr<IFenetreSession>& window);
  // Releases a window after the current work (deferred destruction); counts the sessions.
  void LibererFenetreSession(IFenetreSession* window);
  std::shared_ptr<TFrmAppelClientModel> CreerFenetreAppel();
  void LibererFenetreAppel(TFrmAppelClientModel* dialog);
  size_t NbreFenetresAppel() const { return dialogs_.size(); }
  // Prepared session windows not shown yet: calls ringing now.
  int AppelsEnSonnerie() const;
  // The "all ports busy" warning; never more than one box at a time.
  void AvertirPortsOccupes();

  // --- used by the call listener ---
  base::MainLoop& Loop() const { return loop_; }
  TContextesAppel& Contextes() { return contextes_; }
  CallListener& Ecouteur() { return listener_; }
  // The listening address (default all interfaces); tests use the loopback address.
  void SetHoteEcoute(std::string host) { listener_.SetHost(std::move(host)); }
  // The port the call listener really listens on (0 when inactive).
  int PortEcoute() const { return listener_.BoundPort(); }
  // Restarts the history-change delayer: OnHistoriqueChanged 25 s after the last call end.
  void RelancerRetardateurHistorique();
  // A call met the invalid-session fault: OnContactedButInvalidSession is raised soon after, on
  // the main thread. Any thread.
  void SignalerAppelSessionInvalide();
  int EtatRetardateurHistorique() const { return historique_.etat(); }

  // Copies of the records for the information page. Any thread.
  struct Informations {
    std::shared_ptr<const service::TRemotableAgent> agent;
    std::shared_ptr<const service::TRemotableGroupeAgent> groupe;
    std::string racineServeur;
  };
  Informations LireInformations() const;

  // --- tests and tools ---
  // Replaces the proxies created on first use (a service substitute, a fault injector).
  void SetProxies(std::shared_ptr<service::ICorvaneAgent> agent,
                  std::shared_ptr<service::ICorvaneGroupeAgent> groupe);
  // The address publication request; the libcurl GET unless set.
  std::function<void(const std::string& url)> RequeteAdresse;

private:
  class TravailEnCours;
  // Runs one service call between BeforeWork and AfterWork (AfterWork on every path).
  template <class F>
  auto Travail(F&& work) -> decltype(work());
  void Raise(const std::function<void()>& event) const {
    if (event) event();
  }
  service::ICorvaneAgent& ProxyAgent();
  service::ICorvaneGroupeAgent& ProxyGroupe();
  void ModifierStatusService(TStatusAgent value);
  void OuvrirEcoute();
  void RelierEcoute();
  void PublierAdresse();
  void PublierInformations();
  void Rafraichir();
  void RetirerFenetreSession(IFenetreSession* window);
  void Poster(std::function<void()> work);

  base::MainLoop& loop_;
  std::string racineServeur_;
  int intervalRafraichissement_ = kIntervalRafraichissementDefaut;
  bool chargement_ = false;
  TStatusAgent status_ = TStatusAgent::saDeconnecte;
  std::string session_;
  std::string motDePasse_;
  std::unique_ptr<service::TRemotableAgent> infosAgent_;
  std::unique_ptr<service::TRemotableGroupeAgent> infosGroupe_;
  bool connecte_ = false;
  bool avertissementAffiche_ = false;

  std::shared_ptr<service::ICorvaneAgent> proxyAgent_;
  std::shared_ptr<service::ICorvaneGroupeAgent> proxyGroupe_;

  base::Timer rafraichissement_;
  base::TRetardateurChangement historique_;
  TContextesAppel contextes_;
  CallListener listener_;
  std::vector<std::shared_ptr<TFrmAppelClientModel>> dialogs_;
  std::vector<std::shared_ptr<IFenetreSession>> sessions_;
  std::set<IFenetreSession*> sessionsLiberees_;  // released, destruction pending

  mutable std::mutex snapshotMutex_;  // guards informations_
  Informations informations_;

  // Work posted to the main loop checks it, so nothing runs into a destroyed controller.
  std::shared_ptr<bool> vivant_ = std::make_shared<bool>(true);
};

}  // namespace corvane::calls
