#pragma once
// The logic of the incoming-call dialog TFrmAppelClient: who calls and why, how many agents are
// called at once, the blinking lamp, the ringing sound, the agent's answer and the 10 s time-out
// without poll. A window only shows these values, forwards the agent's clicks and plays what it is
// told to; the call context reads the answer at each poll.
//
// A dialog that hides (close box or time-out) is never destroyed behind the back of its call
// context; the context releases it when the call ends. Hidden, it only watches for the caller's
// polls: once none came for the time-out, the caller is gone and the owner is told (OnAbandon),
// so that a call whose program vanished does not keep its prepared window and port. Closing a
// dialog that is already hidden asks its owner to release it; contexts only hold weak references,
// so a released dialog can never be used again.
//
// Threads: main thread only.

#include <cstdint>
#include <functional>
#include <string>

#include "base/MainLoop.h"
#include "base/Timer.h"
#include "calls/InfosClient.h"

namespace corvane::calls {

class TFrmAppelClientModel {
public:
  // The agent's answer.
  enum Reponse : int { Aucune = 0, Acceptee = 1, Refusee = 2 };
  enum class Lampe { Grise, Bleue, Verte, Rouge };

  static constexpr uint32_t kPeriodeTimerOut = 500;
  // A caller that has not polled for longer than this is taken as gone: the call is refused.
  static constexpr uint32_t kDelaiSansInterrogation = 10000;
  static constexpr int kFlashFois = 2;
  static constexpr int kFlashPeriode = 50;

  // programDirectory: where "Appel.wav" is looked for.
  TFrmAppelClientModel(base::MainLoop& loop, std::string programDirectory);
  ~TFrmAppelClientModel();
  TFrmAppelClientModel(const TFrmAppelClientModel&) = delete;
  TFrmAppelClientModel& operator=(const TFrmAppelClientModel&) = delete;

  // --- used by the call context ---
  void Remplir(const TInfosClient& client);
  void SetDescription(const std::string& description);
  void SetNbreAgents(int count);
  void Afficher();
  int LireReponse() const { return reponse_; }
  // The caller polled: restarts the time-out and flashes the caption.
  void SignalerInterrogation();

  // --- the agent's actions ---
  void Accepter();   // actAccepter
  void Refuser();    // actRefuser
  // Close box (and the time-out): hides a shown dialog as a refusal; a hidden one is released.
  void Fermer();

  // --- what the window shows ---
  static std::string Caption();  // "Calling", translated
  bool Visible() const { return visible_; }
  Lampe LampeClignote() const { return lampeBleue_ ? Lampe::Bleue : Lampe::Grise; }
  Lampe LampeTypeClient() const { return connu_ ? Lampe::Verte : Lampe::Rouge; }
  const std::string& TexteTypeClient() const { return texteTypeClient_; }  // lblTypeClient
  const std::string& TexteClient() const { return texteClient_; }          // lblClient
  // lblEMail: a mailto link with the address escaped for rich text.
  const std::string& LienEMail() const { return lienEMail_; }
  const std::string& Adresse() const { return adresse_; }                  // lblAdresse
  const std::string& Description() const { return description_; }          // mmDescription
  int NbreAgents() const { return nbreAgents_; }
  const std::string& TexteNbreAgents() const { return texteNbreAgents_; }  // lblNbreAgents
  // True for white text on red (the only agent called); false for the normal colours.
  bool AlerteNbreAgents() const { return alerteNbreAgents_; }

  // --- events for the window ---
  std::function<void()> OnChange;           // a shown value changed
  std::function<void()> OnAfficher;         // show (not modal, on top, own task-bar button)
  std::function<void()> OnCacher;           // hide
  std::function<void(int fois, int periodeMs)> OnFlash;  // flash the caption only
  std::function<void(const std::string& fichier)> OnJouerSon;  // play once, asynchronously
  std::function<void()> OnArreterSon;
  std::function<void()> OnDetruit;         // the model goes away: destroy the window

  // --- the owner's side ---
  // Asked when a hidden dialog is closed: the owner releases it (deferred destruction).
  std::function<void(TFrmAppelClientModel&)> OnLiberer;
  // The dialog is hidden and its caller has not polled for kDelaiSansInterrogation: the call is
  // over (raised once; the dialog stays until its owner releases it).
  std::function<void(TFrmAppelClientModel&)> OnAbandon;

private:
  void Tick();
  void Changed();

  base::MainLoop& loop_;
  std::string programDirectory_;
  base::Timer timerOut_;
  int reponse_ = Aucune;
  int nbreAgents_ = 0;
  uint32_t derniereInterrogation_ = 0;
  bool lampeBleue_ = false;
  bool visible_ = false;
  bool connu_ = false;
  bool sonEnCours_ = false;
  std::string texteTypeClient_;
  std::string texteClient_;
  std::string lienEMail_;
  std::string adresse_;
  std::string description_;
  std::string texteNbreAgents_;
  bool alerteNbreAgents_ = false;
};

}  // namespace corvane::calls
