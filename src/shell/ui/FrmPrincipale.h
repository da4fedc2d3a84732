#pragma once
// TFrmPrincipale, the main window: menus, tool bar, history grid with its filter label and details
// pane, status bar, notification icon, and the application-wide error handler. It owns the agent
// controller and the record-set modules. Every rule is TFrmPrincipaleModel's; this window shows the
// model's state and forwards the user's actions.
//
// Main thread only (the controller's threads reach it through the main loop).

#include <QMainWindow>
#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include "base/MainLoop.h"
#include "calls/CorvaneAgent.h"
#include "records/DmGestionAgent.h"
#include "records/DmGestionAssistances.h"
#include "records/DmGestionClient.h"
#include "records/DmGestionGroupe.h"
#include "records/FiltresAssistances.h"
#include "shell/ConfigurationStore.h"
#include "shell/FrmAuthentificationAgentModel.h"
#include "shell/FrmPrincipaleModel.h"
#include "shell/LigneCommande.h"
#include "shell/ReglagesFrmPrincipale.h"
#include "shell/ReouvertureSession.h"
#include "shell/SequenceFermeture.h"
#include "shell/ui/BoitesQt.h"
#include "update/AutoUpdater.h"
#include "update/MainWindowUpdater.h"

class QAction;
class QLabel;
class QSplitter;
class QSystemTrayIcon;
class QTableView;
class QTextBrowser;
class QTimer;
class QMenu;

namespace corvane::shell::ui {

class HistoryTableModel;
class TTelechargementFichier;
class TFrmImageStatusGroupe;

class TFrmPrincipale final : public QMainWindow {
public:
  TFrmPrincipale(base::MainLoop& loop, ConfigurationStore& store, QWidget* parent = nullptr);
  ~TFrmPrincipale() override;

  // Start-up once the window exists: stored values and placement restored, the window shown,
  // details pane on, controller given the service root, actions in the logged-out state, the
  // command line's automatic login and status, then (on the next turn of the event loop) the
  // log-in dialog when still logged out, and the start hidden in the notification area.
  void Demarrer(const TInfosLigneCommande& ligneCommande);

  // Shows the sessions of the last `jours` days instead of the filter's start-up period (the
  // demonstration's choice, before Demarrer).
  void AfficherDerniersJours(int jours);

  // The application-wide error handler: the error mapping's text in an error box titled with the
  // application title; an invalid session also stops the status refresh and starts the re-login.
  void GererErreur(std::exception_ptr error);

  // Runs an action as the user would (menus, tool bar, icon menu, filter label): every action
  // starts here, recorded first as the last action for the re-login's replay.
  void Executer(ActionPrincipale action);

  calls::TCorvaneAgent& Agent() { return *agent_; }
  records::TdmGestionAssistances& Historique() { return historique_; }
  const TFrmPrincipaleModel& Model() const { return model_; }
  QAction* Action(ActionPrincipale a) const { return actions_[static_cast<size_t>(a)]; }
  QSystemTrayIcon* Icone() const { return tray_; }
  QTableView* Grille() const { return grille_; }
  QLabel* LblFiltre() const { return lblFiltre_; }
  QLabel* Panneau(int i) const { return panneaux_.at(static_cast<size_t>(i)); }
  bool DemarrageReduit() const { return demarrageReduit_; }
  const TReouvertureSession& Reouverture() const { return *reouverture_; }
  const TSequenceFermeture& Fermeture() const { return *fermeture_; }

  // Where the update check on demand reads the update descriptor.
  std::string UrlDescripteurMAJ{update::kDescripteurUrlParDefaut};
  TFrmImageStatusGroupe* FenetreIntegration() const { return integration_; }

  // The sign-up wizard the log-in dialog opens ("Create new group..."); the wizard of the service
  // root by default; unset: the dialog ends without a login.
  std::function<std::optional<IdentifiantsInscription>()> Inscrire;

protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void changeEvent(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

private:
  void creerActions();
  void creerMenus();
  void creerBarreOutils();
  void creerZoneClient();
  void creerBarreEtat();
  void creerIconeQuandPossible();
  void lierControleur();
  void creerSequences();

  void effet(ActionPrincipale action);
  void connecter();
  void changerStatus(service::TStatusAgent status);
  void rafraichirHistorique();
  void afficherDetails();
  void ouvrirManuel();
  void aPropos();
  void afficherApplication();

  void rafraichirActions();  // model's action states, and their consequences
  void montrerModele();      // every widget from the model's state
  void rafraichirBarreEtat();
  void rafraichirDetails();
  void enregistrerConfiguration();
  void changerMotDePasse();
  std::optional<IdentifiantsInscription> inscrire();
  void enregistrerSousAppliClient();
  void telechargerAppliClient();
  void integrationSiteWeb();
  void verifierMAJ();
  void exporterFichier();
  void exporterPressePapier();
  // A main-window action by its component name, run for the re-login; errors propagate.
  void executerParNom(const std::string& nom);

  base::MainLoop& loop_;
  ConfigurationStore& store_;
  TBoitesQt boites_{this};
  ReglagesFrmPrincipale reglages_;
  TFrmPrincipaleModel model_;
  std::unique_ptr<calls::TCorvaneAgent> agent_;
  records::TdmGestionAgent agents_;
  records::TdmGestionAssistances historique_;
  records::TDmGestionGroupe groupe_;
  records::TdmGestionClient clients_;
  records::TFiltresAssistances filtres_;
  std::unique_ptr<TSequenceFermeture> fermeture_;
  std::unique_ptr<TReouvertureSession> reouverture_;
  std::unique_ptr<TTelechargementFichier> telechargement_;
  std::unique_ptr<update::TAutoUpdater> updater_;
  TFrmImageStatusGroupe* integration_ = nullptr;
  std::string fichierAppliClient_;  // chosen in the save dialog, for the hidden download action

  std::array<QAction*, kNombreActionsPrincipales> actions_{};
  QMenu* menuStatus_ = nullptr;
  QMenu* menuIcone_ = nullptr;
  QSystemTrayIcon* tray_ = nullptr;
  QTimer* trayRetry_ = nullptr;
  int trayTries_ = 0;
  QLabel* lblFiltre_ = nullptr;
  QTableView* grille_ = nullptr;
  HistoryTableModel* grilleModel_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QTextBrowser* details_ = nullptr;
  std::array<QLabel*, 4> panneaux_{};
  bool demarrageReduit_ = false;
  bool premiereActivation_ = true;
  bool fermetureAcceptee_ = false;
  bool colonnesAjustees_ = false;
};

}  // namespace corvane::shell::ui
