#include "calls/CorvaneAgent.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/Translate.h"
#include "calls/AddressPublication.h"
#include "calls/AppelClientModel.h"
#include "calls/CallRequestHandler.h"
#include "calls/CallsError.h"
#include "calls/FenetreSession.h"
#include "service/RemotableFaults.h"
#include "service/ServiceErrors.h"

namespace corvane::calls {

namespace {

std::string DossierExecutable() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

// Failures that never prevent logging out: the service is gone, slow, confused, or has already
// dropped the session. A refused connection is how a dead service shows on this platform.
bool IgnoreeALaDeconnexion(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const service::ERemotableInvalideSession&) {
    return true;
  } catch (const service::EReadTimeout&) {
    return true;
  } catch (const service::EConnectTimeout&) {
    return true;
  } catch (const service::EConnectionRefused&) {
    return true;
  } catch (const service::ENotWellFormedAnswer&) {
    return true;
  } catch (...) {
    return false;
  }
}

void CopierProprietes(const service::TRemotable& source, service::TRemotable& cible) {
  for (const service::PropertyInfo& p : source.remotableType().properties) p.set(cible, p.get(source));
}

}  // namespace

TCorvaneAgent::TCorvaneAgent(base::MainLoop& loop)
    : RepertoireProgramme(DossierExecutable()),
      loop_(loop),
      rafraichissement_(loop, kPeriodeRafraichissementInitiale),
      historique_(loop, kPeriodeHistorique),
      listener_(loop) {
  rafraichissement_.onTimer = [this] { Rafraichir(); };
  historique_.OnChangement = [this] { Raise(OnHistoriqueChanged); };
  listener_.OnRequest = [this](const ListenerRequest& request) { return RepondreRequete(*this, request); };
}

TCorvaneAgent::~TCorvaneAgent() {
  historique_.OwnerDestroying();
  rafraichissement_.stop();
  try {
    listener_.Deactivate();
  } catch (...) {
  }
  vivant_.reset();  // no connection thread is left to post; posted work is dropped from now on
  contextes_.Vider();
  std::vector<std::shared_ptr<TFrmAppelClientModel>> dialogs;
  dialogs.swap(dialogs_);
  dialogs.clear();
  while (!sessions_.empty()) {
    std::shared_ptr<IFenetreSession> last = std::move(sessions_.back());
    sessions_.pop_back();
    last.reset();
  }
}

// --- helpers ---------------------------------------------------------------------------------------

// Raises BeforeWork when created and AfterWork when it goes, on every path out of the work.
class TCorvaneAgent::TravailEnCours {
public:
  explicit TravailEnCours(const TCorvaneAgent& agent) : agent_(agent) { agent_.Raise(agent_.BeforeWork); }
  ~TravailEnCours() {
    // A handler that only restores a cursor and a status text; an exception from it must not
    // escape a destructor that may run while another exception travels.
    try {
      agent_.Raise(agent_.AfterWork);
    } catch (...) {
    }
  }
  TravailEnCours(const TravailEnCours&) = delete;
  TravailEnCours& operator=(const TravailEnCours&) = delete;

private:
  const TCorvaneAgent& agent_;
};

template <class F>
auto TCorvaneAgent::Travail(F&& work) -> decltype(work()) {
  TravailEnCours travail(*this);
  return work();
}

void TCorvaneAgent::Poster(std::function<void()> work) {
  std::weak_ptr<bool> vivant = vivant_;
  loop_.post([vivant, work = std::move(work)] {
    if (!vivant.expired()) work();
  });
}

service::ICorvaneAgent& TCorvaneAgent::ProxyAgent() {
  if (!proxyAgent_)
    Travail([&] { proxyAgent_ = std::make_shared<service::CorvaneAgentProxy>(racineServeur_); });
  return *proxyAgent_;
}

service::ICorvaneGroupeAgent& TCorvaneAgent::ProxyGroupe() {
  if (!proxyGroupe_)
    Travail([&] { proxyGroupe_ = std::make_shared<service::CorvaneGroupeAgentProxy>(racineServeur_); });
  return *proxyGroupe_;
}

void TCorvaneAgent::SetProxies(std::shared_ptr<service::ICorvaneAgent> agent,
                               std::shared_ptr<service::ICorvaneGroupeAgent> groupe) {
  proxyAgent_ = std::move(agent);
  proxyGroupe_ = std::move(groupe);
}

void TCorvaneAgent::PublierInformations() {
  Informations infos;
  if (infosAgent_) infos.agent = std::make_shared<const service::TRemotableAgent>(*infosAgent_);
  if (infosGroupe_) infos.groupe = std::make_shared<const service::TRemotableGroupeAgent>(*infosGroupe_);
  infos.racineServeur = racineServeur_;
  std::lock_guard lock(snapshotMutex_);
  informations_ = std::move(infos);
}

TCorvaneAgent::Informations TCorvaneAgent::LireInformations() const {
  std::lock_guard lock(snapshotMutex_);
  return informations_;
}

// --- status ------------------------------------------------------------------------------------------

void TCorvaneAgent::SetIntervalRafraichissementStatus(int minutes) {
  intervalRafraichissement_ = minutes;
  rafraichissement_.setInterval(static_cast<uint32_t>(std::max(minutes, 0)) * 60000u);
}

void TCorvaneAgent::ModifierStatusService(TStatusAgent value) {
  Travail([&] { ProxyAgent().ModifierStatus(session_, value); });
}

void TCorvaneAgent::SetStatusAgent(TStatusAgent value) {
  if (chargement_) return;
  rafraichissement_.stop();
  auto finalement = [this] {
    rafraichissement_.setEnabled(status_ != TStatusAgent::saDeconnecte && connecte_);
  };
  try {
    ModifierStatusService(value);
    status_ = value;
    if (value != TStatusAgent::saDeconnecte) {
      try {
        OuvrirEcoute();
      } catch (const ECallsError&) {
        try {
          SetStatusAgent(TStatusAgent::saDeconnecte);
        } catch (...) {
        }
        throw;
      }
    } else {
      listener_.Deactivate();
    }
    Raise(OnStatusAgentChange);
    PublierAdresse();
  } catch (...) {
    finalement();
    throw;
  }
  finalement();
}

void TCorvaneAgent::OuvrirEcoute() {
  if (!infosAgent_) throw ENotLoggedIn("No agent is logged in");
  if (listener_.Active()) return;
  listener_.SetPort(infosAgent_->Port);
  listener_.Activate();
}

void TCorvaneAgent::RelierEcoute() {
  if (!infosAgent_ || listener_.Port() == infosAgent_->Port) return;
  const bool actif = listener_.Active();
  listener_.Deactivate();
  listener_.SetPort(infosAgent_->Port);
  if (!actif) return;
  try {
    listener_.Activate();
  } catch (const ECallsError&) {
    try {
      SetStatusAgent(TStatusAgent::saDeconnecte);
    } catch (...) {
    }
    throw;
  }
}

void TCorvaneAgent::PublierAdresse() {
  if (!infosAgent_ || !infosAgent_->AdresseIPAuto) return;
  const std::string url = AddressPublicationUrl(racineServeur_, session_);
  if (RequeteAdresse)
    RequeteAdresse(url);
  else
    PublishAddress(url);
}

void TCorvaneAgent::Rafraichir() {
  std::exception_ptr sessionInvalide;
  {
    TravailEnCours travail(*this);
    rafraichissement_.setInterval(static_cast<uint32_t>(std::max(intervalRafraichissement_, 0)) * 60000u);
    try {
      ProxyAgent().ModifierStatus(session_, status_);
      PublierAdresse();
    } catch (const service::ERemotableInvalideSession&) {
      sessionInvalide = std::current_exception();
    } catch (const std::exception&) {
      rafraichissement_.setInterval(kPeriodeReessai);
    }
  }
  // The application's handler re-opens the session (the ordinary retry does not apply); it runs
  // once the work is over, so the main window is not left busy while it asks for credentials.
  if (sessionInvalide && OnErreur) OnErreur(sessionInvalide);
}

// --- log-in and log-out ------------------------------------------------------------------------------

bool TCorvaneAgent::EssayerConnexion(const std::string& login, const std::string& password) {
  motDePasse_.clear();
  const std::string precedente = session_;
  std::exception_ptr erreur;
  {
    TravailEnCours travail(*this);
    try {
      const std::string nouvelle = ProxyAgent().LogIn(login, password);
      session_ = nouvelle;
      motDePasse_ = password;
      // Ending the previous session is clean-up: after a session expired (the usual reason to
      // log in again) the service refuses it, and that must not fail the new log-in.
      if (!precedente.empty() && precedente != nouvelle) {
        try {
          ProxyAgent().LogOut(precedente);
        } catch (const service::EServiceError&) {
        }
      }
    } catch (...) {
      erreur = std::current_exception();
    }
  }
  if (!erreur) return true;
  if (OnErreur) OnErreur(erreur);
  return false;
}

bool TCorvaneAgent::Connecter(IFournisseurAuthentification& fournisseur) {
  fournisseur.SetAuthentification(this);
  if (!fournisseur.Authentifier()) return false;
  RafraichirAgent();
  infosGroupe_.reset();
  infosGroupe_ = std::make_unique<service::TRemotableGroupeAgent>(ObtenirGroupe(infosAgent_->GroupeID));
  PublierInformations();
  connecte_ = true;
  Raise(OnLogIn);
  Raise(OnInfosProjetChange);
  SetStatusAgent(TStatusAgent::saDeconnecte);
  rafraichissement_.start();
  return true;
}

void TCorvaneAgent::Deconnecter() {
  if (!connecte_) return;
  rafraichissement_.stop();
  try {
    listener_.Deactivate();
  } catch (...) {
  }
  std::exception_ptr erreur;
  try {
    SetStatusAgent(TStatusAgent::saDeconnecte);
  } catch (...) {
    if (!IgnoreeALaDeconnexion(std::current_exception())) erreur = std::current_exception();
  }
  // Whatever the service answered, the agent takes no more calls from here on: the status is
  // disconnected locally and no refresh reports the old one again once the service is back.
  rafraichissement_.stop();
  if (status_ != TStatusAgent::saDeconnecte) {
    status_ = TStatusAgent::saDeconnecte;
    Raise(OnStatusAgentChange);
  }
  if (erreur) std::rethrow_exception(erreur);
  {
    TravailEnCours travail(*this);
    motDePasse_.clear();
    try {
      ProxyAgent().LogOut(session_);
    } catch (...) {
      if (!IgnoreeALaDeconnexion(std::current_exception())) throw;
    }
    infosAgent_.reset();
    infosGroupe_.reset();
    PublierInformations();
    Raise(OnInfosProjetChange);
  }
  connecte_ = false;
  Raise(OnLogOut);
}

void TCorvaneAgent::ChangerMotDePasse(const std::string& nouveau) {
  Travail([&] { ProxyAgent().ChangePassword(session_, std::string(), motDePasse_, nouveau); });
  motDePasse_ = nouveau;
}

void TCorvaneAgent::RafraichirAgent() {
  infosAgent_.reset();
  PublierInformations();
  infosAgent_ = std::make_unique<service::TRemotableAgent>(ObtenirAgent(std::string()));
  PublierInformations();
}

void TCorvaneAgent::EnregistrerAgent() {
  if (!infosAgent_) throw ENotLoggedIn("No agent is logged in");
  MettreAJourAgent(*infosAgent_);
}

// --- service wrappers --------------------------------------------------------------------------------

std::string TCorvaneAgent::AjouterUnAgent(const service::TRemotableAgent& Agent) {
  return Travail([&] { return ProxyAgent().AjouterUnAgent(session_, Agent); });
}

service::TRemotableAgents TCorvaneAgent::ListeAgents() {
  return Travail([&] { return ProxyAgent().ListeAgents(session_); });
}

service::TRemotableAgent TCorvaneAgent::ObtenirAgent(const std::string& AgentId) {
  return Travail([&] { return ProxyAgent().ObtenirAgent(session_, AgentId); });
}

void TCorvaneAgent::MettreAJourAgent(const service::TRemotableAgent& Agent) {
  Travail([&] { ProxyAgent().MettreAJourAgent(session_, Agent); });
  if (!infosAgent_ || Agent.AgentID != infosAgent_->AgentID) return;
  if (&Agent != infosAgent_.get()) CopierProprietes(Agent, *infosAgent_);
  PublierInformations();
  Raise(OnInfosProjetChange);
  RelierEcoute();
  PublierAdresse();
}

void TCorvaneAgent::SupprimerUnAgent(const std::string& AgentID) {
  Travail([&] { ProxyAgent().SupprimerUnAgent(session_, AgentID); });
}

service::TRemotableAssistances TCorvaneAgent::ListeAssistances(const service::TRemotableFiltre& Filtre) {
  return Travail([&] { return ProxyAgent().ListeAssistances(session_, Filtre); });
}

std::string TCorvaneAgent::AjouterUnClient(const service::TRemotableClient& Client) {
  return Travail([&] { return ProxyAgent().AjouterUnClient(session_, Client); });
}

service::TRemotableClient TCorvaneAgent::ObtenirClient(const std::string& ClientId) {
  return Travail([&] { return ProxyAgent().ObtenirClient(session_, ClientId); });
}

service::TRemotableClient TCorvaneAgent::ObtenirClientParIdentifiant(const std::string& GroupeID,
                                                                     const std::string& Identifiant) {
  return Travail([&] { return ProxyAgent().ObtenirClientParIdentifiant(session_, GroupeID, Identifiant); });
}

void TCorvaneAgent::MettreAJourClient(const service::TRemotableClient& Client) {
  Travail([&] { ProxyAgent().MettreAJourClient(session_, Client); });
}

void TCorvaneAgent::SupprimerUnClient(const std::string& ClientID) {
  Travail([&] { ProxyAgent().SupprimerUnClient(session_, ClientID); });
}

service::TRemotableClients TCorvaneAgent::ListeClients() {
  return Travail([&] { return ProxyAgent().ListeClients(session_); });
}

void TCorvaneAgent::CloturerAssistance(const std::string& assistanceId, const std::string& adresseIP,
                                       const std::string& rapport) {
  service::TRemotableClotureAssistance cloture;
  cloture.AssistanceID = assistanceId;
  cloture.ClientAdresseIP = adresseIP;
  cloture.ReponseDescription = rapport;
  Travail([&] { ProxyAgent().CloturerAssistance(session_, cloture); });
  Raise(OnHistoriqueChanged);
}

void TCorvaneAgent::ModifierGroupe(service::TRemotableGroupeAgent& Groupe) {
  Travail([&] { ProxyGroupe().ModifierGroupe(session_, Groupe); });
}

service::TRemotableGroupeAgent TCorvaneAgent::ObtenirGroupe(const std::string& GroupeID) {
  return Travail([&] { return ProxyGroupe().ObtenirGroupe(session_, GroupeID); });
}

// --- session windows and dialogs ---------------------------------------------------------------------

void TCorvaneAgent::FermerSessions() {
  const std::vector<std::shared_ptr<IFenetreSession>> copie = sessions_;
  for (auto it = copie.rbegin(); it != copie.rend(); ++it) (*it)->DemanderFermeture();
}

bool TCorvaneAgent::SessionActive() const {
  return std::any_of(sessions_.begin(), sessions_.end(),
                     [](const std::shared_ptr<IFenetreSession>& s) { return s->EstActive(); });
}

void TCorvaneAgent::SetReouvertureEnCours(bool value) {
  for (const auto& s : sessions_) s->SetReouvertureEnCours(value);
}

std::shared_ptr<IFenetreSession> TCorvaneAgent::CreerFenetreSession() {
  if (!FabriqueFenetreSession) return nullptr;
  std::shared_ptr<IFenetreSession> window = FabriqueFenetreSession(*this);
  if (window) sessions_.push_back(window);
  return window;
}

void TCorvaneAgent::DetruireFenetreSession(const std::shared_ptr<IFenetreSession>& window) {
  RetirerFenetreSession(window.get());
}

void TCorvaneAgent::LibererFenetreSession(IFenetreSession* window) {
  if (!sessionsLiberees_.insert(window).second) return;
  try {
    window->ArreterEcoute();
  } catch (...) {
  }
  Poster([this, window] { RetirerFenetreSession(window); });
}

void TCorvaneAgent::RetirerFenetreSession(IFenetreSession* window) {
  auto it = std::find_if(sessions_.begin(), sessions_.end(),
                         [window](const std::shared_ptr<IFenetreSession>& s) { return s.get() == window; });
  sessionsLiberees_.erase(window);
  if (it == sessions_.end()) return;
  std::shared_ptr<IFenetreSession> retiree = std::move(*it);
  sessions_.erase(it);
  const int etat = retiree->EtatConnexion();
  retiree.reset();
  // The last session window that got connected went away: the agent is available again.
  if (sessions_.empty() && etat != 0) {
    try {
      SetStatusAgent(TStatusAgent::saDisponible);
    } catch (...) {
    }
  }
}

int TCorvaneAgent::AppelsEnSonnerie() const {
  int count = 0;
  for (const auto& s : sessions_)
    if (!s->Visible() && !sessionsLiberees_.count(s.get())) ++count;
  return count;
}

std::shared_ptr<TFrmAppelClientModel> TCorvaneAgent::CreerFenetreAppel() {
  auto dialog = std::make_shared<TFrmAppelClientModel>(loop_, RepertoireProgramme);
  dialog->OnLiberer = [this](TFrmAppelClientModel& d) { LibererFenetreAppel(&d); };
  // A caller that stopped polling is gone: its call ends here, freeing the prepared window's port.
  dialog->OnAbandon = [this](TFrmAppelClientModel& d) { contextes_.Abandonner(&d); };
  dialogs_.push_back(dialog);
  if (OnFenetreAppelCreee) OnFenetreAppelCreee(*dialog);
  return dialog;
}

void TCorvaneAgent::LibererFenetreAppel(TFrmAppelClientModel* dialog) {
  Poster([this, dialog] {
    auto it = std::find_if(dialogs_.begin(), dialogs_.end(),
                           [dialog](const std::shared_ptr<TFrmAppelClientModel>& d) { return d.get() == dialog; });
    if (it == dialogs_.end()) return;
    std::shared_ptr<TFrmAppelClientModel> retire = std::move(*it);
    dialogs_.erase(it);
  });
}

void TCorvaneAgent::AvertirPortsOccupes() {
  if (avertissementAffiche_) return;
  avertissementAffiche_ = true;
  try {
    if (OnAvertissement)
      OnAvertissement(base::Tr("Call received, but all ports busy"),
                      base::Tr("All ports you defined for assistance are busy.") + "\n" +
                          base::Tr("You're not able to assist (be carefull to not define only 1 port "
                                   "for assistance : about 5 would be more secure)."));
  } catch (...) {
    avertissementAffiche_ = false;
    throw;
  }
  avertissementAffiche_ = false;
}

void TCorvaneAgent::RelancerRetardateurHistorique() {
  historique_.OnChangement = [this] { Raise(OnHistoriqueChanged); };
  historique_.Changement();
}

void TCorvaneAgent::SignalerAppelSessionInvalide() {
  Poster([this] { Raise(OnContactedButInvalidSession); });
}

}  // namespace corvane::calls
