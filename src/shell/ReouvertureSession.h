#pragma once
// Re-opening a lost service session. The main window records the last user action it starts
// (DerniereAction, by action name); when the service declares the session invalid, the agent types
// the password again in the re-opening dialog and the action that failed is replayed, except the
// customers window's record-set actions, whose unsaved row cannot be replayed. Two starts: a
// customer reached the agent while the session was invalid (re-login timer of 1000 ms, then the
// "Invalid session" question), or the error handler met the invalid-session fault.
//
// Threads: main thread only.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/MainLoop.h"
#include "base/Timer.h"
#include "calls/Authentification.h"
#include "shell/BoitesDialogue.h"

namespace corvane::shell {

// Names of the main window's actions the re-login chooses or replays.
inline constexpr const char* kActReloguer = "actReloguer";
inline constexpr const char* kActDeconnecter = "actDeconnecter";
inline constexpr const char* kActChangerStatusDisponible = "actChangerStatusDisponible";
inline constexpr const char* kActChangerStatusOccupe = "actChangerStatusOccupe";

// The customers window's record-set actions, never replayed after a re-login.
bool EstActionEnregistrementClients(const std::string& nomAction);

// The re-opening dialog's credentials provider: the login is fixed, the password typed; three
// attempts at most; GroupeCree is always false.
class TReouvertureSessionDialogue final : public calls::IFournisseurAuthentification {
public:
  static constexpr int kTentatives = 3;
  // Shows the dialog modally with the login; the typed password, or nothing when cancelled.
  using Saisie = std::function<std::optional<std::string>(const std::string& login)>;

  TReouvertureSessionDialogue(std::string login, Saisie saisie)
      : login_(std::move(login)), saisie_(std::move(saisie)) {}

  bool Authentifier() override;
  void SetAuthentification(calls::ICorvaneAuthentification* a) override { authentification_ = a; }
  bool GroupeCree() const override { return false; }
  int Tentatives() const { return tentatives_; }

private:
  std::string login_;
  Saisie saisie_;
  calls::ICorvaneAuthentification* authentification_ = nullptr;
  int tentatives_ = 0;
};

class TReouvertureSession {
public:
  static constexpr uint32_t kDelaiRelogin = 1000;

  struct Environnement {
    std::function<bool(calls::IFournisseurAuthentification&)> Connecter;  // the controller's log-in
    std::function<int()> StatusAgent;                        // 0 disconnected, 1 busy, 2 available
    std::function<void()> ArreterRafraichissement;           // the controller's status timer
    std::function<void(bool)> SetReouvertureEnCours;         // every open session window
    std::function<void(const std::string&)> ExecuterAction;  // runs a main-window action by name
    std::function<void()> OuvrirClientsSiFerme;              // the customers record set
    TReouvertureSessionDialogue::Saisie SaisirMotDePasse;    // the re-opening dialog
  };

  TReouvertureSession(base::MainLoop& loop, IBoitesDialogue& boites, Environnement env);

  // Login of the agent, copied at every successful login; shown by the re-opening dialog.
  std::string LoginAgent;

  bool ReloginEnCours() const { return enCours_; }
  const std::optional<std::string>& DerniereAction() const { return derniere_; }
  // Called just before every action starts.
  void EnregistrerAction(const std::string& nomAction);

  // The controller's OnContactedButInvalidSession: the re-login timer starts.
  void AppelAvecSessionInvalide() { timer_.start(); }
  bool TimerActif() const { return timer_.enabled(); }
  // The error handler met the invalid-session fault outside a re-login (its message was shown).
  void ErreurSessionInvalide();
  // The re-login action itself.
  void Reloguer();

private:
  void TimerRelogin();
  void SetEnCours(bool value);

  base::Timer timer_;
  IBoitesDialogue& boites_;
  Environnement env_;
  bool enCours_ = false;
  std::optional<std::string> derniere_;
};

}  // namespace corvane::shell
