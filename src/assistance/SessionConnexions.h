#pragma once
// The bookkeeping of a session's TCP server: binds each new connection to the session's channel
// components (ExecuteSessionConnection), tells the session which connections opened, bound a
// channel and closed, and keeps silent connections from crowding out the real channels: the server
// keeps at most kMaxConnexionsSession connections, and a connection that has not announced a
// channel after a line wait closes itself when it has waited kDelaiAnnonceCanalMs, or when more
// than kMaxConnexionsNonAnnoncees connections are silent.
//
// Threads: OnConnect, OnExecute and OnDisconnect run on the server's connection threads, and so
// does the notification (the session hands it to the main thread). mutex_ guards the list of
// connections; a context's bound channel is read only on its own connection thread.

#include <chrono>
#include <functional>
#include <list>
#include <mutex>
#include <set>

#include "session/ChannelComponent.h"
#include "session/TcpServer.h"

namespace corvane::assistance {

class SessionConnexions {
public:
  // What a connection serves.
  enum class Genre { NonLie, Principal, TransfertRecu, TransfertEnvoye };
  enum class Evenement { Connexion, Liaison, Fermeture };

  // principaux: the session's channel components; other bound components are per-transfer ones.
  SessionConnexions(session::TComponent& racine, std::set<const session::TOLACustomServer*> principaux,
                    std::function<void(Evenement, Genre, const void* canal)> notifier);

  // Installs the handlers on the server (before it is activated).
  void Brancher(session::TcpServer& server);
  // Connections still waiting to announce their channel.
  size_t NonAnnoncees() const;

private:
  struct Entree {
    session::TcpContext* contexte;
    std::chrono::steady_clock::time_point debut;
    Genre genre = Genre::NonLie;
    const void* canal = nullptr;
    bool lie = false;
    bool ecartee = false;  // closed for its silence, not counted any more
  };
  void Connexion(session::TcpContext& context);
  void Execution(session::TcpContext& context);
  void Deconnexion(session::TcpContext& context);
  Genre GenreDe(const session::TOLACustomServer* channel) const;

  session::TComponent& racine_;
  std::set<const session::TOLACustomServer*> principaux_;
  // canal: the bound channel component, as an identity only (a per-transfer one is destroyed on
  // its connection's thread right after its closing is notified); nullptr when none.
  std::function<void(Evenement, Genre, const void* canal)> notifier_;
  mutable std::mutex mutex_;
  std::list<Entree> entrees_;
};

}  // namespace corvane::assistance
