#include "shell/ui/FrmPrincipale.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "base/Format.h"
#include "base/Translate.h"
#include "records/DetailsAssistance.h"
#include "records/ExportHistorique.h"
#include "shell/AuthentificationLigneCommande.h"
#include "shell/Demarrage.h"
#include "shell/ErrorMapping.h"
#include "shell/ExecutablePath.h"
#include "shell/ExportFichier.h"
#include "shell/WindowPlacement.h"
#include "shell/ui/FrmAuthentificationAgent.h"
#include "shell/ui/FrmImageStatusGroupe.h"
#include "shell/ui/FrmInscription.h"
#include "shell/ui/FrmReouvertureSession.h"
#include "shell/ui/FrmSaisieVerrou.h"
#include "shell/ui/HistoryTableModel.h"
#include "shell/ui/PasswordChangeDialog.h"
#include "shell/ui/Pictures.h"
#include "shell/ui/TelechargementFichier.h"
#include "service/CorvaneInscription.h"
#include "shell/TelechargementAppliClient.h"
#include "update/CurlStreamDownloader.h"
#include "shell/ui/TraduireFenetre.h"

namespace corvane::shell::ui {

namespace {

using A = ActionPrincipale;
using service::TStatusAgent;

constexpr std::string_view kSection = "FrmPrincipale";
constexpr std::string_view kDomaine = "TarvenholtCorvane";
constexpr std::string_view kManuel = "ManuelUtilisateur-CorvanePro.pdf";
constexpr int kLargeurInitiale = 598;
constexpr int kHauteurInitiale = 451;
constexpr int kTailleMinimale = 300;
constexpr int kPanneauMinimal = 120;
constexpr int kEssaisIcone = 60;  // one a second: desktops that start their tray late

QString T(std::string_view text) { return QString::fromStdString(base::Tr(text)); }
QString Q(const std::string& text) { return QString::fromStdString(text); }

// A session window marks itself with this property; the wheel rule leaves its events alone.
constexpr const char* kProprieteFenetreSession = "corvaneFenetreSession";

}  // namespace

TFrmPrincipale::TFrmPrincipale(base::MainLoop& loop, ConfigurationStore& store, QWidget* parent)
    : QMainWindow(parent),
      loop_(loop),
      store_(store),
      model_(TitreApplication()),
      agent_(std::make_unique<calls::TCorvaneAgent>(loop)),
      agents_(*agent_),
      historique_(*agent_),
      groupe_(*agent_),
      clients_(*agent_),
      filtres_([this] { return historique_.maintenant(); }, &clients_) {
  setObjectName("FrmPrincipale");
  setWindowTitle(T(kCaptionFrmPrincipale));
  setWindowIcon(IconeApplication());
  // The application title is given to boxes and the notification hint by hand: as Qt's display
  // name it would be appended to every window caption ("Corvane - Agent — ...") on X11.
  setMinimumSize(kTailleMinimale, kTailleMinimale);
  historique_.setFiltre(&filtres_);
  historique_.setClients(&clients_);
  creerActions();
  creerMenus();
  creerBarreOutils();
  creerZoneClient();
  creerBarreEtat();
  lierControleur();
  creerSequences();
  creerIconeQuandPossible();
  qApp->installEventFilter(this);  // the wheel rule is application-wide
  Inscrire = [this] { return inscrire(); };
  montrerModele();
}

TFrmPrincipale::~TFrmPrincipale() {
  telechargement_.reset();  // waits for a download still running
  qApp->removeEventFilter(this);
  // The grid's model reads the history; it goes before the record sets do.
  delete grilleModel_;
  grilleModel_ = nullptr;
}

// --- building -------------------------------------------------------------------------------------

void TFrmPrincipale::creerActions() {
  auto* statusGroup = new QActionGroup(this);
  for (const auto& d : ActionsPrincipales()) {
    auto* action = new QAction(this);
    action->setObjectName(QString::fromLatin1(d.nom.data(), static_cast<int>(d.nom.size())));
    action->setProperty("category", QString::fromLatin1(d.category.data(), static_cast<int>(d.category.size())));
    if (!d.caption.empty()) action->setText(T(d.caption));
    if (!d.hint.empty()) {
      const PartiesHint parts = DecouperHint(d.hint);
      action->setToolTip(T(parts.courte));
      action->setStatusTip(T(parts.longue));
    }
    if (d.regle == RegleActivation::StatusDifferent) {
      action->setCheckable(true);
      statusGroup->addAction(action);
      action->setIcon(IconeStatus(ImageStatus(d.status)));
    }
    const A id = d.id;
    connect(action, &QAction::triggered, this, [this, id] { Executer(id); });
    actions_[static_cast<size_t>(id)] = action;
  }
  Action(A::AfficherDetails)->setCheckable(true);
  Action(A::Afficher)->setIcon(IconeApplication());
  Action(A::Connecter)->setIcon(IconeConnexion());
  Action(A::Deconnecter)->setIcon(IconeDeconnexion());
  Action(A::ModifierProfil)->setIcon(IconeProfil());
  Action(A::AfficherFiltres)->setIcon(IconeFiltres());
  Action(A::ExporterPressePapier)->setIcon(IconePressePapier());
  // Our own pictures for the others that have one.
  for (A a : {A::ChangerMotDePasse, A::RafraichirHistorique, A::AfficherDetails, A::Exporter,
              A::AdministrerGroupeAgents, A::AdministrerClients, A::EnregistrerSousAppliClient,
              A::IntegrationSiteWeb, A::VerifierMAJ, A::Manuel, A::AProposDe, A::Quitter})
    Action(a)->setIcon(IconeAction(Action(a)->objectName()));
}

void TFrmPrincipale::creerMenus() {
  menuStatus_ = new QMenu(T("Change status"), this);
  menuStatus_->addAction(Action(A::ChangerStatusDisponible));
  menuStatus_->addAction(Action(A::ChangerStatusOccupe));
  menuStatus_->addAction(Action(A::ChangerStatusDeconnecte));
  Action(A::ChangerStatus)->setMenu(menuStatus_);

  QMenu* agent = menuBar()->addMenu(T("Agent"));
  agent->addAction(Action(A::Connecter));
  agent->addAction(Action(A::Deconnecter));
  agent->addSeparator();
  agent->addAction(Action(A::ModifierProfil));
  agent->addAction(Action(A::ChangerMotDePasse));
  agent->addSeparator();
  agent->addAction(Action(A::ChangerStatus));
  agent->addSeparator();
  agent->addAction(Action(A::Quitter));

  QMenu* historique = menuBar()->addMenu(T("Historic"));
  historique->addAction(Action(A::AfficherFiltres));
  historique->addAction(Action(A::RafraichirHistorique));
  historique->addSeparator();
  historique->addAction(Action(A::AfficherDetails));
  historique->addSeparator();
  historique->addAction(Action(A::ExporterPressePapier));
  historique->addAction(Action(A::Exporter));

  QMenu* gestion = menuBar()->addMenu(T("Managing"));
  gestion->addAction(Action(A::AdministrerGroupeAgents));
  gestion->addAction(Action(A::AdministrerClients));

  QMenu* outils = menuBar()->addMenu(T("Software tools"));
  outils->addAction(Action(A::EnregistrerSousAppliClient));
  outils->addAction(Action(A::IntegrationSiteWeb));
  outils->addSeparator();
  // The menu entry has its own caption; the action keeps "Check update".
  QAction* verifier = outils->addAction(T("Check for update now"));
  verifier->setObjectName("mnuVerifierMAJ");
  verifier->setStatusTip(Action(A::VerifierMAJ)->statusTip());
  connect(verifier, &QAction::triggered, Action(A::VerifierMAJ), &QAction::trigger);
  connect(Action(A::VerifierMAJ), &QAction::enabledChanged, verifier, &QAction::setEnabled);

  QMenu* aide = menuBar()->addMenu(T("Help"));
  aide->addAction(Action(A::Manuel));
  aide->addAction(Action(A::AProposDe));

  menuIcone_ = new QMenu(this);
  menuIcone_->addAction(Action(A::Connecter));
  menuIcone_->addAction(Action(A::Deconnecter));
  menuIcone_->addSeparator();
  menuIcone_->addAction(Action(A::ChangerStatus));
  menuIcone_->addSeparator();
  menuIcone_->addAction(Action(A::Afficher));
  menuIcone_->setDefaultAction(Action(A::Afficher));
  menuIcone_->addAction(Action(A::Quitter));
}

void TFrmPrincipale::creerBarreOutils() {
  QToolBar* bar = addToolBar(T("Tool bar"));
  bar->setObjectName("ToolBar");
  bar->setMovable(false);
  bar->setIconSize(QSize(22, 22));
  bar->addAction(Action(A::Connecter));
  bar->addAction(Action(A::Deconnecter));
  bar->addSeparator();
  auto* status = new QToolButton(bar);
  status->setObjectName("btnChangerStatus");
  status->setDefaultAction(Action(A::ChangerStatus));
  status->setPopupMode(QToolButton::InstantPopup);
  bar->addWidget(status);
  bar->addSeparator();
  bar->addAction(Action(A::ModifierProfil));
  bar->addSeparator();
  bar->addAction(Action(A::AfficherFiltres));
  bar->addAction(Action(A::RafraichirHistorique));
  bar->addSeparator();
  bar->addAction(Action(A::ExporterPressePapier));
  bar->addAction(Action(A::Exporter));
  bar->addSeparator();
  bar->addAction(Action(A::AdministrerGroupeAgents));
  bar->addAction(Action(A::AdministrerClients));
  bar->addSeparator();
  bar->addAction(Action(A::EnregistrerSousAppliClient));
  bar->addAction(Action(A::IntegrationSiteWeb));
  bar->addSeparator();
  bar->addAction(Action(A::AProposDe));
}

void TFrmPrincipale::creerZoneClient() {
  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName("Splitter");
  splitter_->setOpaqueResize(true);  // the panes follow the splitter while it moves
  splitter_->setChildrenCollapsible(false);

  auto* gauche = new QWidget(splitter_);
  auto* layout = new QVBoxLayout(gauche);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  lblFiltre_ = new QLabel(gauche);
  lblFiltre_->setObjectName("lblFiltre");
  lblFiltre_->setAlignment(Qt::AlignCenter);
  lblFiltre_->setAutoFillBackground(true);
  lblFiltre_->setBackgroundRole(QPalette::Highlight);
  lblFiltre_->setForegroundRole(QPalette::HighlightedText);
  lblFiltre_->setCursor(Qt::PointingHandCursor);
  lblFiltre_->setContentsMargins(4, 3, 4, 3);
  lblFiltre_->setWordWrap(true);  // a long filter caption shows whole on a second line
  lblFiltre_->installEventFilter(this);
  layout->addWidget(lblFiltre_);

  grille_ = new QTableView(gauche);
  grille_->setObjectName("dbgHistorique");
  grilleModel_ = new HistoryTableModel(historique_.EzAssistance());
  grille_->setModel(grilleModel_);
  grille_->setItemDelegate(new HistoryDelegate(grille_));
  grille_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grille_->setSelectionMode(QAbstractItemView::SingleSelection);
  grille_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grille_->setShowGrid(true);
  grille_->setWordWrap(false);
  grille_->horizontalHeader()->setSectionsMovable(false);  // no column dragging
  grille_->horizontalHeader()->setHighlightSections(false);
  grille_->verticalHeader()->setSectionsMovable(false);
  grille_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grille_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  grille_->verticalHeader()->setFixedWidth(12);  // the indicator column
  const int charWidth = fontMetrics().averageCharWidth();
  for (int c = 0; c < grilleModel_->columnCount(); ++c)
    grille_->setColumnWidth(c, grilleModel_->displayWidth(c) * charWidth + 8);
  connect(grille_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            auto& set = historique_.EzAssistance();
            if (current.isValid() && set.active() && current.row() != set.recNo()) set.moveTo(current.row());
            rafraichirDetails();
          });
  layout->addWidget(grille_);

  details_ = new QTextBrowser(splitter_);
  details_->setObjectName("FrmDetailsAssistance");
  details_->setFrameShape(QFrame::NoFrame);
  details_->setMinimumWidth(kPanneauMinimal);
  gauche->setMinimumWidth(kPanneauMinimal);
  splitter_->addWidget(gauche);
  splitter_->addWidget(details_);
  splitter_->setStretchFactor(0, 3);
  splitter_->setStretchFactor(1, 1);
  details_->hide();
  setCentralWidget(splitter_);
}

void TFrmPrincipale::creerBarreEtat() {
  constexpr int kLargeurs[] = {150, 150, 70, 50};
  for (int i = 0; i < 4; ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("Panel%1").arg(i));
    label->setMinimumWidth(kLargeurs[i]);
    if (i == 0 || i == 2) label->setAlignment(Qt::AlignCenter);
    // The last panel takes what is left, as the last panel of a classic status bar does.
    statusBar()->addPermanentWidget(label, i == 3 ? 1 : 0);
    panneaux_[static_cast<size_t>(i)] = label;
  }
}

void TFrmPrincipale::creerIconeQuandPossible() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    if (!trayRetry_) {
      trayRetry_ = new QTimer(this);
      trayRetry_->setInterval(1000);
      connect(trayRetry_, &QTimer::timeout, this, [this] {
        if (++trayTries_ >= kEssaisIcone) {
          trayRetry_->stop();
          // Without an icon a window hidden at start-up could not be reached any more.
          if (isHidden() && !fermetureAcceptee_) afficherApplication();
          return;
        }
        creerIconeQuandPossible();
      });
      trayRetry_->start();
    }
    return;
  }
  if (trayRetry_) trayRetry_->stop();
  tray_ = new QSystemTrayIcon(this);
  tray_->setObjectName("TrayIcon");
  tray_->setContextMenu(menuIcone_);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick) menuIcone_->defaultAction()->trigger();
  });
  montrerModele();
  tray_->show();
}

void TFrmPrincipale::lierControleur() {
  calls::TCorvaneAgent& a = *agent_;
  a.OnErreur = [this](std::exception_ptr e) { GererErreur(e); };
  a.OnAvertissement = [this](const std::string& caption, const std::string& text) {
    QMessageBox::warning(this, Q(caption), Q(text));
  };
  a.OnLogIn = [this] {
    const auto* infos = agent_->InfosAgent();
    if (infos) reouverture_->LoginAgent = infos->Login;
    if (model_.SurLogIn(infos ? infos->Login : std::string(), infos ? infos->GroupeID : std::string(), false))
      historique_.clearCache();
    rafraichirActions();
  };
  a.OnLogOut = [this] {
    model_.SurLogOut();
    rafraichirActions();
    rafraichirDetails();
  };
  a.OnStatusAgentChange = [this] {
    model_.SurStatusAgentChange(agent_->StatusAgent());
    montrerModele();
  };
  a.OnInfosProjetChange = [this] { rafraichirBarreEtat(); };
  a.OnHistoriqueChanged = [this] { Executer(A::RafraichirHistorique); };
  a.OnContactedButInvalidSession = [this] { reouverture_->AppelAvecSessionInvalide(); };
  a.BeforeWork = [this] {
    model_.DebutTravail();
    if (model_.Occupe()) QApplication::setOverrideCursor(Qt::WaitCursor);
    panneaux_[3]->setText(Q(model_.Panneau(3)));
    panneaux_[3]->repaint();
  };
  a.AfterWork = [this] {
    const bool etait = model_.Occupe();
    model_.FinTravail();
    if (etait) QApplication::restoreOverrideCursor();
    panneaux_[3]->setText(Q(model_.Panneau(3)));
    panneaux_[3]->repaint();
  };
}

void TFrmPrincipale::creerSequences() {
  TSequenceFermeture::Environnement fermeture;
  fermeture.NbreSessions = [this] { return agent_->NbreSessions(); };
  fermeture.EcouteInactive = [this] { return agent_->EstInactif(); };
  fermeture.Connecte = [this] { return agent_->Connecte(); };
  fermeture.Deconnecter = [this] {
    try {
      agent_->Deconnecter();
    } catch (...) {
      GererErreur(std::current_exception());
    }
  };
  fermeture.FermerSessions = [this] { agent_->FermerSessions(); };
  fermeture.RepeterFermeture = [this] { close(); };
  fermeture_ = std::make_unique<TSequenceFermeture>(loop_, boites_, std::move(fermeture));

  TReouvertureSession::Environnement reouverture;
  reouverture.Connecter = [this](calls::IFournisseurAuthentification& dialogue) {
    const bool ok = agent_->Connecter(dialogue);
    if (ok) rafraichirActions();
    return ok;
  };
  reouverture.StatusAgent = [this] { return static_cast<int>(agent_->StatusAgent()); };
  reouverture.ArreterRafraichissement = [this] { agent_->ArreterRafraichissement(); };
  reouverture.SetReouvertureEnCours = [this](bool value) { agent_->SetReouvertureEnCours(value); };
  reouverture.ExecuterAction = [this](const std::string& nom) {
    // The log-out that ends a refused re-login shows its own errors; a replayed action's error
    // goes back to the re-login, which drops it.
    if (nom == kActDeconnecter)
      Executer(A::Deconnecter);
    else
      executerParNom(nom);
  };
  reouverture.OuvrirClientsSiFerme = [this] {
    if (!clients_.recordSet().active()) clients_.recordSet().open();
  };
  reouverture.SaisirMotDePasse = [this](const std::string& login) {
    TFrmReouvertureSession dialogue(this);
    return dialogue.Saisir(login);
  };
  reouverture_ = std::make_unique<TReouvertureSession>(loop_, boites_, std::move(reouverture));
}

// --- start-up ------------------------------------------------------------------------------------

void TFrmPrincipale::Demarrer(const TInfosLigneCommande& ligneCommande) {
  // Stored values and placement, before the window is first shown.
  reglages_ = LireReglagesFrmPrincipale(store_);
  fermeture_->SetIntervalle(static_cast<uint32_t>(reglages_.TimerFermetureApplicationInterval));
  agent_->SetIntervalRafraichissementStatus(static_cast<int>(reglages_.IntervalRafraichissementStatus));
  resize(kLargeurInitiale, kHauteurInitiale);
  if (const QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  if (const auto placement = ReadPlacement(store_, kSection)) {
    const auto& p = placement->NormPos;
    if (p[2] - p[0] >= kTailleMinimale && p[3] - p[1] >= kTailleMinimale) setGeometry(p[0], p[1], p[2] - p[0], p[3] - p[1]);
  }
  show();
  // The update check of the update engine belongs here, before anything else runs.

  // The details pane starts visible.
  while (!Action(A::AfficherDetails)->isChecked()) Action(A::AfficherDetails)->trigger();
  agent_->SetRacineServeur(reglages_.RacineEffective());
  rafraichirActions();

  if (ligneCommande.LoginAutomatique()) {
    TAuthentificationLigneCommande credentials(ligneCommande);
    try {
      if (agent_->Connecter(credentials)) {
        rafraichirActions();
        if (ligneCommande.Status == 1 || ligneCommande.Status == 2) {
          agent_->SetStatusAgent(static_cast<TStatusAgent>(ligneCommande.Status));
          rafraichirBarreEtat();
        }
      }
    } catch (...) {
      GererErreur(std::current_exception());
    }
  }
  demarrageReduit_ = ligneCommande.DemarrageReduit;
  // The rest runs once the event loop turns: the window is then shown and active.
  QTimer::singleShot(0, this, [this] {
    if (demarrageReduit_ && premiereActivation_) {
      premiereActivation_ = false;
      demarrageReduit_ = false;
      if (tray_ || trayRetry_) hide();
    }
    if (!agent_->Connecte()) Executer(A::Connecter);
  });
}

void TFrmPrincipale::AfficherDerniersJours(int jours) {
  filtres_.choisirMode(records::ModeDate::DerniersJours);
  filtres_.setNombreJours(jours);
}

// --- actions -------------------------------------------------------------------------------------

void TFrmPrincipale::Executer(ActionPrincipale action) {
  if (!Action(action)->isEnabled()) return;
  reouverture_->EnregistrerAction(std::string(DefinitionDe(action).nom));
  try {
    effet(action);
  } catch (...) {
    GererErreur(std::current_exception());
  }
  // A status entry Qt checked for a status the service then refused goes back to the real one.
  montrerModele();
}

void TFrmPrincipale::effet(ActionPrincipale action) {
  switch (action) {
    case A::Connecter: connecter(); break;
    case A::Deconnecter:
      agent_->Deconnecter();
      rafraichirActions();
      break;
    case A::ChangerStatusDisponible: changerStatus(TStatusAgent::saDisponible); break;
    case A::ChangerStatusOccupe: changerStatus(TStatusAgent::saOccupe); break;
    case A::ChangerStatusDeconnecte: changerStatus(TStatusAgent::saDeconnecte); break;
    case A::RafraichirHistorique: rafraichirHistorique(); break;
    case A::AfficherDetails: afficherDetails(); break;
    case A::Manuel: ouvrirManuel(); break;
    case A::AProposDe: aPropos(); break;
    case A::Afficher: afficherApplication(); break;
    case A::Quitter: close(); break;
    case A::Reloguer: reouverture_->Reloguer(); break;
    case A::ChangerMotDePasse: changerMotDePasse(); break;
    case A::Exporter: exporterFichier(); break;
    case A::ExporterPressePapier: exporterPressePapier(); break;
    case A::EnregistrerSousAppliClient: enregistrerSousAppliClient(); break;
    case A::TelechargerEtEnregistrerAppliCliente: telechargerAppliClient(); break;
    case A::IntegrationSiteWeb: integrationSiteWeb(); break;
    case A::VerifierMAJ: verifierMAJ(); break;
    case A::MettreAJourInfosAgentDepuisServeur: agent_->RafraichirAgent(); break;
    default: break;  // windows of their own (administration, filters, exports, downloads, update)
  }
}

void TFrmPrincipale::executerParNom(const std::string& nom) {
  for (const auto& d : ActionsPrincipales()) {
    if (d.nom != nom) continue;
    if (!Action(d.id)->isEnabled()) return;
    reouverture_->EnregistrerAction(nom);
    effet(d.id);
    montrerModele();
    return;
  }
}

void TFrmPrincipale::connecter() {
  TFrmAuthentificationAgentModel dialogue(&store_);
  LierDialogueAuthentification(dialogue, this);
  dialogue.Inscrire = Inscrire;
  if (!agent_->Connecter(dialogue)) return;
  rafraichirActions();
  if (dialogue.GroupeCree() &&
      boites_.Afficher(TypeBoite::Confirmation, TitreApplication(), TexteProposerTelechargement(),
                       {Bouton::Oui, Bouton::Non}) == Bouton::Oui)
    Executer(A::EnregistrerSousAppliClient);
}

std::optional<IdentifiantsInscription> TFrmPrincipale::inscrire() {
  service::CorvaneInscriptionProxy service(reglages_.RacineEffective());
  TFrmInscription assistant(service, [this](std::exception_ptr e) { GererErreur(e); }, this);
  return assistant.Executer();
}

void TFrmPrincipale::enregistrerSousAppliClient() {
  QFileDialog dialogue(this, Action(A::EnregistrerSousAppliClient)->text().remove('&'));
  dialogue.setObjectName("SaveDialogAppliClient");
  dialogue.setAcceptMode(QFileDialog::AcceptSave);
  dialogue.setFileMode(QFileDialog::AnyFile);
  dialogue.setOptions(QFileDialog::DontUseNativeDialog);  // asks before overwriting
  dialogue.setFilter(QDir::AllDirs | QDir::Files | QDir::Writable | QDir::NoDot);
  dialogue.setDefaultSuffix(QString::fromLatin1(kExtensionAppliClient));
  dialogue.setNameFilters(FiltreDialogue(kDomaine, QString::fromLatin1(kFiltreAppliClient)).split(QStringLiteral(";;")));
  dialogue.selectFile(QString::fromLatin1(kNomAppliClient));
  dialogue.setSizeGripEnabled(true);
  if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty()) return;
  fichierAppliClient_ = dialogue.selectedFiles().front().toStdString();
  Executer(A::TelechargerEtEnregistrerAppliCliente);
}

void TFrmPrincipale::telechargerAppliClient() {
  if (fichierAppliClient_.empty()) return;
  service::CorvaneInscriptionProxy service(reglages_.RacineEffective());
  TTelechargementAppliClient::Environnement env;
  env.Racine = [this] { return reglages_.RacineEffective(); };
  env.GroupeID = [this] {
    const auto* infos = agent_->InfosAgent();
    return infos ? infos->GroupeID : std::string();
  };
  env.SaisirVerrou = [this, &service] {
    TFrmSaisieVerrou dialogue(service, [this](std::exception_ptr e) { GererErreur(e); }, this);
    return dialogue.Saisir();
  };
  env.Demarrer = [this](const std::string& url, const std::string& fichier, std::function<void()> succes,
                        std::function<void()> echec) {
    if (!telechargement_)
      telechargement_ = std::make_unique<TTelechargementFichier>(this, std::make_unique<update::TCurlStreamDownloader>());
    telechargement_->Demarrer(url, fichier, std::move(succes), std::move(echec));
  };
  TTelechargementAppliClient(boites_, std::move(env)).Telecharger(fichierAppliClient_);
}

void TFrmPrincipale::changerStatus(TStatusAgent status) {
  agent_->SetStatusAgent(status);
  rafraichirBarreEtat();
}

void TFrmPrincipale::rafraichirHistorique() {
  historique_.reload();
  model_.SurHistoriqueOuvert(historique_.recordCount(), filtres_.LibelleComplet());
  montrerModele();
  if (historique_.recordCount() > 0) {
    if (!colonnesAjustees_) {
      // Once, from the first rows loaded: the dates' texts ("21:55 - last Wednesday") are wider
      // than their fields' widths say.
      colonnesAjustees_ = true;
      grille_->horizontalHeader()->setResizeContentsPrecision(200);
      grille_->resizeColumnsToContents();
      for (int c = 0; c < grilleModel_->columnCount(); ++c)
        grille_->setColumnWidth(c, std::min(grille_->columnWidth(c) + 6, 320));
    }
    grille_->selectRow(std::max(0, historique_.EzAssistance().recNo()));
  }
  rafraichirDetails();
}

void TFrmPrincipale::changerMotDePasse() {
  TPasswordChangeDialog dialogue(boites_, this);
  dialogue.Model().AncienMotDePasse = agent_->MotDePasse();
  if (dialogue.Executer()) agent_->ChangerMotDePasse(dialogue.Model().NouveauMotDePasse());
}

void TFrmPrincipale::exporterFichier() {
  // Qt's own dialog: it can hide read-only files and leave the overwrite question to the export
  // rules, which ask it for the file name with the filter's extension.
  QFileDialog dialogue(this, Action(A::Exporter)->text().remove('&'));
  dialogue.setObjectName("SaveDialogExport");
  dialogue.setAcceptMode(QFileDialog::AcceptSave);
  dialogue.setFileMode(QFileDialog::AnyFile);
  dialogue.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  dialogue.setFilter(QDir::AllDirs | QDir::Files | QDir::Writable | QDir::NoDot);
  dialogue.setNameFilters(FiltreDialogue(kDomaine, QString::fromUtf8(kFiltreExport)).split(QStringLiteral(";;")));
  dialogue.selectFile(Q(NomExportParDefaut()));
  if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty()) return;
  const int index = static_cast<int>(dialogue.nameFilters().indexOf(dialogue.selectedNameFilter())) + 1;
  TExportFichier::Environnement env;
  env.Existe = [](const std::string& f) { return QFileInfo::exists(QString::fromStdString(f)); };
  env.Exporter = [this](FormatExport format, const std::string& f) {
    const records::ExportHistorique exportation(historique_);
    switch (format) {
      case FormatExport::XML: exportation.ExporterXML(f); break;
      case FormatExport::CSV: exportation.ExporterCSV(f); break;
      case FormatExport::HTML: exportation.ExporterHTML(f); break;
    }
  };
  TExportFichier(boites_, std::move(env)).Exporter(dialogue.selectedFiles().front().toStdString(), index);
}

void TFrmPrincipale::exporterPressePapier() {
  records::ExportHistorique exportation(historique_);
  exportation.setPressePapiers([](const std::string& texte) { QGuiApplication::clipboard()->setText(Q(texte)); });
  exportation.ExporterPressePapiers();
}

void TFrmPrincipale::integrationSiteWeb() {
  if (!integration_) {
    integration_ = new TFrmImageStatusGroupe(Action(A::AdministrerGroupeAgents), [this] {
      const auto* infos = agent_->Connecte() ? agent_->InfosAgent() : nullptr;
      return SnippetImageStatus(reglages_.RacineEffective(), infos ? &infos->GroupeID : nullptr);
    }, this);
    integration_->adjustSize();
  }
  integration_->move(geometry().center() - integration_->rect().center());
  integration_->show();
  integration_->raise();
  integration_->activateWindow();
}

void TFrmPrincipale::verifierMAJ() {
  if (agent_->NbreSessions() > 0) {
    boites_.Afficher(TypeBoite::Avertissement, TitreApplication(), base::Tr("Please close all assistance sessions first."),
                     {Bouton::Ok});
    return;
  }
  if (!updater_) {
    updater_ = std::make_unique<update::TAutoUpdater>(update::RunningProgram::Current(), std::string());
    update::ConfigureMainWindowUpdater(*updater_, UrlDescripteurMAJ);
  }
  updater_->Verifier();
  const int nombre = updater_->NombreMisesAJour();
  if (nombre == 0) {
    boites_.Afficher(TypeBoite::Information, TitreApplication(), base::Tr("No update needed. All is up-to-date."),
                     {Bouton::Ok});
    return;
  }
  // HOOK: the update wizard runs here, modally, once it exists; when the engine then requires the
  // application to end (TerminateRequired), the main window closes. Until then the count is told.
  boites_.Afficher(TypeBoite::Information, TitreApplication(),
                   base::Format(base::Tr("%d update(s) available."), {nombre}), {Bouton::Ok});
}

void TFrmPrincipale::afficherDetails() {
  QAction* a = Action(A::AfficherDetails);
  details_->setVisible(a->isChecked());
  if (a->isChecked() && splitter_->sizes().value(1) < kPanneauMinimal) {
    const int total = splitter_->width();
    splitter_->setSizes({std::max(kPanneauMinimal, total - 220), 220});
  }
  rafraichirDetails();
}

void TFrmPrincipale::ouvrirManuel() {
  const QString path = Q(FolderOf(ExecutablePath())) + "/" + QString::fromLatin1(kManuel.data(), static_cast<int>(kManuel.size()));
  if (!QFileInfo::exists(path)) {
    QMessageBox::warning(this, T("File not found"), T("User manual not found. Check for update to retrieve it automatically."));
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void TFrmPrincipale::aPropos() {
  QMessageBox box(this);
  box.setWindowTitle(T("About..."));
  box.setIconPixmap(IconeApplication().pixmap(64, 64));
  box.setText(QStringLiteral("<b>%1</b>").arg(T("Software version")));
  box.setInformativeText(T("Version") + QStringLiteral("   ") + QStringLiteral(CORVANE_VERSION_TEXT));
  box.addButton(T("&Ok"), QMessageBox::AcceptRole);
  box.exec();
}

void TFrmPrincipale::afficherApplication() {
  showNormal();
  raise();
  activateWindow();
}

// --- showing the model ---------------------------------------------------------------------------

void TFrmPrincipale::rafraichirActions() {
  if (model_.RafraichirActions(agent_->Connecte())) {
    montrerModele();
    Executer(A::RafraichirHistorique);
  } else {
    historique_.close();  // the history and its agents
    montrerModele();
  }
}

void TFrmPrincipale::rafraichirBarreEtat() {
  model_.RafraichirBarreEtat(agent_->InfosAgent(), agent_->StatusAgent());
  montrerModele();
}

void TFrmPrincipale::montrerModele() {
  for (const auto& d : ActionsPrincipales()) Action(d.id)->setEnabled(model_.Active(d.id));
  const auto coche = [&](A a, TStatusAgent s) { Action(a)->setChecked(model_.StatusCoche() == s); };
  coche(A::ChangerStatusDisponible, TStatusAgent::saDisponible);
  coche(A::ChangerStatusOccupe, TStatusAgent::saOccupe);
  coche(A::ChangerStatusDeconnecte, TStatusAgent::saDeconnecte);
  Action(A::ChangerStatus)->setIcon(IconeStatus(model_.ImageChangerStatus()));
  for (int i = 0; i < 3; ++i) panneaux_[static_cast<size_t>(i)]->setText(Q(model_.Panneau(i)));
  lblFiltre_->setText(Q(model_.LibelleFiltre()));
  if (tray_) {
    tray_->setIcon(IconeStatus(model_.ImageIcone()));
    tray_->setToolTip(Q(model_.HintIcone()));
  }
}

void TFrmPrincipale::rafraichirDetails() {
  if (!details_ || !details_->isVisible()) return;
  const auto etat = records::DetailsAssistance(historique_, agent_->Connecte());
  QString html;
  const auto esc = [](const std::string& s) { return Q(s).toHtmlEscaped().replace("\n", "<br/>"); };
  if (!etat.sessionVisible) {
    html = QStringLiteral("<p align=center><i>%1</i></p>").arg(esc(etat.titre));
  } else {
    html += QStringLiteral("<h3>%1 %2</h3>").arg(T("Assistance"), esc(etat.assistanceId));
    for (const auto& l : etat.lignesCloture) {
      const auto& c = l.couleurs;
      const QString style = c.systemColours ? QString()
                                            : QStringLiteral(" style=\"background:#%1%2%3;color:#%4%5%6\"")
                                                  .arg(c.background.r, 2, 16, QChar('0'))
                                                  .arg(c.background.g, 2, 16, QChar('0'))
                                                  .arg(c.background.b, 2, 16, QChar('0'))
                                                  .arg(c.text.r, 2, 16, QChar('0'))
                                                  .arg(c.text.g, 2, 16, QChar('0'))
                                                  .arg(c.text.b, 2, 16, QChar('0'));
      html += QStringLiteral("<p%1>&nbsp;%2&nbsp;</p>").arg(style, esc(l.texte));
    }
    html += QStringLiteral("<p><b>%1</b><br/>%2</p>").arg(T("Request"), esc(etat.demande));
    if (etat.agentVisible) {
      html += QStringLiteral("<p><b>%1</b><br/>%2 (%3 %4)</p>")
                  .arg(T("Agent"), esc(etat.agentLogin), esc(etat.agentPrenom), esc(etat.agentNom));
      html += QStringLiteral("<p><b>%1</b><br/>%2</p>").arg(T("Report"), esc(etat.rapport));
    }
  }
  details_->setHtml(html);
}

// --- the application-wide error handler ----------------------------------------------------------

void TFrmPrincipale::GererErreur(std::exception_ptr error) {
  ErrorContext context;
  context.racineServeur = reglages_.RacineEffective();
  if (const auto* infos = agent_->InfosAgent()) context.portNegociation = infos->Port;
  const ErrorReaction reaction = MapError(DescribeError(error), context);
  if (reaction.show && !reaction.text.empty()) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);  // not the hourglass of a call that failed
    QMessageBox::critical(this, Q(TitreApplication()), Q(reaction.text));
    QApplication::restoreOverrideCursor();
  }
  if (reaction.startRelogin) reouverture_->ErreurSessionInvalide();
}

// --- events --------------------------------------------------------------------------------------

bool TFrmPrincipale::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    model_.SetHintLong(static_cast<QStatusTipEvent*>(e)->tip().toStdString());
    if (!model_.Occupe()) panneaux_[3]->setText(Q(model_.Panneau(3)));
    return true;
  }
  return QMainWindow::event(e);
}

bool TFrmPrincipale::eventFilter(QObject* watched, QEvent* e) {
  if (watched == lblFiltre_) {
    QFont font = lblFiltre_->font();
    switch (e->type()) {
      case QEvent::Enter: font.setUnderline(true); lblFiltre_->setFont(font); break;
      case QEvent::Leave: font.setUnderline(false); lblFiltre_->setFont(font); break;
      case QEvent::MouseButtonRelease: Executer(model_.ActionClicFiltre()); return true;
      default: break;
    }
    return false;
  }
  if (e->type() == QEvent::Wheel) {
    const QWidget* active = QApplication::activeWindow();
    const bool session = active && active->property(kProprieteFenetreSession).toBool();
    const auto touche = RegleMolette(static_cast<QWheelEvent*>(e)->angleDelta().y(), session);
    QWidget* focus = QApplication::focusWidget();
    if (touche == ToucheMolette::Aucune || !focus) return false;
    QKeyEvent key(QEvent::KeyPress, touche == ToucheMolette::Haut ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(focus, &key);
    return true;
  }
  return QMainWindow::eventFilter(watched, e);
}

void TFrmPrincipale::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  // Minimised, the application lives in the notification area only.
  if (e->type() == QEvent::WindowStateChange && isMinimized() && tray_) QTimer::singleShot(0, this, [this] { hide(); });
}

void TFrmPrincipale::closeEvent(QCloseEvent* e) {
  if (!fermetureAcceptee_) {
    // Open sessions are confirmed and closed, the agent logs out; the closing timer calls close()
    // again until no session window remains and the listener is idle.
    if (!fermeture_->DemandeFermeture()) {
      e->ignore();
      return;
    }
    fermetureAcceptee_ = true;
    enregistrerConfiguration();
  }
  if (tray_) tray_->hide();
  e->accept();
  QApplication::quit();
}

void TFrmPrincipale::enregistrerConfiguration() {
  WindowPlacement placement;
  const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
  placement.Flags = 0;
  placement.PixelsPerInch = logicalDpiX();
  placement.MinMaxPos = {-1, -1, -1, -1};
  placement.NormPos = {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
  WritePlacement(store_, kSection, placement);
  reglages_.IntervalRafraichissementStatus = agent_->IntervalRafraichissementStatus();
  EcrireReglagesFrmPrincipale(store_, reglages_);
  try {
    store_.Save();
  } catch (...) {
    GererErreur(std::current_exception());
  }
}

}  // namespace corvane::shell::ui
