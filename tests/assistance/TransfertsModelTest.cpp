#include <gtest/gtest.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <set>

#include "ArchiveTestSupport.h"
#include "TransfertsTestSupport.h"
#include "assistance/FolderArchiveReader.h"
#include "assistance/FolderArchiveWriter.h"
#include "assistance/SessionLimits.h"
#include "assistance/TexteTransfert.h"
#include "base/ManualLoop.h"
#include "session/FileTransfertError.h"

using namespace corvane;
using namespace corvane::assistance;
using namespace corvane::assistance::testing;
using session::TOLAFileTransfertProgressInfos;

namespace {

// The session side: open sendings counted here, packing on real threads it owns.
class FakeSession final : public ISessionTransferts {
public:
  explicit FakeSession(base::ManualLoop& loop)
      : loop_(loop), planificateur_(loop, [this] { return ouverts; },
                                    [this](const TScheduledTransfert& t) { EnvoyerFichier(t.Fichier, t.Repertoire); }) {}
  ~FakeSession() override { threads.StopAll(); }

  int ouverts = 0;
  std::vector<std::pair<std::string, std::string>> envois;
  std::set<std::string> refuses;
  uint8_t autorisations = 0;
  int terminaisons = 0;
  CompressionThreadList threads;

  int EnvoisOuverts() const override { return ouverts; }
  void EnvoyerFichier(const std::string& f, const std::string& r) override {
    if (refuses.count(f)) throw session::EFileTransfertSourceFileError("Source file \"" + f + "\" is empty");
    if (ouverts < kMaxEnvoisOuverts) {
      envois.emplace_back(f, r);
      ++ouverts;
    } else {
      planificateur_.Ajouter(f, r);
    }
  }
  void DemarrerCompression(TCompressionDecompressionThread::Mode mode, const std::string& source,
                           const std::string& destination, std::function<void(bool, const std::string&)> fin) override {
    auto* t = new TCompressionDecompressionThread(loop_, mode, source, destination, &threads);
    t->OnTerminate = [fin](TCompressionDecompressionThread& th) { fin(th.Aborted(), th.ErrorMessage()); };
    t->Start();
  }
  void TerminerCompressions() override {
    ++terminaisons;
    threads.TerminateAll();
  }
  void SetAutorisations(uint8_t bits) override { autorisations = bits; }
  TPlanificateurTransferts& Planificateur() override { return planificateur_; }

private:
  base::ManualLoop& loop_;
  TPlanificateurTransferts planificateur_;
};

TOLAFileTransfertProgressInfos Infos(session::TOLAFileTransfertStatus status, session::TOLAFileTransfertDirection d,
                                     int64_t done = 0, int64_t size = 2048) {
  TOLAFileTransfertProgressInfos i;
  i.FileName = "C:\\Users\\client\\report.PDF";
  i.FileSize = size;
  i.Transferred = done;
  i.Status = status;
  i.Direction = d;
  i.Authorizations = 3;
  return i;
}

class TransfertsModelTest : public ::testing::Test {
protected:
  base::ManualLoop loop;
  FakeSession session{loop};
  BureauScript bureau;
  TempFolder tmp;
  std::unique_ptr<TFrmToolFileTransfertModel> model;
  int arrets = 0;
  std::function<void()> arreter = [this] { ++arrets; };

  void SetUp() override {
    model = std::make_unique<TFrmToolFileTransfertModel>(session);
    model->SetBureau(&bureau);
  }
  // A received file, transferred, whose temporary file holds content.
  TFrmTransfertProgressionModel& Recu(const void* key, const std::string& content, const std::string& dir = "") {
    const fs::path local = tmp.path() / ("recv-" + std::to_string(reinterpret_cast<uintptr_t>(key)) + ".tmp");
    WriteFile(local, content);
    auto i = Infos(session::ftsPreparing, session::ftdReceive, 0, static_cast<int64_t>(content.size()));
    i.LocalFileName = local.string();
    i.DirectoryName = dir;
    model->Rapport(key, i, arreter);
    i.Status = session::ftsTransferred;
    i.Transferred = i.FileSize;
    model->Rapport(key, i, arreter);
    return *model->Lignes().back();
  }
  bool Pump(const std::function<bool()>& pred) { return loop.pumpUntil(pred, 10000); }
};

}  // namespace

TEST(TexteTransfert, SizesAndRemainingTimes) {
  struct { double octets; const char* texte; } tailles[] = {
      {0, "0 octets"}, {1000, "1000 octets"}, {1023, "1023 octets"}, {1024, "1.0 ko"}, {1536, "1.5 ko"},
      {1024.0 * 1024 - 1, "1024.0 ko"}, {1024.0 * 1024, "1.00 Mo"}, {5.5 * 1024 * 1024, "5.50 Mo"},
      {1024.0 * 1024 * 1024, "1.000 Go"}, {3.25 * 1024 * 1024 * 1024, "3.250 Go"}};
  for (const auto& c : tailles) EXPECT_EQ(TexteTaille(c.octets), c.texte) << c.octets;
  EXPECT_EQ(TexteTaille(1536, ','), "1,5 ko");
  struct { int64_t s; const char* texte; } temps[] = {
      {0, "00:00"}, {59, "00:59"}, {125, "02:05"}, {3599, "59:59"}, {3600, "01:00:00"}, {3725, "01:02:05"},
      {360000, "100:00:00"}};
  for (const auto& c : temps) EXPECT_EQ(TexteTempsRestant(c.s), c.texte) << c.s;
}

TEST(TexteTransfert, UnpackingTargetIsOneSafeFolderName) {
  struct { const char* emetteur; const char* nom; } cas[] = {
      {"C:\\Users\\client\\Documents", "Documents"},
      {"C:\\Users\\client\\Photos\\", "Photos"},
      {"/home/client/notes", "notes"},
      {"C:\\data/..\\evil/../x", "x"},
      {"..", "Folder"},
      {"C:\\", "C"},
      {"\\\\server\\share\\a:b*c?", "abc"},
      {"dots...", "dots"},
      {"", "Folder"},
      {"\\/", "Folder"},
  };
  for (const auto& c : cas) EXPECT_EQ(NomDossierSur(c.emetteur), c.nom) << c.emetteur;
  EXPECT_EQ(DernierComposant("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(DernierComposant("x/y/"), "y");
}

TEST_F(TransfertsModelTest, CaptionCountsAndAtLeastOneEndOperation) {
  EXPECT_EQ(model->Caption(), "No upload, No download");
  EXPECT_EQ(session.autorisations, 3);
  model->SetAutoriserExecuter(false);
  EXPECT_EQ(session.autorisations, 1);
  model->SetAutoriserEnregistrer(false);  // both off: save comes back on
  EXPECT_TRUE(model->AutoriserEnregistrer());
  EXPECT_EQ(session.autorisations, 1);
  model->SetAutoriserExecuter(true);
  model->SetAutoriserEnregistrer(false);
  EXPECT_EQ(session.autorisations, 2);

  int a = 0, b = 0;
  model->Rapport(&a, Infos(session::ftsPreparing, session::ftdSend), arreter);
  EXPECT_EQ(model->Caption(), "1 uploads, No download");
  model->Rapport(&b, Infos(session::ftsPreparing, session::ftdReceive), arreter);
  model->Rapport(&a, Infos(session::ftsTransferring, session::ftdSend, 100), arreter);  // same line
  EXPECT_EQ(model->Lignes().size(), 2u);
  EXPECT_EQ(model->Caption(), "1 uploads, 1 downloads");
  model->Rapport(&b, Infos(session::ftsCancelled, session::ftdReceive), arreter);
  model->EffacerTermines();
  EXPECT_EQ(model->Caption(), "1 uploads, No download");
}

TEST_F(TransfertsModelTest, ProgressLineStatesButtonsAndLabels) {
  int t = 0;
  auto i = Infos(session::ftsPreparing, session::ftdSend, 0, 3 * 1024 * 1024);
  i.FileName = "/home/agent/big.iso";
  model->Rapport(&t, i, arreter);
  auto& l = *model->Lignes().back();
  EXPECT_TRUE(l.Visible());
  EXPECT_EQ(l.Premier(), TFrmTransfertProgressionModel::PremierBouton::Annuler);
  EXPECT_TRUE(l.PremierVisible());
  EXPECT_FALSE(l.SaveVisible() || l.ExecuteVisible());
  EXPECT_EQ(l.TexteNom(), "/home/agent/big.iso");  // outgoing: the full path
  EXPECT_EQ(l.TexteEtat(), "Preparing");
  EXPECT_EQ(l.TexteTailles(), "0 octets of 3.00 Mo");

  i.Status = session::ftsTransferring;
  i.Transferred = 1536;
  i.BytesPerSecond = 2048;
  i.RemainingSeconds = 3725;
  model->Rapport(&t, i, arreter);
  EXPECT_EQ(l.TexteEtat(), "Transferring, 01:02:05 remaining.");
  EXPECT_EQ(l.TexteTailles(), "1.5 ko of 3.00 Mo at 2.0 ko/s");
  EXPECT_EQ(l.BarrePosition(), 1536);
  EXPECT_EQ(l.BarreMax(), 3 * 1024 * 1024);

  // Cancel acts at the next report: the status says so and the transfer is asked to stop once.
  model->Annuler(l.Id());
  EXPECT_EQ(arrets, 0);
  model->Rapport(&t, i, arreter);
  EXPECT_EQ(l.TexteEtat(), "Cancelling...");
  EXPECT_EQ(arrets, 1);
  i.Status = session::ftsCancelled;
  model->Rapport(&t, i, arreter);
  EXPECT_EQ(arrets, 1);
  EXPECT_FALSE(l.Lie());
  EXPECT_EQ(l.Premier(), TFrmTransfertProgressionModel::PremierBouton::Fermer);
  EXPECT_EQ(l.TexteEtat(), "Cancelled");
  EXPECT_EQ(l.TexteTailles(), "1.5 ko of 3.00 Mo");

  // An incoming one: its name without the sender's path; Save and Execute by the authorizations.
  int r = 0;
  auto in = Infos(session::ftsPreparing, session::ftdReceive);
  in.Authorizations = 1;
  model->Rapport(&r, in, arreter);
  auto& recu = *model->Lignes().back();
  EXPECT_EQ(recu.TexteNom(), "report.PDF");
  in.Status = session::ftsTransferred;
  in.Transferred = in.FileSize;
  in.RemainingSeconds = 5;
  model->Rapport(&r, in, arreter);
  EXPECT_EQ(recu.TexteEtat(), "Transferred");
  EXPECT_TRUE(recu.SaveVisible() && recu.SaveEnabled());
  EXPECT_TRUE(recu.ExecuteVisible());
  EXPECT_FALSE(recu.ExecuteEnabled());
  // A state 0 report shows dashes.
  int z = 0;
  model->Rapport(&z, Infos(session::ftsNone, session::ftdReceive), arreter);
  EXPECT_EQ(model->Lignes().back()->TexteEtat(), "---");
  EXPECT_EQ(model->Lignes().back()->TexteTailles(), "---");
}

TEST_F(TransfertsModelTest, LinesUnbindWhenTheirChannelGoesAndAbortAtTheEnd) {
  int t = 0;
  model->Rapport(&t, Infos(session::ftsTransferring, session::ftdSend, 10), arreter);
  auto* first = model->Lignes().back().get();
  model->Annuler(first->Id());
  model->CanalFerme(&t);  // the connection ended on its own thread
  EXPECT_FALSE(first->Lie());
  EXPECT_FALSE(first->PremierVisible());
  // The closing report its thread still sends lands on the same line and stops nothing.
  model->Rapport(&t, Infos(session::ftsCancelled, session::ftdSend, 10), arreter);
  EXPECT_EQ(model->Lignes().size(), 1u);
  EXPECT_EQ(first->Etat(), session::ftsCancelled);
  EXPECT_EQ(arrets, 0);
  // A new transfer at the same address starts a new line.
  model->Rapport(&t, Infos(session::ftsPreparing, session::ftdSend), arreter);
  ASSERT_EQ(model->Lignes().size(), 2u);
  auto* second = model->Lignes().back().get();
  EXPECT_NE(second, first);
  // ... and one that never heard its end, then another at the same address: a new line too.
  model->Rapport(&t, Infos(session::ftsPreparing, session::ftdSend), arreter);
  EXPECT_EQ(model->Lignes().size(), 3u);
  EXPECT_FALSE(second->Lie());

  // The session ends: unfinished lines are aborted, finished ones stay as they are.
  model->MarquerInterrompus();
  for (const auto& l : model->Lignes()) {
    EXPECT_EQ(l->Etat(), session::ftsCancelled);
    EXPECT_EQ(l->Premier(), TFrmTransfertProgressionModel::PremierBouton::Fermer);
    EXPECT_FALSE(l->Lie());
  }
  EXPECT_FALSE(first->Interrompu());
  EXPECT_TRUE(second->Interrompu());
  model->ArreterTout();
  EXPECT_EQ(session.terminaisons, 1);
}

TEST_F(TransfertsModelTest, SendingFilesWarnsAtTheLimitAndSchedulesTheRest) {
  std::vector<std::string> files;
  for (int i = 0; i < 13; ++i) files.push_back("/f" + std::to_string(i));
  model->EnvoyerFichiers(files);  // 13 sends: 12 running, 1 scheduled
  ASSERT_EQ(bureau.boites.size(), 1u);
  EXPECT_EQ(bureau.boites[0].titre, "Too much files");
  EXPECT_EQ(bureau.boites[0].texte, "No more than 12 files at the same time. Other files scheduled.");
  EXPECT_EQ(session.ouverts, 12);
  ASSERT_EQ(session.Planificateur().Elements().size(), 1u);
  EXPECT_EQ(session.Planificateur().Elements()[0].Fichier, "/f12");
  loop.advance(5000);  // still full: it waits
  EXPECT_EQ(session.envois.size(), 12u);
  --session.ouverts;   // one transfer ended
  loop.advance(4999);
  EXPECT_EQ(session.envois.size(), 12u);
  loop.advance(1);     // the 5 s scheduler starts it
  ASSERT_EQ(session.envois.size(), 13u);
  EXPECT_EQ(session.envois[12].first, "/f12");
  EXPECT_FALSE(session.Planificateur().TimerActif());

  // A file the channel layer refuses: its box, and the others still go.
  session.ouverts = 0;
  session.refuses = {"/bad"};
  model->EnvoyerFichiers({"/bad", "/good"});
  ASSERT_EQ(bureau.boites.size(), 2u);
  EXPECT_EQ(bureau.boites[1].titre, "Can't send file");
  EXPECT_EQ(bureau.boites[1].texte, "Source file \"/bad\" is empty");
  EXPECT_EQ(session.envois.back().first, "/good");
  session.refuses.clear();
  session.ouverts = 12;
  model->EnvoyerFichiers({"/g1", "/g2", "/G1"});  // full already: no box, all wait (once each)
  EXPECT_EQ(bureau.boites.size(), 2u);
  EXPECT_EQ(session.Planificateur().Elements().size(), 2u);
  // "Cancel all tranfers" asks first; No leaves everything.
  bureau.reponses = {base::Bouton::Non};
  model->AnnulerTout();
  EXPECT_EQ(bureau.boites.back().texte, "Really cancel all active file transfers now ?");
  EXPECT_EQ(session.Planificateur().Elements().size(), 2u);
  int t = 0;
  model->Rapport(&t, Infos(session::ftsTransferring, session::ftdSend), arreter);
  bureau.reponses = {base::Bouton::Oui};
  model->AnnulerTout();
  EXPECT_TRUE(session.Planificateur().Elements().empty());
  EXPECT_FALSE(session.Planificateur().TimerActif());
  EXPECT_TRUE(model->Lignes().back()->AnnulationDemandee());
}

TEST_F(TransfertsModelTest, SavedCopyWithTheInUseCheck) {
  int k = 0;
  auto& l = Recu(&k, "the content");
  const fs::path dest = tmp.path() / "saved.pdf";
  WriteFile(dest, "old");
  // The destination is held by another program: nothing is written.
  const int fd = ::open(dest.c_str(), O_RDWR);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  bureau.fichiers = {dest.string()};
  model->Enregistrer(l.Id());
  ::close(fd);
  ASSERT_EQ(bureau.boites.size(), 1u);
  EXPECT_EQ(bureau.boites[0].titre, "Can't save");
  EXPECT_EQ(bureau.boites[0].texte, "Destination file \"" + dest.string() + "\" is in use.");
  EXPECT_EQ(ReadFile(dest), "old");
  EXPECT_EQ(bureau.dialoguesEnregistrement[0], "report.PDF | PDF | Fichiers .pdf|*.PDF|Tous fichiers (*.*)|*.*");
  // Free again: copied over, and Execute opens the saved copy.
  bureau.fichiers = {dest.string()};
  model->Enregistrer(l.Id());
  EXPECT_EQ(ReadFile(dest), "the content");
  EXPECT_EQ(l.SavedCopy, dest.string());
  model->Executer(l.Id());
  ASSERT_EQ(bureau.ouverts.size(), 1u);
  EXPECT_EQ(bureau.ouverts[0], dest.string());
}

TEST_F(TransfertsModelTest, ExecuteNeverOpensTheSendersPath) {
  // The sender's path names a file that happens to exist on the agent's machine.
  const fs::path senders = tmp.path() / "senders-own.txt";
  WriteFile(senders, "agent's own file");
  int k = 0;
  auto i = Infos(session::ftsPreparing, session::ftdReceive, 0, 4);
  i.FileName = senders.string();
  const fs::path local = tmp.path() / "received.tmp";
  WriteFile(local, "data");
  i.LocalFileName = local.string();
  model->Rapport(&k, i, arreter);
  i.Status = session::ftsTransferred;
  model->Rapport(&k, i, arreter);
  auto& l = *model->Lignes().back();
  model->Executer(l.Id());
  ASSERT_EQ(bureau.ouverts.size(), 1u);
  EXPECT_EQ(bureau.ouverts[0], local.string());
  // Without the received file any more, nothing opens (never the sender's path).
  fs::remove(local);
  model->Executer(l.Id());
  EXPECT_EQ(bureau.ouverts.size(), 1u);

  // A folder: the sender's folder path exists here too, but only the folder we unpacked opens.
  WriteFile(tmp.path() / "tree" / "a.txt", "A");
  FolderArchiveWriter::Pack((tmp.path() / "tree").string(), (tmp.path() / "tree.z").string());
  int f = 0;
  auto& dossier = Recu(&f, ReadFile(tmp.path() / "tree.z"), tmp.path().string());
  bureau.dossiers = {std::nullopt};  // Execute runs Save: the agent cancels the folder browser
  model->Executer(dossier.Id());
  EXPECT_EQ(bureau.ouverts.size(), 1u);
}

TEST_F(TransfertsModelTest, ReceivedFolderIsUnpackedIntoOneSafeFolder) {
  WriteFile(tmp.path() / "src" / "sub" / "b.txt", "B");
  WriteFile(tmp.path() / "src" / "a.txt", "A");
  FolderArchiveWriter::Pack((tmp.path() / "src").string(), (tmp.path() / "in.z").string());
  const fs::path dest = tmp.path() / "dest";
  fs::create_directories(dest);
  int k = 0;
  // The sender's folder path tries to climb out of the chosen folder.
  auto& l = Recu(&k, ReadFile(tmp.path() / "in.z"), "C:\\Users\\..\\..\\Documents/../Projets");
  EXPECT_EQ(l.TexteNom(), "Projets");
  bureau.dossiers = {dest.string()};
  model->Enregistrer(l.Id());
  const fs::path cible = dest / "Projets";
  ASSERT_TRUE(Pump([&] { return !l.UnpackedFolder.empty(); }));
  EXPECT_EQ(l.UnpackedFolder, cible.string());
  EXPECT_EQ(ReadFile(cible / "sub" / "b.txt"), "B");
  EXPECT_EQ(ReadFile(cible / "a.txt"), "A");
  model->Executer(l.Id());
  ASSERT_EQ(bureau.ouverts.size(), 1u);
  EXPECT_EQ(bureau.ouverts[0], cible.string());

  // Again into the same folder: asked first; No leaves it alone.
  WriteFile(cible / "a.txt", "changed");
  bureau.dossiers = {dest.string()};
  bureau.reponses = {base::Bouton::Non};
  model->Enregistrer(l.Id());
  ASSERT_EQ(bureau.boites.size(), 1u);
  EXPECT_EQ(bureau.boites[0].titre, "Folder already exists");
  EXPECT_EQ(bureau.boites[0].texte, "Folder already exists. Overwrite it ?");
  loop.pump();
  EXPECT_EQ(session.threads.Count(), 0u);
  EXPECT_EQ(ReadFile(cible / "a.txt"), "changed");
  bureau.dossiers = {dest.string()};
  bureau.reponses = {base::Bouton::Oui};
  l.UnpackedFolder.clear();
  model->Enregistrer(l.Id());
  ASSERT_TRUE(Pump([&] { return !l.UnpackedFolder.empty(); }));
  EXPECT_EQ(ReadFile(cible / "a.txt"), "A");

  // Closing the line deletes the received temporary file; the unpacked folder stays.
  const std::string local = l.LocalFile();
  ASSERT_TRUE(fs::exists(local));
  model->Fermer(l.Id());
  EXPECT_FALSE(fs::exists(local));
  EXPECT_TRUE(fs::exists(cible / "a.txt"));
  EXPECT_EQ(model->Caption(), "No upload, No download");
}

TEST_F(TransfertsModelTest, FolderIsPackedSentAndItsArchiveDeletedWithItsLine) {
  WriteFile(tmp.path() / "outgoing" / "x.txt", "X");
  WriteFile(tmp.path() / "single.txt", "S");
  // A folder and a file dropped together; a path that is no folder is sent as a file.
  model->Deposer({(tmp.path() / "outgoing").string(), (tmp.path() / "single.txt").string()});
  ASSERT_EQ(session.envois.size(), 1u);
  EXPECT_EQ(session.envois[0].first, (tmp.path() / "single.txt").string());
  EXPECT_EQ(session.envois[0].second, "");
  ASSERT_TRUE(Pump([&] { return session.envois.size() == 2; }));
  const std::string archive = session.envois[1].first;
  EXPECT_EQ(session.envois[1].second, (tmp.path() / "outgoing").string());
  EXPECT_EQ(fs::path(archive).extension(), ".z");
  EXPECT_EQ(fs::path(archive).parent_path(), fs::temp_directory_path());
  EXPECT_EQ(FolderArchiveReader::List(archive).size(), 1u);

  // Its transfer reports, ends, and the agent closes the line: the archive goes.
  int k = 0;
  auto i = Infos(session::ftsPreparing, session::ftdSend);
  i.FileName = archive;
  i.DirectoryName = (tmp.path() / "outgoing").string();
  model->Rapport(&k, i, arreter);
  EXPECT_EQ(model->Lignes().back()->TexteNom(), (tmp.path() / "outgoing").string());
  i.Status = session::ftsTransferred;
  model->Rapport(&k, i, arreter);
  EXPECT_TRUE(fs::exists(archive));
  model->EffacerTermines();
  EXPECT_FALSE(fs::exists(archive));
  EXPECT_TRUE(fs::exists(tmp.path() / "outgoing" / "x.txt"));

  // A packing stopped by the session's end sends nothing and leaves no archive.
  WriteFile(tmp.path() / "big" / "data.bin", RandomBytes(8'000'000));
  model->EnvoyerDossier((tmp.path() / "big").string());
  model->ArreterTout();
  ASSERT_TRUE(Pump([&] { return session.threads.Count() == 0; }));
  loop.pump();
  EXPECT_EQ(session.envois.size(), 2u);
  EXPECT_TRUE(bureau.boites.empty());
}

TEST_F(TransfertsModelTest, ReceivedTemporaryFilesGoWithTheWindow) {
  int a = 0, b = 0;
  const std::string first = Recu(&a, "one").LocalFile();
  const std::string second = Recu(&b, "two").LocalFile();
  ASSERT_TRUE(fs::exists(first) && fs::exists(second));
  model.reset();
  EXPECT_FALSE(fs::exists(first));
  EXPECT_FALSE(fs::exists(second));
}
