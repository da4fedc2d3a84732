// corvane-agent: the technician's console of the Corvane remote-assistance service.

#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "base/ui/QtMainLoop.h"
#include "shell/ConfigurationStore.h"
#include "shell/Demarrage.h"
#include "shell/ExecutablePath.h"
#include "shell/LigneCommande.h"
#include "shell/ui/FrmPrincipale.h"

namespace {

bool Demande(int argc, char** argv, const char* option) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], option) == 0) return true;
  return false;
}

const char* Valeur(int argc, char** argv, const char* option) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], option) == 0) return argv[i + 1];
  return nullptr;
}

// "--screenshot FILE [--screenshot-after MS]": a picture of the whole screen, dialogs included,
// taken MS milliseconds after start (3000 by default); the run ends after it. For looking at the
// windows under a virtual display.
void PrevoirCapture(int argc, char** argv) {
  const char* fichier = Valeur(argc, argv, "--screenshot");
  if (!fichier) return;
  const char* apres = Valeur(argc, argv, "--screenshot-after");
  const int delai = apres ? std::atoi(apres) : 3000;
  const QString chemin = QString::fromLocal8Bit(fichier);
  QTimer::singleShot(delai, qApp, [chemin] {
    QScreen* screen = QGuiApplication::primaryScreen();
    const bool ok = screen && screen->grabWindow(0).save(chemin, "PNG");
    std::cerr << (ok ? "screenshot saved: " : "screenshot failed: ") << chemin.toStdString() << "\n";
    std::_Exit(ok ? 0 : 1);  // also from inside a modal dialog: nothing of this run is to be kept
  });
}

}  // namespace

int main(int argc, char** argv) {
  using namespace corvane;
  if (Demande(argc, argv, "--version")) {
    std::cout << "corvane-agent " CORVANE_VERSION_TEXT "\n";
    return 0;
  }
  QApplication application(argc, argv);
  Q_INIT_RESOURCE(ActionPictures);  // the action pictures live in a static library
  // A hidden main window (notification area) must not end the run when a box closes.
  QApplication::setQuitOnLastWindowClosed(false);

  // Command line, translation with the language of the environment, the error classifiers and the
  // translation exclusions.
  shell::InitialiserProcessus(argc, argv, [](const std::string& caption, const std::string& text) {
    QMessageBox::warning(nullptr, QString::fromStdString(caption), QString::fromStdString(text));
  });

  base::QtMainLoop loop;
  shell::ConfigurationStore configuration(shell::FolderOf(shell::ExecutablePath()));
  int code = 0;
  {
    shell::ui::TFrmPrincipale fenetre(loop, configuration);
    PrevoirCapture(argc, argv);
    // "--history-days N": the history of the last N days from the start (demonstrations).
    if (const char* jours = Valeur(argc, argv, "--history-days")) fenetre.AfficherDerniersJours(std::atoi(jours));
    fenetre.Demarrer(shell::InfosLigneCommande());
    // "--action NAME": runs a main-window action by its name once started (to look at its window).
    if (const char* nom = Valeur(argc, argv, "--action")) {
      for (const auto& d : shell::ActionsPrincipales())
        if (d.nom == nom) QTimer::singleShot(500, &fenetre, [&fenetre, id = d.id] { fenetre.Executer(id); });
    }
    code = QApplication::exec();
  }
  // Threads still waiting for the main thread are released: nobody serves them any more.
  loop.refuseHandOvers();
  return code;
}
