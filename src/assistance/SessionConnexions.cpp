#include "assistance/SessionConnexions.h"

#include <algorithm>

#include "assistance/SessionLimits.h"
#include "session/IOHandler.h"
#include "session/ServerFileTransfert.h"
#include "session/ServerSpeakingFileTransfert.h"

namespace corvane::assistance {

SessionConnexions::SessionConnexions(session::TComponent& racine,
                                     std::set<const session::TOLACustomServer*> principaux,
                                     std::function<void(Evenement, Genre, const void*)> notifier)
    : racine_(racine), principaux_(std::move(principaux)), notifier_(std::move(notifier)) {}

void SessionConnexions::Brancher(session::TcpServer& server) {
  server.SetContextFactory([](session::TcpServer& s, std::unique_ptr<session::TcpConnection> c) {
    return std::make_unique<session::TOLAIdContext>(s, std::move(c));
  });
  server.SetMaxConnections(kMaxConnexionsSession);
  server.OnConnect = [this](session::TcpContext& c) { Connexion(c); };
  server.OnExecute = [this](session::TcpContext& c) { Execution(c); };
  server.OnDisconnect = [this](session::TcpContext& c) { Deconnexion(c); };
}

size_t SessionConnexions::NonAnnoncees() const {
  std::lock_guard lock(mutex_);
  return static_cast<size_t>(std::count_if(entrees_.begin(), entrees_.end(),
                                           [](const Entree& e) { return !e.lie && !e.ecartee; }));
}

SessionConnexions::Genre SessionConnexions::GenreDe(const session::TOLACustomServer* channel) const {
  if (principaux_.count(channel)) return Genre::Principal;
  if (dynamic_cast<const session::TOLAServerFileTransfert*>(channel)) return Genre::TransfertRecu;
  if (dynamic_cast<const session::TOLAServerSpeakingFileTransfert*>(channel)) return Genre::TransfertEnvoye;
  return Genre::NonLie;
}

void SessionConnexions::Connexion(session::TcpContext& context) {
  context.Connection().SetReadTimeout(kLectureAnnonceMs);
  {
    std::lock_guard lock(mutex_);
    entrees_.push_back(Entree{&context, std::chrono::steady_clock::now()});
  }
  notifier_(Evenement::Connexion, Genre::NonLie, nullptr);
}

void SessionConnexions::Execution(session::TcpContext& context) {
  auto& idContext = static_cast<session::TOLAIdContext&>(context);
  const bool dejaLie = idContext.Channel() != nullptr;
  session::ExecuteSessionConnection(idContext, racine_);
  if (dejaLie) return;
  const session::TOLACustomServer* channel = idContext.Channel();
  Genre genre = Genre::NonLie;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(entrees_.begin(), entrees_.end(),
                           [&](const Entree& e) { return e.contexte == &context; });
    if (it == entrees_.end()) return;
    if (!channel) {
      // Still silent after a line wait: it leaves when it waited too long, or when too many
      // connections are silent and it has had its grace time. A real channel announces itself at
      // once; the grace covers one whose line is slow to come on a loaded machine.
      size_t silencieuses = 0;
      for (const Entree& e : entrees_) silencieuses += !e.lie && !e.ecartee;
      const auto age = std::chrono::steady_clock::now() - it->debut;
      if ((silencieuses > kMaxConnexionsNonAnnoncees && age > std::chrono::milliseconds(kGraceAnnonceMs)) ||
          age > std::chrono::milliseconds(kDelaiAnnonceCanalMs)) {
        it->ecartee = true;
        context.Connection().Disconnect();
      }
      return;
    }
    it->lie = true;
    it->genre = genre = GenreDe(channel);
    it->canal = channel;
  }
  notifier_(Evenement::Liaison, genre, channel);
}

void SessionConnexions::Deconnexion(session::TcpContext& context) {
  Genre genre = Genre::NonLie;
  const void* canal = nullptr;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(entrees_.begin(), entrees_.end(), [&](const Entree& e) { return e.contexte == &context; });
    if (it != entrees_.end()) {
      genre = it->genre;
      canal = it->canal;
      entrees_.erase(it);
    }
  }
  notifier_(Evenement::Fermeture, genre, canal);
}

}  // namespace corvane::assistance
