#pragma once
// The main window's close request: sessions still open are confirmed and asked to close, the agent
// logs out, and the window may close only once no session window remains and the call listener is
// idle; until then the closing timer repeats the request every TimerFermetureApplication_Interval
// ms (750 unless restored otherwise) without asking again. The configuration is written last, by
// the window, once DemandeFermeture allowed the close.
//
// Threads: main thread only.

#include <cstdint>
#include <functional>
#include <string>

#include "base/MainLoop.h"
#include "base/Timer.h"
#include "shell/BoitesDialogue.h"

namespace corvane::shell {

// "Active assistance session(s) detected. Exit anyway ?\r\nIf yes each session will terminate."
std::string TexteSessionsActives();

class TSequenceFermeture {
public:
  static constexpr uint32_t kIntervalleDefaut = 750;

  // What the close request reads and does; every member must be set.
  struct Environnement {
    std::function<int()> NbreSessions;         // session windows still open
    std::function<bool()> EcouteInactive;      // listener inactive and holding no connection
    std::function<bool()> Connecte;            // the controller holds a service session
    std::function<void()> Deconnecter;         // the controller's log-out
    std::function<void()> FermerSessions;      // asks every session window to close
    std::function<void()> RepeterFermeture;    // the closing timer fired: close the window again
  };

  TSequenceFermeture(base::MainLoop& loop, IBoitesDialogue& boites, Environnement env);

  // The window's close request. True: the window may close now (the timer is off). False: the
  // close was cancelled by the user or waits for sessions and the listener (timer running).
  bool DemandeFermeture();

  uint32_t Intervalle() const { return timer_.interval(); }
  void SetIntervalle(uint32_t ms) { timer_.setInterval(ms); }
  bool TimerActif() const { return timer_.enabled(); }

private:
  base::Timer timer_;
  IBoitesDialogue& boites_;
  Environnement env_;
};

}  // namespace corvane::shell
