// The update wizard's flow and the download window, on the manual main loop with real local
// HTTP and FTP servers.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>

#include "base/ManualLoop.h"
#include "update/AutoUpdater.h"
#include "update/CurlStreamDownloader.h"
#include "update/MiseAJourModel.h"
#include "update/TelechargementModel.h"
#include "update/TestSupport.h"
#include "update/UpdateError.h"

namespace corvane::update {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;
using Page = TFrmMiseAJourModel::Page;
using Mode = TFrmMiseAJourModel::Mode;

std::string Crc(const std::string& bytes) {
  return std::to_string(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

class TextProvider : public IUpdateInfosProvider {
public:
  std::unique_ptr<TXMLTUpdateInfos> LireInfos() override { return TXMLTUpdateInfos::Parse(text); }
  std::string text;
};

// Writes the body it was given for each URL and reports progress in fixed steps.
class SteppedDownloader : public IStreamDownloader {
public:
  std::map<std::string, std::string> bodies;  // by the URL's last part
  std::vector<int64_t> steps;                 // Travail values, with DebutTravail(1000)
  bool Telecharger(const std::string& url, std::ostream& stream) override {
    const std::string& body = bodies.at(url.substr(url.rfind('/') + 1));
    if (events_) events_->DebutTravail(1000);
    for (int64_t s : steps)
      if (events_) events_->Travail(s);
    stream << body;
    if (events_) events_->FinTravail();
    return true;
  }
  void SetEvenements(IStreamDownloadEvents* events) override { events_ = events; }

private:
  IStreamDownloadEvents* events_ = nullptr;
};

class UpdateWizard : public ::testing::Test {
protected:
  UpdateWizard() {
    fs::create_directories(dir.file("tmp"));
    fs::create_directories(dir.file("app"));
    oldTmp_ = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    ::setenv("TMPDIR", dir.file("tmp").c_str(), 1);
  }
  ~UpdateWizard() override {
    wizard.reset();
    oldTmp_.empty() ? (void)::unsetenv("TMPDIR") : (void)::setenv("TMPDIR", oldTmp_.c_str(), 1);
  }
  // Entries "<mandatory?>name": served over HTTP as "new <name>".
  void Prepare(const std::vector<std::pair<bool, std::string>>& entries) {
    std::string text = "<updates>";
    for (const auto& [mandatory, name] : entries) {
      server.Serve("/" + name, "new " + name);
      text += std::string("<update mandatory=\"") + (mandatory ? "true" : "false") + "\"><filename>" +
              dir.file(name) + "</filename><description>" + name + "</description><url>" + server.Url("/" + name) +
              "</url><crc32>" + Crc("new " + name) + "</crc32></update>";
    }
    provider->text = text + "</updates>";
    engine = std::make_unique<TAutoUpdater>(RunningProgram{dir.file("app/CorvaneAgent"), {}}, "", SpecialFolders{});
    engine->InfosProvider = provider;
    engine->StreamDownloader = std::make_shared<TCurlStreamDownloader>();
    engine->StartProcess = [this](const std::string&, const std::vector<std::string>&) { ++helpers; };
    engine->Verifier();
    wizard = std::make_unique<TFrmMiseAJourModel>(
        loop, *engine, "Corvane Agent", [this](bool ok) { closes.push_back(ok); },
        [this] { counters.push_back(wizard->TexteCompteur()); });
  }
  bool RunToEnd() {
    return loop.pumpUntil([&] { return !wizard->ApplicationEnCours() && wizard->PeutFermer(); });
  }

  base::ManualLoop loop;
  test::TempDir dir;
  test::TestHttpServer server;
  std::shared_ptr<TextProvider> provider = std::make_shared<TextProvider>();
  std::unique_ptr<TAutoUpdater> engine;
  std::unique_ptr<TFrmMiseAJourModel> wizard;
  std::vector<bool> closes;
  std::vector<std::string> counters;
  int helpers = 0;

private:
  std::string oldTmp_;
};

TEST_F(UpdateWizard, TwoMandatoryUpdatesStartAtOnceAndCannotBeClosedMeanwhile) {
  Prepare({{true, "a"}, {true, "b"}});
  wizard->Afficher();
  EXPECT_TRUE(wizard->AutoDemarrage());
  EXPECT_TRUE(wizard->Entrees().empty());
  EXPECT_EQ(wizard->PageCourante(), Page::Selection);
  wizard->Activer();
  EXPECT_EQ(wizard->PageCourante(), Page::Telechargement);
  // The apply waits for the main thread at its first step: closing is refused until it ends.
  EXPECT_FALSE(wizard->PeutFermer());
  EXPECT_EQ(wizard->MaximumTotal(), 20);
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(wizard->PageCourante(), Page::Fin);
  EXPECT_EQ(wizard->TexteCompteur(), "2 / 2");
  EXPECT_EQ(wizard->SousTitre(),
            "Update has been successfully processed.\r\nCorvane Agent will now continue to load normally.");
  EXPECT_EQ(ReadFile(dir.file("a")), "new a");
  EXPECT_EQ(ReadFile(dir.file("b")), "new b");
  EXPECT_TRUE(closes.empty());
  wizard->Terminer();
  EXPECT_EQ(closes, std::vector<bool>{true});
}

TEST_F(UpdateWizard, UncheckedOptionalEntryIsLeftOutAndTheCounterRunsToTwo) {
  Prepare({{true, "m"}, {false, "o1"}, {false, "o2"}});
  wizard->Afficher();
  ASSERT_EQ(wizard->Entrees().size(), 3u);
  EXPECT_TRUE(wizard->ModesVisibles());
  EXPECT_EQ(wizard->ModeCourant(), Mode::Complete);
  wizard->Cocher(0, false);  // mandatory: cannot be changed
  EXPECT_TRUE(wizard->Entrees()[0].coche);
  EXPECT_EQ(wizard->ModeCourant(), Mode::Complete);
  wizard->Cocher(2, false);
  EXPECT_EQ(wizard->ModeCourant(), Mode::Personnalisee);
  wizard->Activer();  // optional entries: no automatic start
  EXPECT_EQ(wizard->PageCourante(), Page::Selection);
  wizard->Demarrer();
  EXPECT_EQ(wizard->TexteCompteur(), "0 / 2");
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(wizard->TexteCompteur(), "2 / 2");
  // The counter moved one by one, also across the left-out entry.
  EXPECT_NE(std::find(counters.begin(), counters.end(), "1 / 2"), counters.end());
  EXPECT_EQ(ReadFile(dir.file("o1")), "new o1");
  EXPECT_FALSE(fs::exists(dir.file("o2")));
  for (const auto& r : server.Requests()) EXPECT_NE(r.path, "/o2");
}

TEST_F(UpdateWizard, OptionalOnlyModesAndTheStartButton) {
  Prepare({{false, "x"}, {false, "y"}});
  wizard->Afficher();
  EXPECT_FALSE(wizard->ModesVisibles());
  EXPECT_FALSE(wizard->AutoDemarrage());
  wizard->Cocher(0, false);
  wizard->Cocher(1, false);
  EXPECT_FALSE(wizard->DemarrerVisible());  // only "&Cancel"
  wizard->Demarrer();
  EXPECT_EQ(wizard->PageCourante(), Page::Selection);
  wizard->ChoisirMode(Mode::Complete);
  EXPECT_TRUE(wizard->Entrees()[0].coche && wizard->Entrees()[1].coche);
  EXPECT_EQ(engine->NombreATelecharger(), 2);
  wizard->ChoisirMode(Mode::Minimale);
  EXPECT_FALSE(wizard->Entrees()[0].coche || wizard->Entrees()[1].coche);
  EXPECT_EQ(engine->NombreATelecharger(), 0);
  wizard->ChoisirMode(Mode::Personnalisee);  // changes nothing
  EXPECT_EQ(engine->NombreATelecharger(), 0);
  wizard->Annuler();
  EXPECT_EQ(closes, std::vector<bool>{false});
  EXPECT_FALSE(fs::exists(dir.file("x")));
}

TEST_F(UpdateWizard, FailingSecondDownloadShowsTheErrorAndKeepsTheFirst) {
  WriteFile(dir.file("b"), "old b");
  Prepare({{true, "a"}, {true, "b"}});
  server.ServeCut("/b", std::string(50000, 'b'), 20000);
  wizard->Afficher();
  wizard->Activer();
  ASSERT_TRUE(RunToEnd());
  EXPECT_EQ(wizard->PageCourante(), Page::Fin);
  EXPECT_EQ(wizard->SousTitre(),
            "An error occured during update. Try update later.\r\n\r\n"
            "Corvane Agent will now continue to load normally.");
  EXPECT_EQ(ReadFile(dir.file("a")), "new a");
  EXPECT_EQ(ReadFile(dir.file("b")), "old b");
}

TEST_F(UpdateWizard, BarsFollowTheFileAndTheCounter) {
  Prepare({{true, "a"}, {true, "b"}});
  auto fake = std::make_shared<SteppedDownloader>();
  fake->bodies = {{"a", "new a"}, {"b", "new b"}};
  fake->steps = {0, 250, 999, 1000};
  engine->StreamDownloader = fake;
  std::vector<std::string> seen;
  wizard = std::make_unique<TFrmMiseAJourModel>(loop, *engine, "Corvane Agent", [](bool) {}, [&] {
    seen.push_back(std::to_string(wizard->PositionFichier()) + "/" + std::to_string(wizard->MaximumFichier()) + " " +
                   std::to_string(wizard->PositionTotale()) + " " + wizard->DescriptionCourante());
  });
  wizard->Afficher();
  wizard->Activer();
  ASSERT_TRUE(RunToEnd());
  const std::vector<std::string> expected = {
      "0/1000 0 a",    "0/1000 0 a",   "250/1000 2 a", "999/1000 9 a",  "1000/1000 10 a", "1000/1000 10 ",
      "1000/1000 10 ", "0/1000 10 b",  "0/1000 10 b",  "250/1000 12 b", "999/1000 19 b",  "1000/1000 20 b",
      "1000/1000 20 ", "1000/1000 20 ",
  };
  // The first lines are the start of the page and the end page's line is last.
  ASSERT_GE(seen.size(), expected.size() + 2);
  EXPECT_EQ(std::vector<std::string>(seen.begin() + 2, seen.begin() + 2 + static_cast<long>(expected.size())),
            expected);
}

TEST_F(UpdateWizard, UpdateNeedingTheHelperClosesAtOnceWithoutTheEndPage) {
  Prepare({{true, "a"}});
  provider->text.replace(provider->text.find("<update "), 8, "<update restart=\"true\" ");
  engine->Verifier();
  wizard->Afficher();
  wizard->Activer();
  ASSERT_TRUE(RunToEnd());
  EXPECT_TRUE(engine->TerminateRequired());
  EXPECT_EQ(closes, std::vector<bool>{true});
  EXPECT_NE(wizard->PageCourante(), Page::Fin);
  EXPECT_EQ(helpers, 1);
}

TEST_F(UpdateWizard, DestroyedDuringTheApplyWaitsForIt) {
  Prepare({{true, "a"}, {true, "b"}});
  wizard->Afficher();
  wizard->Activer();
  wizard.reset();  // serves the hand-overs until the apply ended, then joins
  EXPECT_EQ(ReadFile(dir.file("b")), "new b");
  EXPECT_FALSE(engine->OnWork);
}

// ---- The download window

class DownloadWindow : public ::testing::Test {
protected:
  DownloadWindow() {
    window.SetSurSucces([this] { outcomes.push_back("success"); });
    window.SetSurEchec([this] { outcomes.push_back("failure"); });
  }
  bool Finish() { return loop.pumpUntil([&] { return !outcomes.empty(); }); }

  base::ManualLoop loop;
  test::TempDir dir;
  std::vector<std::string> shown;  // caption while visible
  TFrmTelechargementModel window{loop, [this] {
                                   if (window.Visible()) shown.push_back(window.Titre());
                                 }};
  std::vector<std::string> outcomes;
};

TEST_F(DownloadWindow, HttpDownloadShowsProgressThenReportsSuccess) {
  test::TestHttpServer server;
  const std::string body(300000, 'c');
  server.Serve("/setup.bin", body);
  WriteFile(dir.file("setup.bin"), "previous longer content that must go");
  window.SetFichier(dir.file("setup.bin"));
  EXPECT_EQ(window.NomFichier(), "setup.bin");
  window.SetURL(server.Url("/setup.bin"));
  EXPECT_EQ(window.Titre(), "0 %");
  window.Demarrer();
  ASSERT_TRUE(Finish());
  EXPECT_EQ(outcomes, std::vector<std::string>{"success"});
  EXPECT_EQ(ReadFile(dir.file("setup.bin")), body);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), "0 %");
  EXPECT_EQ(shown.back(), "100 %");
  EXPECT_FALSE(window.Visible());
  EXPECT_FALSE(window.EnCours());
}

TEST_F(DownloadWindow, FailuresLeaveNoFile) {
  test::TestHttpServer server;
  server.ServeCut("/cut", std::string(50000, 'x'), 20000);
  fs::create_directories(dir.file("ftp"));
  WriteFile(dir.file("ftp/client.bin"), "client");
  test::TestFtpServer ftp(dir.file("ftp"));
  const std::string ftpBase = "ftp://127.0.0.1:" + std::to_string(ftp.port());
  const std::string urls[] = {
      ftpBase.substr(0, 6) + "intruder:wrong@" + ftpBase.substr(6) + "/client.bin",  // login refused
      server.Url("/cut"),
      "file:///etc/hostname",  // a scheme the downloader does not handle
  };
  for (const std::string& url : urls) {
    SCOPED_TRACE(url);
    outcomes.clear();
    WriteFile(dir.file("target.bin"), "old");
    window.SetFichier(dir.file("target.bin"));
    window.SetURL(url);
    window.Demarrer();
    ASSERT_TRUE(Finish());
    EXPECT_EQ(outcomes, std::vector<std::string>{"failure"});
    EXPECT_FALSE(fs::exists(dir.file("target.bin")));
    EXPECT_FALSE(window.Visible());
  }
  // The same window then succeeds over FTP with the anonymous log-in.
  outcomes.clear();
  window.SetURL(ftpBase + "/client.bin");
  window.Demarrer();
  ASSERT_TRUE(Finish());
  EXPECT_EQ(outcomes, std::vector<std::string>{"success"});
  EXPECT_EQ(ReadFile(dir.file("target.bin")), "client");
}

}  // namespace
}  // namespace corvane::update
