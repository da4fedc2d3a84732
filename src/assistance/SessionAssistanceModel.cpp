#include "assistance/SessionAssistanceModel.h"

#include <algorithm>

#include "assistance/PortsAssistance.h"
#include "assistance/SessionLimits.h"
#include "assistance/SessionTexts.h"
#include "base/Format.h"
#include "base/Translate.h"
#include "session/FileTransfertError.h"
#include "session/ServerSpeakingFileTransfert.h"

namespace corvane::assistance {

namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::vector<std::string> Lignes(const std::string& texte) {
  std::vector<std::string> lignes;
  size_t start = 0;
  for (;;) {
    const size_t nl = texte.find('\n', start);
    std::string ligne = texte.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!ligne.empty() && ligne.back() == '\r') ligne.pop_back();
    lignes.push_back(std::move(ligne));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lignes;
}

}  // namespace

TFrmInstanceCorvaneAgentModel::TFrmInstanceCorvaneAgentModel(base::MainLoop& loop, calls::TCorvaneAgent& agent)
    : loop_(loop),
      agent_(agent),
      serveur_(loop),
      timerConnexion_(loop, kPeriodeTimerConnexion),
      timerHorloge_(loop, kPeriodeTimerHorloge),
      timerDeconnexion_(loop, kPeriodeDeconnexion),
      timerLeds_(loop, kPeriodeTimerLeds),
      planificateur_(
          loop, [this] { return EnvoisOuverts(); },
          [this](const TScheduledTransfert& t) { EnvoyerFichier(t.Fichier, t.Repertoire); }) {
  Creer();
}

void TFrmInstanceCorvaneAgentModel::Creer() {
  // Creation order decides which component a connection announcing a channel binds to.
  DADScreen_ = new session::TOLAIdServerScreen(&racine_, loop_);
  DADCursor_ = new session::TOLAIdServerCursor(&racine_, loop_);
  DADSpeakingInputs_ = new session::TOLAIdServerSpeakingInputs(&racine_, loop_);
  DADClipboard_ = new session::TOLAIdServerClipboard(&racine_, loop_);
  DADSpeakingClipboard_ = new session::TOLAIdServerSpeakingClipboard(&racine_, loop_);
  DADChat_ = new session::TOLAIdServerChat(&racine_, loop_);
  DADSpeakingChat_ = new session::TOLAIdServerSpeakingChat(&racine_, loop_);
  DADCommands_ = new session::TOLAIdServerCommands(&racine_, loop_);
  DADSpeakingCommands_ = new session::TOLAIdServerSpeakingCommands(&racine_, loop_);
  DADFileTransfert_ = new session::TOLAIdServerFileTransfertManager(&racine_, loop_);
  DADSpeakingFileTransfert_ = new session::TOLAIdServerSpeakingFileTransfertManager(&racine_, loop_);
  canaux_ = {DADScreen_,   DADCursor_,          DADSpeakingInputs_, DADClipboard_,
             DADSpeakingClipboard_, DADChat_,    DADSpeakingChat_,   DADCommands_,
             DADSpeakingCommands_,  DADFileTransfert_, DADSpeakingFileTransfert_};
  DADSpeakingClipboard_->SetServerClipBoardReceiver(DADClipboard_);

  DADCommands_->OnCommand = [this](session::TOLAServerCommands&, const std::string& c) {
    if (c == ".") ClientDeconnecte();
  };
  DADChat_->OnMessageChat = [this](session::TOLAServerChat&, const std::string& m) { MessageChat(m); };
  BrancherEcran();
  // Incoming files are accepted exactly while the session runs (connection thread).
  DADFileTransfert_->OnAccept = [this](session::TOLAServerFileTransfertManager&, bool& accept) {
    accept = etat_.load() == 2;
  };
  DADSpeakingFileTransfert_->OnAccept = [this](session::TOLAServerSpeakingFileTransfertManager&,
                                               const std::string& fichier, const std::string& repertoire,
                                               bool& accept) { AccepterEnvoi(fichier, repertoire, accept); };
  DADSpeakingFileTransfert_->OnConfig = [this](session::TOLABaseComponent&, session::TOLAAuthorizedEndOperations& a) {
    a = autorisations_.load();
  };
  // Every report goes to the transfers window's line of that transfer; stopping it is only ever
  // asked while its own report runs, when it surely exists.
  auto progression = [this](session::TOLABaseComponent& sender, const session::TOLAFileTransfertProgressInfos& infos) {
    transferts_->Rapport(&sender, infos, [&sender] { sender.Disconnect(); });
  };
  DADFileTransfert_->OnProgress = progression;
  DADSpeakingFileTransfert_->OnProgress = progression;

  timerConnexion_.onTimer = [this] { TickConnexion(); };
  timerHorloge_.onTimer = [this] { TickHorloge(); };
  timerDeconnexion_.onTimer = [this] { TickDeconnexion(); };
  timerLeds_.onTimer = [this] { TickLeds(); };
  planificateur_.OnEchec = [this](const TScheduledTransfert& t, std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const session::EFileTransfertError& e) {
      if (OnAvertissement)
        OnAvertissement(t.Repertoire.empty() ? base::Tr("Can't send file") : base::Tr("Can't send directory"),
                        e.what());
    } catch (...) {
      ReporterErreur(std::current_exception());
    }
  };

  connexionsServeur_ = std::make_unique<SessionConnexions>(
      racine_, std::set<const session::TOLACustomServer*>(canaux_.begin(), canaux_.end()),
      [this](SessionConnexions::Evenement e, SessionConnexions::Genre g, const void* c) { Notifier(e, g, c); });
  connexionsServeur_->Brancher(serveur_);
  transferts_ = std::make_unique<TFrmToolFileTransfertModel>(*this);
  transferts_->OnLigneCreee.Subscribe([this](TFrmTransfertProgressionModel& l) { OnLigneTransfertCreee(l); });
  RafraichirBanniere();
}

void TFrmInstanceCorvaneAgentModel::BrancherEcran() {
  DADScreen_->OnScreenDimensionsChange = [this](session::TOLAServerScreen&, int32_t w, int32_t h) {
    OnDimensionsEcran(w, h);
  };
  DADScreen_->OnGraphicUpdate = [this](session::TOLAServerScreen&, const session::Image& image, uint16_t x, uint16_t y) {
    if (etat_.load() == 2) OnImage(image, x, y);
  };
  DADScreen_->OnCopyRectUpdate = [this](session::TOLAServerScreen&, const session::TRect& src, const session::TRect& dest) {
    if (etat_.load() == 2) OnCopieRectangle(src, dest);
  };
  DADScreen_->OnFrameUpdateEnd = [this](session::TOLAServerScreen& screen) {
    if (etat_.load() == 2 && screen.Active()) {
      couches_[VertHaut] = true;
      dernierEcran_ = loop_.tickCount();
      Voyants();
    }
    OnFinImage();
  };
  DADScreen_->OnOptionsChanged = [this](session::TOLAServerScreen&) { OnOptionsEcranChangees(); };
  DADCursor_->OnCursorImageChange = [this](session::TOLAServerCursor& cursor) {
    const session::Image* image = cursor.CursorImage();
    if (etat_.load() == 2 && image) OnCurseurImage(*image, cursor.HotSpot());
  };
  DADCursor_->OnCursorImagePosChange = [this](session::TOLAServerCursor&, int32_t left, int32_t top) {
    if (etat_.load() == 2) OnCurseurPosition(left, top);
  };
}

TFrmInstanceCorvaneAgentModel::~TFrmInstanceCorvaneAgentModel() {
  vivant_.reset();
  timerConnexion_.stop();
  timerHorloge_.stop();
  timerDeconnexion_.stop();
  timerLeds_.stop();
  planificateur_.Arreter();
  // No connection thread may wait for the main thread any more, then every one is joined before
  // the channel components go; every packing thread is joined before its list goes.
  ArreterEcoute();
  threads_.StopAll();
}

// --- opening ------------------------------------------------------------------------------------------

bool TFrmInstanceCorvaneAgentModel::OuvrirPortAssistance(int& port) {
  const service::TRemotableAgent* infos = agent_.InfosAgent();
  if (!infos) return false;
  for (int candidat : CandidatsPortsAssistance(infos->Ports, infos->Port)) {
    serveur_.SetActive(false);
    serveur_.SetBinding(hote_, static_cast<uint16_t>(candidat));
    try {
      serveur_.SetActive(true);
    } catch (const session::SocketBindError&) {
    }
    if (serveur_.Active()) {
      portOuvert_ = port = serveur_.Port();
      return true;
    }
  }
  return false;
}

void TFrmInstanceCorvaneAgentModel::ArreterEcoute() {
  timerConnexion_.stop();
  timerDeconnexion_.stop();
  timerLeds_.stop();
  CouperSynchronisation();
  serveur_.SetActive(false);
}

void TFrmInstanceCorvaneAgentModel::CouperSynchronisation() {
  // Under the components' lock from the collection to the last call: a per-transfer channel is
  // destroyed on its own connection thread, which removes it under that lock, so none of the
  // collected components can go meanwhile.
  const auto verrou = racine_.LockComponents();
  std::vector<session::TOLACustomServer*> tous;
  racine_.ForEachComponent([&](session::TComponent& c) {
    if (auto* s = dynamic_cast<session::TOLACustomServer*>(&c)) tous.push_back(s);
  });
  for (auto it = tous.rbegin(); it != tous.rend(); ++it) (*it)->SetSynchronizeEvents(false);
}

void TFrmInstanceCorvaneAgentModel::ActiverServeur() {
  if (!serveur_.Active()) serveur_.SetActive(true);
}

void TFrmInstanceCorvaneAgentModel::Afficher() {
  visible_ = true;
  RafraichirBanniere();
  try {
    agent_.SetStatusAgent(service::TStatusAgent::saOccupe);
  } catch (...) {
    // The session goes on; the agent sees why the status could not be set. The box is posted:
    // this runs inside the customer's start request, whose answer must not wait for the agent
    // to dismiss a modal box.
    std::weak_ptr<bool> vivant = vivantFaible_;
    loop_.post([this, vivant, erreur = std::current_exception()] {
      if (!vivant.expired()) ReporterErreur(erreur);
    });
  }
  actInitierCloture_ = true;
  RemplirAffichageClient();
  debut_ = std::chrono::system_clock::now();
  timerHorloge_.start();
  debutTick_ = loop_.tickCount();
  if (etat_.load() < 2) timerConnexion_.start();
  if (OnAfficher) OnAfficher();
  OnActionsChange();
  OnEtatChange(etat_.load());
}

void TFrmInstanceCorvaneAgentModel::RemplirAffichageClient() {
  lignesClient_.clear();
  std::string nom;
  if (client_.TypeClient == 1) {
    lignesClient_ = {{"Client", "Connu"},
                     {"Identifiant", client_.Identifiant},
                     {"Nom", client_.Nom},
                     {"Prénom", client_.Prenom},
                     {"Email", "mailto:" + client_.EMail}};
    texteIdentifiant_ = client_.Identifiant;
    aideIdentifiant_ = base::Tr("Change client ID") + " : " + client_.Identifiant;
    nom = Trim(client_.Prenom + " " + client_.Nom);
  } else {
    lignesClient_ = {{"Client", "Inconnu"}, {"Nom", client_.Nom}, {"Email", "mailto:" + client_.EMail}};
    texteIdentifiant_ = base::Tr("(no ID)");
    aideIdentifiant_ = base::Tr("Change client ID");
    nom = client_.Nom;
  }
  lignesClient_.push_back({"Adresse IP", client_.AdresseIP});
  lignesClient_.push_back({"Port", std::to_string(Port())});
  lignesClient_.push_back({"Description", description_});
  caption_ = base::Format("[%s] Assistance : %s", {assistanceID_, nom});
  OnPanneauClientChange();
}

void TFrmInstanceCorvaneAgentModel::AppliquerIdentification() {
  RemplirAffichageClient();
  DADSpeakingCommands_->SendCommand("NEWID" + client_.Identifiant);
}

void TFrmInstanceCorvaneAgentModel::SelectionnerIdentifiant() {
  if (agent_.OnSelectClientId) agent_.OnSelectClientId(*this);
}

// --- state --------------------------------------------------------------------------------------------

std::string TFrmInstanceCorvaneAgentModel::TexteBanniere() const { return assistance::TexteBanniere(etat_.load()); }

void TFrmInstanceCorvaneAgentModel::ReporterErreur(std::exception_ptr error) {
  if (agent_.OnErreur) agent_.OnErreur(error);
}

void TFrmInstanceCorvaneAgentModel::CacherCouches() { std::fill(std::begin(couches_), std::end(couches_), false); }

void TFrmInstanceCorvaneAgentModel::Animer() {
  couches_[VertHaut] = false;
  couches_[RougeBas] = false;
  phaseJaune_ = !phaseJaune_;
  couches_[JauneHaut] = phaseJaune_;
  couches_[JauneBas] = !phaseJaune_;
}

void TFrmInstanceCorvaneAgentModel::RafraichirBanniere() {
  if (etat_.load() != 2) {
    Animer();
    Voyants();
  }
}

void TFrmInstanceCorvaneAgentModel::SetEtat(int etat) {
  etat_ = etat;
  timerLeds_.setEnabled(etat == 2);
  if (etat >= 2) timerConnexion_.stop();
  if (etat >= 3 && etat <= 6) {
    if (!timerDeconnexion_.enabled()) {
      timerDeconnexion_.setInterval(kPeriodeDeconnexion);
      timerDeconnexion_.start();
    }
  } else {
    timerDeconnexion_.stop();
  }
  RafraichirBanniere();
  if (etat == 0 || etat == 2 || etat == 7) CacherCouches();
  if (etat == 2) {
    DADScreen_->RequestOptions();
    MettreAJourEcranActif();
    couches_[BleuBas] = !controle_;
    std::vector<std::string> enAttente;
    enAttente.swap(chatEnAttente_);
    for (const std::string& texte : enAttente) AjouterChatClient(texte);
  } else if (etat != 1) {
    chatEnAttente_.clear();  // the session ended, or never ran
  }
  Voyants();
  OnEtatChange(etat);
}

// --- connections (posted from connection threads) ------------------------------------------------------

void TFrmInstanceCorvaneAgentModel::Notifier(SessionConnexions::Evenement evenement, SessionConnexions::Genre genre,
                                             const void* canal) {
  std::weak_ptr<bool> vivant = vivantFaible_;
  auto enAttente = enAttente_;
  ++*enAttente;
  loop_.post([this, vivant, enAttente, evenement, genre, canal] {
    --*enAttente;
    if (!vivant.expired()) Evenement(evenement, genre, canal);
  });
}

void TFrmInstanceCorvaneAgentModel::Evenement(SessionConnexions::Evenement evenement, SessionConnexions::Genre genre,
                                              const void* canal) {
  using E = SessionConnexions::Evenement;
  using G = SessionConnexions::Genre;
  // Served while the closing window stops its server: the state stays as the window left it.
  if (ferme_) return;
  switch (evenement) {
    case E::Connexion:
      ++connexions_;
      break;
    case E::Liaison:
      if (genre != G::Principal) break;
      ++canauxLies_;
      if (etat_.load() == 0) SetEtat(1);
      if (canauxLies_ == kNbreCanaux && etat_.load() <= 1) SetEtat(2);
      break;
    case E::Fermeture:
      ++deconnexions_;
      if ((genre == G::TransfertRecu || genre == G::TransfertEnvoye) && canal) transferts_->CanalFerme(canal);
      if (genre == G::TransfertRecu) OnAttention(Outil::Transferts);
      if (genre != G::Principal) break;
      --canauxLies_;
      if (clotureDemandee_) break;
      // A bound channel component lost: the session cannot run (or go on) without it.
      timerHorloge_.stop();
      if (etat_.load() == 2) SetEtat(3);
      break;
  }
}

// --- timers -------------------------------------------------------------------------------------------

uint64_t TFrmInstanceCorvaneAgentModel::Ecoule() const {
  return static_cast<uint32_t>(loop_.tickCount() - debutTick_);
}

void TFrmInstanceCorvaneAgentModel::MettreAJourDuree() {
  texteDuree_ = assistance::TexteDuree(Ecoule());
  OnDureeChange();
}

void TFrmInstanceCorvaneAgentModel::TickHorloge() { MettreAJourDuree(); }

void TFrmInstanceCorvaneAgentModel::TickConnexion() {
  const int etat = etat_.load();
  if (etat > 1) {
    timerConnexion_.stop();
    return;
  }
  Animer();
  Voyants();
  if (Ecoule() < kDelaiConnexion) return;
  timerConnexion_.stop();
  serveur_.SetActive(false);
  SetEtat(0);
  std::string texte = base::Tr("Connecting time out raised. Assistance establishment failed.") + "\n";
  if (etat == 0)
    texte += base::Format(base::Tr("All client connections are probably blocked by client or agent firewall, or "
                                   "port %d is not open in your network configuration"),
                          {portOuvert_});
  else
    texte += base::Tr("Some wanted client connections are probably blocked by client or agent firewall.");
  if (OnErreur) OnErreur(texte);
}

void TFrmInstanceCorvaneAgentModel::TickDeconnexion() {
  switch (etat_.load()) {
    case 3:
      SetEtat(4);
      transferts_->ArreterTout();
      try {
        DADSpeakingCommands_->SendCommand(".");
      } catch (const std::exception&) {
        // The customer's end may already be gone; the sequence goes on.
      }
      break;
    case 4:
      SetEtat(5);
      timerDeconnexion_.setInterval(kPeriodeDeconnexionRapide);
      break;
    case 5: {
      CouperSynchronisation();
      // Hand-overs that connection threads queued before they saw the switch run now.
      loop_.runHandOvers();
      if (enAttente_->load() > 0) {
        Animer();
        Voyants();
        break;
      }
      transferts_->MarquerInterrompus();
      OnTransfertsInterrompus();
      SetEtat(6);
      serveur_.SetActive(false);
      break;
    }
    case 6:
      if (serveur_.ConnectionCount() > 0) {
        Animer();
        Voyants();
        break;
      }
      SetEtat(7);
      if (!clotureDemandee_) {
        if (OnPremierPlan) OnPremierPlan();
        if (OnAvertissement)
          OnAvertissement(base::Tr("Network technical difficulties"),
                          base::Tr("This assistance session has been suddenly terminated because of network "
                                   "or distant computer technical difficulties."));
      }
      if (!actInitierCloture_) DemanderFermeture();
      break;
    default:
      timerDeconnexion_.stop();
  }
}

void TFrmInstanceCorvaneAgentModel::TickLeds() {
  const uint32_t now = loop_.tickCount();
  if (couches_[VertHaut] && static_cast<uint32_t>(now - dernierEcran_) > kExtinctionEcran) couches_[VertHaut] = false;
  if (couches_[RougeBas] && static_cast<uint32_t>(now - derniereEntree_) > kExtinctionEntree) couches_[RougeBas] = false;
  phaseBleue_ = !phaseBleue_;
  couches_[BleuHaut] = voirEcran_ ? !DADScreen_->Active() : phaseBleue_;
  couches_[BleuBas] = controle_ ? false : phaseBleue_;
  Voyants();
}

// --- closing ------------------------------------------------------------------------------------------

void TFrmInstanceCorvaneAgentModel::InitierCloture() {
  if (!actInitierCloture_) return;
  actInitierCloture_ = false;
  OnActionsChange();
  clotureDemandee_ = true;
  timerHorloge_.stop();
  if (etat_.load() == 2) SetEtat(3);
  MettreAJourDuree();
  CloturerSurServeur();
}

void TFrmInstanceCorvaneAgentModel::CloturerSurServeur() {
  try {
    agent_.CloturerAssistance(assistanceID_, client_.AdresseIP, rapport_);
  } catch (...) {
    // The report did not reach the service: Terminate stays available to send it again, and the
    // window does not close by itself.
    actInitierCloture_ = true;
    OnActionsChange();
    ReporterErreur(std::current_exception());
    return;
  }
  DemanderFermeture();
}

void TFrmInstanceCorvaneAgentModel::ClientDeconnecte() {
  caption_ += " " + base::Format(base::Tr("Client disconnected at %s"), {HeureLocale()});
  AjouterLigneRapport(base::Tr("Connexion time") + " : " + assistance::TexteDuree(Ecoule()));
  clotureDemandee_ = true;
  timerHorloge_.stop();
  if (etat_.load() == 2) SetEtat(3);
  OnPanneauClientChange();
}

void TFrmInstanceCorvaneAgentModel::AjouterLigneRapport(const std::string& ligne) {
  // A line of its own, also after text typed without a final line break.
  if (!rapport_.empty() && rapport_.back() != '\n') rapport_ += "\r\n";
  rapport_ += ligne + "\r\n";
  OnLigneRapport(ligne);
}

bool TFrmInstanceCorvaneAgentModel::DemanderFermeture() {
  if (ferme_) return true;
  if (etat_.load() > 1) InitierCloture();
  if (ferme_) return true;  // closed by the closing just run
  const int etat = etat_.load();
  if ((etat != 0 && etat != 7) || reouvertureEnCours_) return false;
  Fermer();
  return true;
}

void TFrmInstanceCorvaneAgentModel::Fermer() {
  ferme_ = true;
  visible_ = false;
  timerConnexion_.stop();
  timerHorloge_.stop();
  timerLeds_.stop();
  timerDeconnexion_.stop();
  planificateur_.Arreter();
  // Everything that could still reach the window ends before it is told to close: the server
  // stops (its connection threads are joined while their hand-overs are served), the packing
  // threads are joined, and connection events still posted are dropped.
  ArreterEcoute();
  threads_.StopAll();
  vivant_.reset();
  if (OnFermer) OnFermer();
  agent_.LibererFenetreSession(this);
}

// --- chat, options ------------------------------------------------------------------------------------

void TFrmInstanceCorvaneAgentModel::MessageChat(const std::string& texte) {
  const int etat = etat_.load();
  // A line the customer sent right after connecting can come before the session counts as
  // running: its channel's binding, or another channel's, is posted by a connection thread and
  // may reach the main thread after this line. It waits for the session instead of being lost.
  if (etat < 2) {
    if (chatEnAttente_.size() < kMaxChatEnAttente) chatEnAttente_.push_back(texte);
    return;
  }
  if (etat == 2) AjouterChatClient(texte);
}

void TFrmInstanceCorvaneAgentModel::AjouterChatClient(const std::string& texte) {
  try {
    if (!Trim(texte).empty()) {
      journalChat_.push_back({false, texte});
      OnLigneChat(journalChat_.back());
    }
    OnAttention(Outil::Chat);
  } catch (...) {
  }
}

bool TFrmInstanceCorvaneAgentModel::EnvoyerChat(const std::string& texte) {
  if (Trim(texte).empty()) return false;
  journalChat_.push_back({true, texte});
  OnLigneChat(journalChat_.back());
  if (etat_.load() != 2) return false;
  std::vector<std::string> lignes = Lignes(texte);
  DADSpeakingChat_->SendLines(lignes, true);
  return lignes.empty();
}

void TFrmInstanceCorvaneAgentModel::MettreAJourEcranActif() {
  if (etat_.load() != 2) return;
  DADScreen_->SetActive(voirEcran_ && !minimisee_);
  couches_[BleuHaut] = !DADScreen_->Active();
}

void TFrmInstanceCorvaneAgentModel::SetVoirEcranDistant(bool value) {
  if (value == voirEcran_) return;
  voirEcran_ = value;
  MettreAJourEcranActif();
  OnOptionsChange();
  Voyants();
}

void TFrmInstanceCorvaneAgentModel::SetFenetreMinimisee(bool value) {
  if (value == minimisee_) return;
  minimisee_ = value;
  MettreAJourEcranActif();
  Voyants();
}

void TFrmInstanceCorvaneAgentModel::SetControleClavierSouris(bool value) {
  if (value == controle_) return;
  controle_ = value;
  couches_[BleuBas] = !value;
  OnOptionsChange();
  Voyants();
}

void TFrmInstanceCorvaneAgentModel::SignalerEntreeEnvoyee() {
  derniereEntree_ = loop_.tickCount();
  if (etat_.load() == 2 && !couches_[RougeBas]) {
    couches_[RougeBas] = true;
    Voyants();
  }
}

bool TFrmInstanceCorvaneAgentModel::EntreePermise() const { return etat_.load() == 2 && controle_; }

bool TFrmInstanceCorvaneAgentModel::EntreeSourisBas(session::TMouseButton bouton, int32_t x, int32_t y) {
  if (!EntreePermise()) return false;
  DADSpeakingInputs_->MouseDown(bouton, x, y);
  SignalerEntreeEnvoyee();
  return true;
}

bool TFrmInstanceCorvaneAgentModel::EntreeSourisHaut(session::TMouseButton bouton, int32_t x, int32_t y) {
  if (!EntreePermise()) return false;
  DADSpeakingInputs_->MouseUp(bouton, x, y);
  SignalerEntreeEnvoyee();
  return true;
}

bool TFrmInstanceCorvaneAgentModel::EntreeSourisDeplacee(int32_t x, int32_t y) {
  if (!EntreePermise()) return false;
  DADSpeakingInputs_->MouseMove(x, y);
  SignalerEntreeEnvoyee();
  return true;
}

bool TFrmInstanceCorvaneAgentModel::EntreeMolette(int32_t delta, int32_t x, int32_t y) {
  if (!EntreePermise()) return false;
  DADSpeakingInputs_->MouseWheel(delta, x, y);
  SignalerEntreeEnvoyee();
  return true;
}

bool TFrmInstanceCorvaneAgentModel::EntreeToucheBas(uint16_t vk, const session::TKeyboardState& etat) {
  if (!EntreePermise()) return false;
  DADSpeakingInputs_->KeyDown(vk, etat);
  SignalerEntreeEnvoyee();
  return true;
}

bool TFrmInstanceCorvaneAgentModel::EntreeToucheHaut(uint16_t vk, const session::TKeyboardState& etat) {
  if (!EntreePermise()) return false;
  DADSpeakingInputs_->KeyUp(vk, etat);
  SignalerEntreeEnvoyee();
  return true;
}

// --- transfers ----------------------------------------------------------------------------------------

int TFrmInstanceCorvaneAgentModel::EnvoisOuverts() const {
  int count = 0;
  racine_.ForEachComponent([&](session::TComponent& c) {
    count += dynamic_cast<session::TOLAServerSpeakingFileTransfert*>(&c) != nullptr;
  });
  return count;
}

void TFrmInstanceCorvaneAgentModel::AccepterEnvoi(const std::string& fichier, const std::string& repertoire,
                                                  bool& accept) {
  accept = false;
  if (etat_.load() != 2) return;
  if (EnvoisOuverts() < kMaxEnvoisOuverts)
    accept = true;
  else
    planificateur_.Ajouter(fichier, repertoire);
}

void TFrmInstanceCorvaneAgentModel::EnvoyerFichier(const std::string& fichier, const std::string& repertoire) {
  DADSpeakingFileTransfert_->SendFile(fichier, repertoire);
}

void TFrmInstanceCorvaneAgentModel::DemarrerCompression(
    TCompressionDecompressionThread::Mode mode, const std::string& source, const std::string& destination,
    std::function<void(bool interrompu, const std::string& erreur)> fin) {
  // Frees itself when done; the list holds it until then, and the closing joins it.
  auto* thread = new TCompressionDecompressionThread(loop_, mode, source, destination, &threads_);
  std::weak_ptr<bool> vivant = vivantFaible_;
  thread->OnTerminate = [vivant, fin = std::move(fin)](TCompressionDecompressionThread& t) {
    if (!vivant.expired() && fin) fin(t.Aborted(), t.ErrorMessage());
  };
  OnCompression(*thread);
  thread->Start();
}

// --- factory ------------------------------------------------------------------------------------------

void InstallerFabriqueSessions(calls::TCorvaneAgent& agent, base::MainLoop& loop,
                               std::function<void(TFrmInstanceCorvaneAgentModel&)> created, std::string host) {
  agent.FabriqueFenetreSession = [&loop, created = std::move(created), host = std::move(host)](
                                     calls::TCorvaneAgent& owner) -> std::shared_ptr<calls::IFenetreSession> {
    auto model = std::make_shared<TFrmInstanceCorvaneAgentModel>(loop, owner);
    model->SetHote(host);
    if (created) created(*model);
    return model;
  };
}

}  // namespace corvane::assistance
