#pragma once
// The main window against the reference service on loopback (offscreen): the fixture of the
// window tests, and a stand-in user who answers the modal windows.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>
#include <set>

#include "base/ui/QtMainLoop.h"
#include "calls/CallsTestSupport.h"
#include "shell/ConfigurationStore.h"
#include "shell/ui/FrmPrincipale.h"
#include "support/TempFolder.h"

namespace corvane::shell::ui {

using A = ActionPrincipale;
using service::TStatusAgent;

inline bool AcceptsConnections(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

class FrmPrincipaleTest : public ::testing::Test {
protected:
  calls::testing::ReferenceService service;
  corvane::testing::TempFolder folder{"corvane-ui"};
  base::QtMainLoop loop;
  std::unique_ptr<ConfigurationStore> store;
  std::unique_ptr<TFrmPrincipale> window;

  void SetUp() override {
    store = std::make_unique<ConfigurationStore>(folder.path().string(), "");
    store->WriteString("FrmPrincipale", "RacineServeur", service.root);
    window = std::make_unique<TFrmPrincipale>(loop, *store);
    window->Agent().SetHoteEcoute("127.0.0.1");
  }
  void TearDown() override { window.reset(); }

  TInfosLigneCommande CommandLine(std::string login, std::string password, uint8_t status) {
    TInfosLigneCommande infos;
    infos.Login = std::move(login);
    infos.Password = std::move(password);
    infos.Status = status;
    return infos;
  }
  // Lets the start-up's deferred step run.
  void Settle() {
    bool done = false;
    QTimer::singleShot(0, [&] { done = true; });
    ASSERT_TRUE(loop.runUntil([&] { return done; }, 5000));
  }
  std::set<A> Enabled() const {
    std::set<A> on;
    for (const auto& d : ActionsPrincipales())
      if (window->Action(d.id)->isEnabled()) on.insert(d.id);
    return on;
  }
};


// Plays the user: every 10 ms, the modal window on top (if any) is handed to `answer`.
class User {
public:
  explicit User(std::function<void(QWidget*)> answer) : answer_(std::move(answer)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (QWidget* modal = QApplication::activeModalWidget()) answer_(modal);
    });
    timer_.start(10);
  }

private:
  std::function<void(QWidget*)> answer_;
  QTimer timer_;
};

}  // namespace corvane::shell::ui
