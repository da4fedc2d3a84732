#pragma once
// The logic of one assistance-session window, TFrmInstanceCorvaneAgent: its TCP server on a free
// assistance port with the eleven channel components, the connection state 0 to 7 with its banner,
// the 25 s connection watch, the duration clock, the closing (by the agent, by the customer's ".",
// or lost), the disconnection sequence, chat, the customer display and identification, the
// indicator lamps, the agent's inputs, and the rules of file transfers (12 outgoing at most, the
// rest scheduled) with the transfers window's model and the packing threads, which it owns and
// joins. A window binds to it: it subscribes to the notifications it shows, forwards the agent's
// actions and opens the boxes it is asked to. The screen and cursor channels' events come through
// the model too (their callbacks are the model's).
//
// The report belongs here: the report window writes its text through (SetRapport) on every
// change, so the closing sends exactly what the agent typed last, however the session ends.
//
// The session runs once the eleven channel components are bound (not on a raw count of
// connections), and only the loss of a bound channel component is a lost session: a stray,
// duplicate or per-transfer connection never changes the state.
//
// Threads: everything here runs on the main thread, except the TCP server's connection threads:
// they bind connections (SessionConnexions) and post each connection, binding and closing to the
// main thread, where the counters and the state change in the order posted; the receiving
// transfer manager's OnAccept and the sending transfers' OnConfig run on connection threads and
// read only etat_ and autorisations_ (atomics).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "assistance/CompressionThreadList.h"
#include "assistance/PlanificateurTransferts.h"
#include "assistance/SessionConnexions.h"
#include "assistance/TransfertsModel.h"
#include "base/MainLoop.h"
#include "base/Notification.h"
#include "base/Timer.h"
#include "calls/CorvaneAgent.h"
#include "calls/FenetreSession.h"
#include "session/ChatChannels.h"
#include "session/ClipboardChannels.h"
#include "session/CommandChannels.h"
#include "session/Component.h"
#include "session/CursorChannel.h"
#include "session/FileTransfertEvents.h"
#include "session/InputChannel.h"
#include "session/ScreenChannel.h"
#include "session/ServerFileTransfertManager.h"
#include "session/ServerSpeakingFileTransfertManager.h"
#include "session/TcpServer.h"

namespace corvane::assistance {

class TFrmInstanceCorvaneAgentModel final : public calls::IFenetreSession, public ISessionTransferts {
public:
  // The four tool windows, by their task-bar tag.
  enum class Outil { Options = 0, Chat = 1, Transferts = 2, Rapport = 3 };
  // The indicator's six layers.
  enum Couche { VertHaut = 0, BleuHaut, JauneHaut, RougeBas, BleuBas, JauneBas, NbCouches };
  struct LigneChat {
    bool deLAgent;
    std::string texte;
  };
  struct LigneClient {
    std::string libelle;
    std::string valeur;
  };

  TFrmInstanceCorvaneAgentModel(base::MainLoop& loop, calls::TCorvaneAgent& agent);
  ~TFrmInstanceCorvaneAgentModel() override;
  TFrmInstanceCorvaneAgentModel(const TFrmInstanceCorvaneAgentModel&) = delete;
  TFrmInstanceCorvaneAgentModel& operator=(const TFrmInstanceCorvaneAgentModel&) = delete;

  // The address the TCP server listens on (all interfaces unless set).
  void SetHote(std::string host) { hote_ = std::move(host); }

  // --- what the call context uses ---
  bool OuvrirPortAssistance(int& port) override;
  void ActiverServeur() override;
  void SetAssistanceID(const std::string& id) override { assistanceID_ = id; }
  void SetClient(const calls::TInfosClient& client) override { client_ = client; }
  void SetDescription(const std::string& description) override { description_ = description; }
  void Afficher() override;
  bool Visible() const override { return visible_; }
  int EtatConnexion() const override { return etat_.load(); }
  bool DemanderFermeture() override;
  bool EstActive() const override { return active_; }
  void SetReouvertureEnCours(bool value) override { reouvertureEnCours_ = value; }
  void ArreterEcoute() override;

  // --- the agent's actions ---
  void InitierCloture();                                        // actInitierCloture ("Terminate")
  bool InitierClotureActive() const { return actInitierCloture_; }
  void CloturerSurServeur();                                    // actCloturerSurServeur
  void SelectionnerIdentifiant();                               // actIdentifiantClient
  // The known-customer picker stored a new identifier in Client(): refresh and send "NEWID".
  void AppliquerIdentification() override;
  calls::TInfosClient& Client() override { return client_; }
  // Adds the agent's text to the chat log; sends it (and returns true) only in state 2.
  bool EnvoyerChat(const std::string& texte);
  void SetVoirEcranDistant(bool value);        // settings: "View remote screen"
  void SetControleClavierSouris(bool value);   // actInputs / "Mouse and keyboard control"
  void SetFenetreMinimisee(bool value);
  void SetEstActive(bool value) { active_ = value; }
  // The agent's inputs on the screen view: sent only in state 2 with remote control on (false
  // otherwise, and the event is left to the window); each one sent lights the input lamp at once.
  bool EntreeSourisBas(session::TMouseButton bouton, int32_t x, int32_t y);
  bool EntreeSourisHaut(session::TMouseButton bouton, int32_t x, int32_t y);
  bool EntreeSourisDeplacee(int32_t x, int32_t y);
  bool EntreeMolette(int32_t delta, int32_t x, int32_t y);
  bool EntreeToucheBas(uint16_t vk, const session::TKeyboardState& etat);
  bool EntreeToucheHaut(uint16_t vk, const session::TKeyboardState& etat);
  // An input event went out (lights the lower red lamp at once).
  void SignalerEntreeEnvoyee();
  // The report window's text, written through on every change.
  void SetRapport(std::string rapport) { rapport_ = std::move(rapport); }
  // Appends a line to the report (OnLigneRapport tells the report window).
  void AjouterLigneRapport(const std::string& ligne);

  // --- transfers ---
  // The transfers window's model (sending files and folders, the progress lines).
  TFrmToolFileTransfertModel& Transferts() { return *transferts_; }
  // Starts one sending: accepted, scheduled or refused by the session's rules. Throws the
  // channel layer's errors (EFileTransfertError, FileSystemError).
  void EnvoyerFichier(const std::string& fichier, const std::string& repertoire) override;
  // Outgoing transfer channels existing now.
  int EnvoisOuverts() const override;
  // End operations allowed to the customer on each file sent (bit 0 save, bit 1 execute).
  void SetAutorisations(uint8_t value) override { autorisations_ = value; }
  uint8_t Autorisations() const { return autorisations_.load(); }
  TPlanificateurTransferts& Planificateur() override { return planificateur_; }
  // Packing and unpacking run on threads this model owns: they are listed here, asked to stop
  // when the session ends, and joined before the window closes (nothing of them comes after).
  void DemarrerCompression(TCompressionDecompressionThread::Mode mode, const std::string& source,
                           const std::string& destination,
                           std::function<void(bool interrompu, const std::string& erreur)> fin) override;
  void TerminerCompressions() override { threads_.TerminateAll(); }
  CompressionThreadList& ThreadsCompression() { return threads_; }

  // --- what the window shows ---
  bool BanniereVisible() const { return etat_.load() != 2; }
  std::string TexteBanniere() const;
  const std::string& Caption() const { return caption_; }
  const std::string& TexteDuree() const { return texteDuree_; }  // lblDureeConnexion
  const std::string& TexteIdentifiant() const { return texteIdentifiant_; }
  const std::string& AideIdentifiant() const { return aideIdentifiant_; }
  const std::vector<LigneClient>& LignesClient() const { return lignesClient_; }
  const std::string& Rapport() const { return rapport_; }
  const std::vector<LigneChat>& JournalChat() const { return journalChat_; }
  bool CoucheVisible(Couche c) const { return couches_[c]; }
  bool ClotureDemandee() const { return clotureDemandee_; }
  bool VoirEcranDistant() const { return voirEcran_; }
  bool ControleClavierSouris() const { return controle_; }
  int Port() const { return serveur_.Active() ? serveur_.Port() : portOuvert_; }
  const std::string& AssistanceID() const { return assistanceID_; }
  const std::string& Description() const { return description_; }
  int Connexions() const { return connexions_; }
  int Deconnexions() const { return deconnexions_; }
  int CanauxLies() const { return canauxLies_; }
  session::TcpServer& ServerTCP() { return serveur_; }
  // The channel components, for the screen view and the settings window.
  session::TOLAIdServerScreen& DADScreen() { return *DADScreen_; }
  session::TOLAIdServerCursor& DADCursor() { return *DADCursor_; }
  session::TOLAIdServerSpeakingInputs& DADSpeakingInputs() { return *DADSpeakingInputs_; }
  session::TOLAIdServerSpeakingCommands& DADSpeakingCommands() { return *DADSpeakingCommands_; }
  session::TComponent& Racine() { return racine_; }

  // --- notifications (several subscribers each) ---
  base::Notification<int> OnEtatChange;                      // the state (banner, timers) changed
  base::Notification<const LigneChat&> OnLigneChat;          // a chat line was added to the log
  base::Notification<const std::string&> OnLigneRapport;     // a line was appended to the report
  base::Notification<> OnPanneauClientChange;                // customer rows, caption, identifier link
  base::Notification<> OnDureeChange;                        // the duration label
  base::Notification<> OnVoyantsChange;                      // the indicator's layers
  base::Notification<> OnOptionsChange;                      // remote control / screen view options
  base::Notification<> OnActionsChange;                      // actInitierCloture's enabling
  base::Notification<Outil> OnAttention;                     // flash, raise the tool's button
  base::Notification<TFrmTransfertProgressionModel&> OnLigneTransfertCreee;
  // The session's end marked the unfinished transfer lines aborted (state 5 of the closing).
  base::Notification<> OnTransfertsInterrompus;
  // A packing or unpacking thread started: the window shows its progress dialog.
  base::Notification<TCompressionDecompressionThread&> OnCompression;
  // The screen channel's events (the picture is only touched in state 2).
  base::Notification<int32_t, int32_t> OnDimensionsEcran;     // new width, height
  base::Notification<const session::Image&, uint16_t, uint16_t> OnImage;  // patch, X, Y
  base::Notification<const session::TRect&, const session::TRect&> OnCopieRectangle;  // source, dest
  base::Notification<> OnFinImage;                            // a frame update ended (lamp lit)
  base::Notification<> OnOptionsEcranChangees;                // the settings window reloads
  // The cursor channel's events, in state 2: the new image with its hot spot, and its position.
  base::Notification<const session::Image&, session::TPoint> OnCurseurImage;
  base::Notification<int32_t, int32_t> OnCurseurPosition;

  // --- single handlers ---
  std::function<void()> OnAfficher;   // show the window
  // The window closes (destroy it); the model goes soon after. Raised once the session's server
  // has stopped, its hand-overs were served and its packing threads were joined: no event of this
  // model reaches the window after it.
  std::function<void()> OnFermer;
  std::function<void(const std::string& texte)> OnErreur;  // modal error box
  std::function<void(const std::string& caption, const std::string& texte)> OnAvertissement;
  std::function<void()> OnPremierPlan;     // restore and bring the application and window forward

private:
  void Creer();
  void SetEtat(int etat);
  void Animer();
  void CacherCouches();
  void RafraichirBanniere();
  void RemplirAffichageClient();
  void MettreAJourDuree();
  void MettreAJourEcranActif();
  void Voyants() { OnVoyantsChange(); }
  void ReporterErreur(std::exception_ptr error);
  // Connection threads: hands one event of the TCP server to the main thread.
  void Notifier(SessionConnexions::Evenement evenement, SessionConnexions::Genre genre, const void* canal);
  void Evenement(SessionConnexions::Evenement evenement, SessionConnexions::Genre genre, const void* canal);
  bool EntreePermise() const;
  void TickConnexion();
  void TickHorloge();
  void TickDeconnexion();
  void TickLeds();
  void ClientDeconnecte();
  void MessageChat(const std::string& texte);
  void AjouterChatClient(const std::string& texte);
  void BrancherEcran();
  void AccepterEnvoi(const std::string& fichier, const std::string& repertoire, bool& accept);
  void Fermer();
  // Switches event hand-over off on every channel component, from the last to the first.
  void CouperSynchronisation();
  uint64_t Ecoule() const;

  base::MainLoop& loop_;
  calls::TCorvaneAgent& agent_;
  std::string hote_ = "0.0.0.0";

  // The channel components and the per-transfer ones are owned by racine_; the server is stopped
  // (and every connection thread joined) before they are destroyed.
  session::TComponent racine_;
  session::TOLAIdServerScreen* DADScreen_ = nullptr;
  session::TOLAIdServerCursor* DADCursor_ = nullptr;
  session::TOLAIdServerSpeakingInputs* DADSpeakingInputs_ = nullptr;
  session::TOLAIdServerClipboard* DADClipboard_ = nullptr;
  session::TOLAIdServerSpeakingClipboard* DADSpeakingClipboard_ = nullptr;
  session::TOLAIdServerChat* DADChat_ = nullptr;
  session::TOLAIdServerSpeakingChat* DADSpeakingChat_ = nullptr;
  session::TOLAIdServerCommands* DADCommands_ = nullptr;
  session::TOLAIdServerSpeakingCommands* DADSpeakingCommands_ = nullptr;
  session::TOLAIdServerFileTransfertManager* DADFileTransfert_ = nullptr;
  session::TOLAIdServerSpeakingFileTransfertManager* DADSpeakingFileTransfert_ = nullptr;
  std::vector<session::TOLACustomServer*> canaux_;  // the eleven, in creation order
  std::unique_ptr<SessionConnexions> connexionsServeur_;
  session::TcpServer serveur_;  // ServerTCP

  std::string assistanceID_;
  std::string description_;
  calls::TInfosClient client_;
  std::atomic<int> etat_{0};
  bool clotureDemandee_ = false;
  bool actInitierCloture_ = false;
  bool reouvertureEnCours_ = false;
  bool visible_ = false;
  bool ferme_ = false;
  bool active_ = false;
  int portOuvert_ = 0;
  int connexions_ = 0;
  int deconnexions_ = 0;
  int canauxLies_ = 0;  // main channel components bound now
  uint32_t debutTick_ = 0;
  std::chrono::system_clock::time_point debut_;
  uint32_t dernierEcran_ = 0;
  uint32_t derniereEntree_ = 0;

  std::string caption_;
  std::string texteDuree_ = "-";
  std::string texteIdentifiant_;
  std::string aideIdentifiant_;
  std::vector<LigneClient> lignesClient_;
  std::string rapport_;
  std::vector<LigneChat> journalChat_;
  // Customer chat received before the session ran (a channel's binding was still on its way to
  // the main thread): shown once it runs, dropped if it never does. At most kMaxChatEnAttente.
  std::vector<std::string> chatEnAttente_;
  bool couches_[NbCouches] = {};
  bool phaseJaune_ = false;
  bool phaseBleue_ = false;
  bool voirEcran_ = true;
  bool controle_ = false;
  bool minimisee_ = false;
  std::atomic<uint8_t> autorisations_{3};

  base::Timer timerConnexion_;
  base::Timer timerHorloge_;
  base::Timer timerDeconnexion_;
  base::Timer timerLeds_;
  TPlanificateurTransferts planificateur_;
  CompressionThreadList threads_;
  // After the schedule and the thread list: it uses both while it exists.
  std::unique_ptr<TFrmToolFileTransfertModel> transferts_;

  // Posted work checks it, so nothing runs into a destroyed session; enAttente_ counts the
  // connection events posted and not run yet.
  std::shared_ptr<bool> vivant_ = std::make_shared<bool>(true);
  // Copied by connection threads; never reassigned, so reading it races with nothing.
  const std::weak_ptr<bool> vivantFaible_ = vivant_;
  const std::shared_ptr<std::atomic<int>> enAttente_ = std::make_shared<std::atomic<int>>(0);
};

// Makes the controller create this model for every call; created is called with each new model
// (the user interface binds its window there). host: the address session servers listen on.
void InstallerFabriqueSessions(calls::TCorvaneAgent& agent, base::MainLoop& loop,
                               std::function<void(TFrmInstanceCorvaneAgentModel&)> created = {},
                               std::string host = "0.0.0.0");

}  // namespace corvane::assistance
