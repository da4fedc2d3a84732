// The main window's dialogs against the reference service on loopback, offscreen: export to a file
// with the overwrite question, re-opening a session the service forgot, the password change checks,
// closing with session windows open, and the windows in French.

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QFileInfo>
#include <QRegularExpression>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "shell/CatalogueTranslator.h"
#include "shell/Demarrage.h"
#include "shell/SequenceFermeture.h"
#include "shell/TelechargementAppliClient.h"
#include "shell/ui/FrmAuthentificationAgent.h"
#include "shell/ui/FrmImageStatusGroupe.h"
#include "shell/ui/FrmInscription.h"
#include "shell/ui/FrmPrincipaleFixture.h"
#include "shell/ui/FrmSaisieVerrou.h"
#include "shell/ui/FrmReouvertureSession.h"
#include "shell/ui/PasswordChangeDialog.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace corvane::shell::ui {
namespace {

std::string Contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void Click(QWidget* box, const char* button) {
  auto* b = box->findChild<QAbstractButton*>(button);
  ASSERT_NE(b, nullptr) << button;
  b->click();
}

TEST_F(FrmPrincipaleTest, ExportWithTheCsvFilterWritesTheCsvNameAndAsksBeforeOverwriting) {
  window->AfficherDerniersJours(3650);  // the service's demo history is dated by its own clock
  window->Demarrer(CommandLine("tech", "tech", 0));
  Settle();
  ASSERT_GT(window->Historique().recordCount(), 0);
  const auto typed = folder.path() / "report.xml";
  const auto written = folder.path() / "report.csv";
  QString presetName;
  std::vector<std::pair<QString, QString>> questions;
  const char* answer = "No";
  User user([&](QWidget* modal) {
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      presetName = dialog->selectedFiles().value(0);
      dialog->selectNameFilter(dialog->nameFilters().value(1));
      dialog->selectFile(QString::fromStdString(typed.string()));
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept is protected; the same slot
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      questions.emplace_back(box->windowTitle(), box->text());
      Click(box, answer);
    }
  });

  window->Executer(A::Exporter);
  EXPECT_TRUE(QFileInfo(presetName).fileName().contains(QRegularExpression("^\\d{4}-\\d{2}-\\d{2}$"))) << presetName.toStdString();
  EXPECT_FALSE(std::filesystem::exists(typed));
  ASSERT_TRUE(std::filesystem::exists(written));
  const std::string csv = Contents(written);
  EXPECT_EQ(csv.find("<?xml"), std::string::npos);
  EXPECT_GE(std::count(csv.begin(), csv.end(), '\n'), window->Historique().recordCount());
  EXPECT_TRUE(questions.empty());

  // The file now exists: No keeps it as it is, Yes writes it again.
  std::ofstream(written, std::ios::trunc) << "kept";
  window->Executer(A::Exporter);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].first, "File exists");
  EXPECT_EQ(questions[0].second, QString("File \"%1\" exists. Overwrite ?").arg(QString::fromStdString(written.string())));
  EXPECT_EQ(Contents(written), "kept");
  answer = "Yes";
  window->Executer(A::Exporter);
  EXPECT_EQ(questions.size(), 2u);
  EXPECT_EQ(Contents(written), csv);
}

TEST_F(FrmPrincipaleTest, SessionForgottenByTheServiceIsReopenedAndRefreshHistoricReplayed) {
  window->Demarrer(CommandLine("tech", "tech", 0));
  Settle();
  const std::string firstSession = window->Agent().Session();
  int resets = 0;
  QObject::connect(window->Grille()->model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
  window->Executer(A::RafraichirHistorique);
  const int resetsPerRefresh = resets;
  ASSERT_GT(resetsPerRefresh, 0);

  // The service forgets sessions idle for an hour.
  service.clockMs += 3'600'001;
  std::vector<QString> errors;
  QString loginShown;
  int dialogs = 0;
  int resetsAtDialog = -1;
  User user([&](QWidget* modal) {
    if (auto* dialog = dynamic_cast<TFrmReouvertureSession*>(modal)) {
      ++dialogs;
      loginShown = dialog->lblLogin()->text();
      EXPECT_EQ(dialog->windowTitle(), "Session lost");
      EXPECT_EQ(dialog->edtMotDePasse()->echoMode(), QLineEdit::Password);
      EXPECT_TRUE(window->Reouverture().ReloginEnCours());
      resetsAtDialog = resets;
      dialog->edtMotDePasse()->setText("tech");
      dialog->accept();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      errors.push_back(box->text());
      box->accept();
    }
  });
  window->Executer(A::RafraichirHistorique);

  EXPECT_EQ(errors.size(), 1u);  // the invalid-session message, once
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(loginShown, "tech");
  ASSERT_TRUE(window->Agent().Connecte());
  EXPECT_NE(window->Agent().Session(), firstSession);
  EXPECT_FALSE(window->Reouverture().ReloginEnCours());
  EXPECT_EQ(window->Reouverture().DerniereAction(), "actRafraichirHistorique");  // the replay, recorded
  // After the dialog: the log-in's own refresh (with the cache cleared), then "Refresh historic"
  // replayed; without the replay there would be one refresh only.
  EXPECT_GE(resets - resetsAtDialog, 2 * resetsPerRefresh);
  EXPECT_EQ(window->Grille()->model()->rowCount(), window->Historique().recordCount());
}

TEST_F(FrmPrincipaleTest, PasswordChangeChecksRetryKeepsValuesAbortChangesNothing) {
  window->Demarrer(CommandLine("tech", "tech", 0));
  Settle();
  struct Step {
    const char* ancien;
    const char* nouveau;
    const char* confirmation;
    const char* answer;  // to the error box; nullptr: none expected, the dialog closes with OK
  };
  std::vector<Step> steps;
  size_t next = 0;
  std::vector<QString> messages;
  std::vector<QString> keptAfterRetry;
  QString caption;
  TPasswordChangeDialog* shown = nullptr;
  User user([&](QWidget* modal) {
    if (auto* dialog = dynamic_cast<TPasswordChangeDialog*>(modal)) {
      shown = dialog;
      caption = dialog->windowTitle();
      if (next > 0 && std::string(steps[next - 1].answer ? steps[next - 1].answer : "") == "Retry")
        keptAfterRetry.push_back(dialog->edtNouveau()->text());
      ASSERT_LT(next, steps.size());
      const Step& s = steps[next++];
      dialog->edtAncien()->setText(s.ancien);
      dialog->edtNouveau()->setText(s.nouveau);
      dialog->edtConfirmation()->setText(s.confirmation);
      QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      messages.push_back(box->text());
      Click(box, steps[next - 1].answer);
    }
  });

  // Too short, Retry, then a wrong confirmation, Abort: nothing changes.
  steps = {{"tech", "abcde", "abcde", "Retry"}, {"tech", "abcdef", "abcdeX", "Abort"}};
  window->Executer(A::ChangerMotDePasse);
  EXPECT_EQ(caption, "Password changing");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(messages[0].contains("6")) << messages[0].toStdString();
  EXPECT_EQ(keptAfterRetry, std::vector<QString>{"abcde"});
  EXPECT_EQ(next, 2u);
  EXPECT_EQ(window->Agent().MotDePasse(), "tech");

  // Wrong previous password, Retry, then correct values: the service takes the new password.
  steps = {{"nope", "secret1", "secret1", "Retry"}, {"tech", "secret1", "secret1", nullptr}};
  next = 0;
  messages.clear();
  window->Executer(A::ChangerMotDePasse);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(window->Agent().MotDePasse(), "secret1");
  calls::TCorvaneAgent other(loop);
  other.SetRacineServeur(service.root);
  other.SetHoteEcoute("127.0.0.1");
  calls::testing::FixedCredentials fresh("tech", "secret1");
  EXPECT_TRUE(other.Connecter(fresh));
  other.Deconnecter();
  (void)shown;
}

// Saves a picture of a window when CORVANE_SCREENS names a folder (to look at it).
void Capture(QWidget* window, const char* name) {
  const QByteArray folder = qgetenv("CORVANE_SCREENS");
  if (!folder.isEmpty()) window->grab().save(QString::fromLocal8Bit(folder) + "/" + name, "PNG");
}

TEST_F(FrmPrincipaleTest, SignUpFromTheLogInDialogCreatesTheGroupLogsInAndOffersTheDownload) {
  std::vector<QString> boxes;
  int wrongCodes = 0;
  std::string firstLock;
  bool pictureShown = false;
  User user([&](QWidget* modal) {
    if (auto* login = dynamic_cast<TFrmAuthentificationAgent*>(modal)) {
      login->edtIdentifiant()->clear();
      login->grpCreation()->findChild<QPushButton*>()->click();
    } else if (auto* wizard = dynamic_cast<TFrmInscription*>(modal)) {
      TFrmInscriptionModel& m = wizard->Model();
      pictureShown = pictureShown || !wizard->imgVerrou()->pixmap().isNull();
      const std::string code = service.store.PeekChallengeCode(m.Verrou());
      if (m.PageActive() == TFrmInscriptionModel::Page::CreerGroupe) {
        wizard->edtNom()->setText("Helpdesk Nord");
        wizard->edtEmail()->setText("nord@demo.invalid");
        if (wrongCodes == 0) {
          ++wrongCodes;  // a wrong code first: an error, a new picture, the same page
          firstLock = m.Verrou();
          wizard->edtCodeGroupe()->setText("nope");
        } else {
          Capture(wizard, "signup-wizard-page1.png");
          wizard->edtCodeGroupe()->setText(QString::fromStdString(code));
        }
        QMetaObject::invokeMethod(wizard->btnSuivant(), &QPushButton::click, Qt::QueuedConnection);
      } else {
        wizard->edtLogin()->setText("boss");
        wizard->edtMotDePasse()->setText("bosspass1");
        wizard->edtCodeAdministrateur()->setText(QString::fromStdString(code));
        Capture(wizard, "signup-wizard-page2.png");
        QMetaObject::invokeMethod(wizard->btnTerminer(), &QPushButton::click, Qt::QueuedConnection);
      }
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes.push_back(box->text());
      if (auto* no = box->findChild<QAbstractButton*>("No"))
        no->click();
      else
        box->accept();
    }
  });
  window->Demarrer(TInfosLigneCommande{});
  ASSERT_TRUE(loop.runUntil([&] { return window->Agent().Connecte() && !QApplication::activeModalWidget(); }, 20000));
  Settle();
  EXPECT_TRUE(pictureShown);  // the PNG bytes became a picture
  ASSERT_EQ(boxes.size(), 2u);  // the wrong code's error, then the download question
  EXPECT_EQ(boxes[1].toStdString(), TexteProposerTelechargement());
  ASSERT_NE(window->Agent().InfosAgent(), nullptr);
  EXPECT_EQ(window->Agent().InfosAgent()->Login, "boss");
  EXPECT_NE(window->Agent().InfosAgent()->GroupeID, service.demo.groupeId);
  EXPECT_FALSE(firstLock.empty());
}

TEST_F(FrmPrincipaleTest, CustomerProgramDownloadAsksTheCodeAndReportsTheOutcome) {
  // A second front of the same service, serving a customer program.
  const auto program = folder.path() / "served-client.bin";
  std::ofstream(program, std::ios::binary) << std::string(200'000, 'C') << "end";
  service::server::ServiceServer front{
      service.store, service::server::ServerOptions{"127.0.0.1", 0, "/scripts/ServiceCorvane.dll/", "",
                                                    program.string(), {}}};
  front.start();
  store->WriteString("FrmPrincipale", "RacineServeur", front.rootUrl());
  window->Demarrer(CommandLine("tech", "tech", 0));
  Settle();
  const auto target = folder.path() / "CorvaneClient.exe";
  bool rightCode = true;
  std::vector<std::pair<QString, QString>> boxes;
  User user([&](QWidget* modal) {
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      EXPECT_EQ(QFileInfo(dialog->selectedFiles().value(0)).fileName(), "CorvaneClient.exe");
      dialog->selectFile(QString::fromStdString(target.string()));
      static_cast<QDialog*>(dialog)->accept();
    } else if (auto* code = dynamic_cast<TFrmSaisieVerrou*>(modal)) {
      EXPECT_FALSE(code->imgVerrou()->pixmap().isNull());
      code->edtCode()->setText(rightCode ? QString::fromStdString(service.store.PeekChallengeCode(code->Verrou()))
                                         : QString("WRONG"));
      code->accept();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes.emplace_back(box->windowTitle(), box->text());
      box->accept();
    }
  });
  struct Case {
    bool rightCode;
    QString caption;
    bool fileWritten;
  };
  for (const Case& c : {Case{false, "Download failed", false}, Case{true, "Download successfull", true}}) {
    SCOPED_TRACE(c.caption.toStdString());
    rightCode = c.rightCode;
    boxes.clear();
    window->Executer(A::EnregistrerSousAppliClient);
    ASSERT_TRUE(loop.runUntil([&] { return !boxes.empty() && !QApplication::activeModalWidget(); }, 20000));
    EXPECT_EQ(boxes[0].first, c.caption);
    EXPECT_EQ(std::filesystem::exists(target), c.fileWritten);
    EXPECT_FALSE(std::filesystem::exists(target.string() + ".part"));
  }
  EXPECT_EQ(boxes[0].second.toStdString(), "Client application downloaded.\r\n" + target.string());
  EXPECT_EQ(Contents(target), Contents(program));
  front.stop();
}

// A session window that closes a little after it is asked to, as a real one does once its
// disconnection sequence ends.
class SlowClosingWindow final : public calls::IFenetreSession {
public:
  explicit SlowClosingWindow(calls::TCorvaneAgent& agent) : agent_(agent) {}
  bool OuvrirPortAssistance(int&) override { return false; }
  void ActiverServeur() override {}
  void SetAssistanceID(const std::string&) override {}
  void SetClient(const calls::TInfosClient&) override {}
  void SetDescription(const std::string&) override {}
  void Afficher() override {}
  bool Visible() const override { return true; }
  int EtatConnexion() const override { return 0; }
  bool DemanderFermeture() override {
    if (!asked_) QTimer::singleShot(300, [this] { agent_.LibererFenetreSession(this); });
    asked_ = true;
    return false;
  }
  bool EstActive() const override { return false; }
  void SetReouvertureEnCours(bool) override {}
  void ArreterEcoute() override {}
  calls::TInfosClient& Client() override { return client_; }
  void AppliquerIdentification() override {}

private:
  calls::TCorvaneAgent& agent_;
  calls::TInfosClient client_;
  bool asked_ = false;
};

TEST_F(FrmPrincipaleTest, WebSiteSnippetFollowsTheLoginAndUpdateCheckWaitsForSessions) {
  window->Demarrer(CommandLine("tech", "tech", 0));
  Settle();
  window->Executer(A::IntegrationSiteWeb);
  ASSERT_NE(window->FenetreIntegration(), nullptr);
  EXPECT_EQ(window->FenetreIntegration()->edtCode()->text().toStdString(),
            "<img src=\"" + service.root + "img?Image=imgStatut&Id=" + service.demo.groupeId + "\" title=\"Avaibility\" />");
  window->Executer(A::Deconnecter);
  window->FenetreIntegration()->hide();
  window->FenetreIntegration()->show();  // refilled each time it comes up
  EXPECT_EQ(window->FenetreIntegration()->edtCode()->text(), "(agent not logged in)");

  std::vector<QString> boxes;
  User user([&](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes.push_back(box->text());
      box->accept();
    }
  });
  window->UrlDescripteurMAJ = service.root + "maj/CorvaneAgent.xml";  // nothing published
  window->Executer(A::VerifierMAJ);
  auto& agent = window->Agent();
  agent.FabriqueFenetreSession = [](calls::TCorvaneAgent& a) { return std::make_shared<SlowClosingWindow>(a); };
  agent.CreerFenetreSession();
  window->Executer(A::VerifierMAJ);
  EXPECT_EQ(boxes, (std::vector<QString>{"No update needed. All is up-to-date.",
                                         "Please close all assistance sessions first."}));
}

TEST_F(FrmPrincipaleTest, ClosingWithTwoSessionsAnsweredYesClosesWithinAFewTimerPeriods) {
  window->Demarrer(CommandLine("tech", "tech", 2));
  Settle();
  calls::TCorvaneAgent& agent = window->Agent();
  agent.FabriqueFenetreSession = [](calls::TCorvaneAgent& a) { return std::make_shared<SlowClosingWindow>(a); };
  agent.CreerFenetreSession();
  agent.CreerFenetreSession();
  ASSERT_EQ(agent.NbreSessions(), 2);
  std::vector<QString> questions;
  const char* answer = "No";
  User user([&](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      questions.push_back(box->text());
      Click(box, answer);
    }
  });

  // No: nothing happens.
  window->close();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].toStdString(), TexteSessionsActives());
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->Fermeture().TimerActif());
  EXPECT_EQ(agent.NbreSessions(), 2);

  answer = "Yes";
  window->close();
  EXPECT_TRUE(window->isVisible());  // the sessions are still closing
  EXPECT_TRUE(window->Fermeture().TimerActif());
  const uint32_t period = window->Fermeture().Intervalle();
  EXPECT_EQ(period, TSequenceFermeture::kIntervalleDefaut);
  ASSERT_TRUE(loop.runUntil([&] { return !window->isVisible(); }, static_cast<int>(4 * period)));
  EXPECT_EQ(questions.size(), 2u);  // the timer's repeats ask nothing
  EXPECT_EQ(agent.NbreSessions(), 0);
  EXPECT_FALSE(agent.Connecte());
  EXPECT_TRUE(agent.EstInactif());
  EXPECT_FALSE(window->Fermeture().TimerActif());
  // The configuration is written once the close is allowed.
  ConfigurationStore reread(folder.path().string(), "");
  EXPECT_EQ(reread.ReadString("FrmPrincipale", "RacineServeur", ""), service.root);
}

// The French catalogue built with the program, installed for this test only.
class French {
public:
  French() : previous_(TraducteurCourant()) {
    CatalogueTranslator::Options options;
    options.localeFolder = CORVANE_LOCALE_DIR;
    options.language = "fr_FR";
    InstallerTraducteur(std::make_shared<CatalogueTranslator>(std::move(options)));
  }
  ~French() { InstallerTraducteur(previous_); }

private:
  std::shared_ptr<CatalogueTranslator> previous_;
};

TEST_F(FrmPrincipaleTest, WindowsAndDialogsShowFrenchCaptions) {
  French french;
  window.reset();  // built again in French
  window = std::make_unique<TFrmPrincipale>(loop, *store);
  EXPECT_EQ(window->Action(A::Exporter)->text(), "Exporter vers un fichier");
  TBoitesQt boites(window.get());
  TPasswordChangeDialog password(boites, window.get());
  EXPECT_EQ(password.windowTitle(), "Changement de mot de passe");
  EXPECT_NE(password.findChild<QLabel*>()->text(), "Previous password");
  TFrmReouvertureSession reopening(window.get());
  EXPECT_EQ(reopening.windowTitle(), "Session perdue");
  EXPECT_EQ(reopening.findChild<QPushButton*>("btnAnnuler")->text(), "&Annuler");
}

}  // namespace
}  // namespace corvane::shell::ui
