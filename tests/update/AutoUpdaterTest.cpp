// The update engine: which entries are needed, applying them, the helper's command line and the
// run that follows an update.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "update/AutoUpdater.h"
#include "update/CurlStreamDownloader.h"
#include "update/HelperImage.h"
#include "update/TestSupport.h"
#include "update/UpdateError.h"
#include "update/helper/HelperCommandLine.h"

namespace corvane::update {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

class TextProvider : public IUpdateInfosProvider {
public:
  std::unique_ptr<TXMLTUpdateInfos> LireInfos() override {
    ++calls;
    if (fail) throw EUpdateDownloadError("server down");
    auto infos = TXMLTUpdateInfos::Parse(text);
    infos->SetFilesOverHttpsOnly(overHttps);
    return infos;
  }
  std::string text;
  bool fail = false;
  bool overHttps = false;
  int calls = 0;
};

std::string Crc(const std::string& bytes) {
  return std::to_string(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

class AutoUpdaterTest : public ::testing::Test {
protected:
  AutoUpdaterTest() {
    fs::create_directories(dir.file("tmp"));
    fs::create_directories(dir.file("app"));
    oldTmp_ = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    ::setenv("TMPDIR", dir.file("tmp").c_str(), 1);
  }
  ~AutoUpdaterTest() override {
    oldTmp_.empty() ? (void)::unsetenv("TMPDIR") : (void)::setenv("TMPDIR", oldTmp_.c_str(), 1);
  }

  std::unique_ptr<TAutoUpdater> MakeEngine(const std::string& justUpdatedSwitch = "") {
    auto engine = std::make_unique<TAutoUpdater>(
        RunningProgram{dir.file("app/CorvaneAgent"), {"-login", "agent", "-pwd", "a \"b\""}}, justUpdatedSwitch,
        SpecialFolders{});
    engine->InfosProvider = provider;
    engine->StreamDownloader = std::make_shared<TCurlStreamDownloader>();
    engine->StartProcess = [this](const std::string& exe, const std::vector<std::string>& args) {
      started.push_back({exe, args});
    };
    return engine;
  }
  std::string Descriptor(const std::string& body) const {
    std::string text = "<updates>" + body + "</updates>";
    for (size_t at; (at = text.find("$DIR")) != std::string::npos;) text.replace(at, 4, dir.path());
    for (size_t at; (at = text.find("$URL")) != std::string::npos;) text.replace(at, 4, server.Url(""));
    return text;
  }
  std::vector<std::string> RemainingDescriptions(TAutoUpdater& engine) const {
    std::vector<std::string> out;
    for (size_t i = 0; engine.Infos() && i < engine.Infos()->Updates().Count(); ++i)
      out.push_back(engine.Infos()->Updates()[i].Description());
    return out;
  }
  bool TempFolderEmpty() const { return fs::is_empty(dir.file("tmp")); }

  test::TempDir dir;
  test::TestHttpServer server;
  std::shared_ptr<TextProvider> provider = std::make_shared<TextProvider>();
  struct Start {
    std::string exe;
    std::vector<std::string> args;
  };
  std::vector<Start> started;

private:
  std::string oldTmp_;
};

TEST_F(AutoUpdaterTest, VersionRuleComparesFourNumericParts) {
  struct Case {
    const char* entry;
    std::array<uint32_t, 4> installed;
    bool needed;
  } cases[] = {
      {"1.2.0.0", {1, 10, 0, 0}, false},  // numeric, not textual
      {"1.3", {1, 3, 0, 0}, false},
      {"1.3", {1, 2, 9, 9}, true},
      {"0", {1, 0, 0, 0}, false},
      {"1.0.0.1", {1, 0, 0, 0}, true},
      {"2.0.0.0", {1, 9, 9, 9}, true},
      {"1.0.0.0", {0, 0, 0, 0}, false},  // an installed version of all zeros is never older
      {"abc", {1, 0, 0, 0}, false},
      {" 1 . 4 ", {1, 3, 0, 0}, true},
  };
  std::string body;
  std::vector<std::string> expected;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string name = "v" + std::to_string(i);
    test::CopyWithVersion(CORVANE_VERSION_FIXTURE, dir.file(name), cases[i].installed);
    body += "<update><filename>$DIR/" + name + "</filename><description>" + name + "</description><version>" +
            cases[i].entry + "</version></update>";
    if (cases[i].needed) expected.push_back(name);
  }
  body += "<update><filename>$DIR/absent</filename><description>absent</description><version>1.0</version></update>";
  expected.push_back("absent");
  provider->text = Descriptor(body);
  auto engine = MakeEngine();
  engine->Verifier();
  EXPECT_EQ(RemainingDescriptions(*engine), expected);
  EXPECT_EQ(engine->NombreMisesAJour(), static_cast<int>(expected.size()));
  EXPECT_EQ(engine->OptionalCount(), static_cast<int>(expected.size()));
  EXPECT_FALSE(engine->HasMandatory());
}

TEST_F(AutoUpdaterTest, CrcRuleComparesTheDecimalTextExactly) {
  WriteFile(dir.file("data.txt"), "hello");
  const std::string crc = Crc("hello");
  struct Case {
    std::string file, crc;
    bool needed;
  } cases[] = {
      {"data.txt", crc, false}, {"data.txt", "0" + crc, true}, {"data.txt", " " + crc, true},
      {"data.txt", "", true},   {"data.txt", "12345", true},   {"missing.txt", crc, true},
  };
  std::string body;
  std::vector<std::string> expected;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string id = "c" + std::to_string(i);
    body += "<update mandatory=\"true\"><filename>$DIR/" + cases[i].file + "</filename><description>" + id +
            "</description><crc32>" + cases[i].crc + "</crc32></update>";
    if (cases[i].needed) expected.push_back(id);
  }
  provider->text = Descriptor(body);
  auto engine = MakeEngine();
  engine->Verifier();
  EXPECT_EQ(RemainingDescriptions(*engine), expected);
  EXPECT_EQ(engine->MandatoryCount(), static_cast<int>(expected.size()));
  EXPECT_TRUE(engine->Completed());
}

TEST_F(AutoUpdaterTest, ExistingTargetWithoutVersionInformationFailsTheCheck) {
  WriteFile(dir.file("app/readme.txt"), "no version here");
  provider->text = Descriptor(
      "<update><filename>[maj:app/]readme.txt</filename><version>1.0</version></update>"
      "<update><filename>$DIR/other</filename><crc32>1</crc32></update>");
  auto engine = MakeEngine();
  EXPECT_THROW(engine->Verifier(), EUpdateVersionInfoError);
  EXPECT_EQ(engine->Infos(), nullptr);
  EXPECT_EQ(engine->NombreMisesAJour(), 0);
}

TEST_F(AutoUpdaterTest, RelativeOrEscapingTargetsAreRefused) {
  for (const std::string target :
       {"relative/file", "[maj:unknown/]file", "$DIR/../outside", "", "$DIR/a/../../b"}) {
    for (const char* kind : {"update", "delete"}) {
      provider->text = Descriptor(std::string("<") + kind + "><filename>" + target + "</filename></" + kind + ">");
      auto engine = MakeEngine();
      EXPECT_THROW(engine->Verifier(), EUpdateUnsafeTarget) << kind << " " << target;
      EXPECT_EQ(engine->Infos(), nullptr);
    }
  }
}

TEST_F(AutoUpdaterTest, UnreadableDescriptorMeansNoUpdate) {
  provider->fail = true;
  auto engine = MakeEngine();
  EXPECT_NO_THROW(engine->Verifier());
  EXPECT_EQ(engine->NombreMisesAJour(), 0);
  EXPECT_EQ(engine->Infos(), nullptr);
  engine->Appliquer(TAutoUpdater::kMandatory | TAutoUpdater::kOptional);  // nothing to apply
  EXPECT_EQ(engine->AppliedCount(), 0);
}

TEST_F(AutoUpdaterTest, DeleteEntriesForMissingFilesDisappearAtTheCheck) {
  WriteFile(dir.file("old1"), "x");
  WriteFile(dir.file("old2"), "y");
  provider->text = Descriptor(
      "<delete><filename>$DIR/old1</filename></delete>"
      "<delete restart=\"true\"><filename>$DIR/gone</filename></delete>"
      "<delete restart=\"true\"><filename>$DIR/old2</filename></delete>");
  auto engine = MakeEngine();
  engine->Verifier();
  ASSERT_EQ(engine->Infos()->Deletes().Count(), 2u);
  engine->Appliquer(TAutoUpdater::kMandatory | TAutoUpdater::kOptional);
  EXPECT_TRUE(engine->Completed());
  EXPECT_FALSE(fs::exists(dir.file("old1")));  // deleted at once
  EXPECT_TRUE(fs::exists(dir.file("old2")));   // left to the helper
  ASSERT_EQ(started.size(), 1u);                // never for the missing file
  EXPECT_EQ(started[0].args, (std::vector<std::string>{"-dest", dir.file("old2"), "-action", "2", "-pid",
                                                       std::to_string(::getpid())}));
  EXPECT_TRUE(engine->TerminateRequired());
  EXPECT_FALSE(engine->SelfUpdate());
}

TEST_F(AutoUpdaterTest, AppliesDownloadsWithProgressAndKeepsFileModes) {
  WriteFile(dir.file("app/tool"), "old tool");
  fs::permissions(dir.file("app/tool"), fs::perms::owner_all | fs::perms::group_read);
  server.Serve("/tool", "new tool");
  server.Serve("/lib/data.bin", "fresh data");
  server.Serve("/renamed", "optional file");
  provider->text = Descriptor(
      "<update mandatory=\"true\"><filename>[maj:app/]tool</filename><description>Tool</description>"
      "<url>$URL/tool</url><crc32>" + Crc("new tool") + "</crc32></update>"
      "<update mandatory=\"true\"><filename>$DIR/new/sub/data.bin</filename><url>$URL/lib/data.bin</url>"
      "<crc32>" + Crc("fresh data") + "</crc32></update>"
      "<update><filename>$DIR/optional</filename><url>$URL/original</url><crc32>" + Crc("optional file") +
      "</crc32></update>");
  auto engine = MakeEngine();
  engine->Verifier();
  ASSERT_EQ(engine->MandatoryCount(), 2);
  ASSERT_EQ(engine->OptionalCount(), 1);
  std::vector<std::string> events;
  engine->OnWorkBegin = [&](TAutoUpdater& e, int64_t total) {
    events.push_back("begin " + std::to_string(total) + " " + (e.CurrentEntry() ? e.CurrentEntry()->Description() : ""));
  };
  engine->OnWorkEnd = [&](TAutoUpdater&) { events.push_back("end"); };
  engine->OnUpdateApplied = [&](TAutoUpdater& e) { events.push_back("applied " + std::to_string(e.AppliedCount())); };
  engine->OnUpdateTerminated = [&](TAutoUpdater& e) {
    events.push_back(std::string("terminated ") + (e.CurrentEntry() ? "with entry" : "no entry"));
  };
  engine->BeforeDownload = [](TAutoUpdater&, std::string& url) {
    if (url.ends_with("/original")) url.replace(url.size() - 9, 9, "/renamed");
  };
  engine->Appliquer(TAutoUpdater::kMandatory);  // the optional entry is not selected
  EXPECT_TRUE(engine->Completed()) << engine->LastError();
  EXPECT_EQ(ReadFile(dir.file("app/tool")), "new tool");
  EXPECT_EQ(fs::status(dir.file("app/tool")).permissions(), fs::perms::owner_all | fs::perms::group_read);
  EXPECT_EQ(ReadFile(dir.file("new/sub/data.bin")), "fresh data");
  EXPECT_FALSE(fs::exists(dir.file("optional")));
  EXPECT_EQ(events, (std::vector<std::string>{"begin 8 Tool", "end", "applied 1", "begin 10 ", "end", "applied 2",
                                              "terminated no entry"}));
  EXPECT_TRUE(TempFolderEmpty());
  EXPECT_FALSE(engine->TerminateRequired());

  engine->Appliquer(TAutoUpdater::kOptional);
  EXPECT_TRUE(engine->Completed()) << engine->LastError();
  EXPECT_EQ(ReadFile(dir.file("optional")), "optional file");
}

TEST_F(AutoUpdaterTest, FailedSecondDownloadLeavesTheFirstAppliedAndTheRestUntouched) {
  WriteFile(dir.file("b"), "old b");
  server.Serve("/a", "new a");
  server.ServeCut("/b", std::string(50000, 'b'), 20000);
  server.Serve("/c", "new c");
  provider->text = Descriptor(
      "<update><filename>$DIR/a</filename><url>$URL/a</url><crc32>" + Crc("new a") + "</crc32></update>"
      "<update><filename>$DIR/b</filename><url>$URL/b</url><crc32>" + Crc(std::string(50000, 'b')) + "</crc32></update>"
      "<update><filename>$DIR/c</filename><url>$URL/c</url><crc32>" + Crc("new c") + "</crc32></update>");
  auto engine = MakeEngine();
  engine->Verifier();
  int terminated = 0;
  engine->OnUpdateTerminated = [&](TAutoUpdater&) { ++terminated; };
  engine->Appliquer(TAutoUpdater::kMandatory | TAutoUpdater::kOptional);
  EXPECT_FALSE(engine->Completed());
  EXPECT_FALSE(engine->LastError().empty());
  EXPECT_EQ(engine->AppliedCount(), 1);
  EXPECT_EQ(terminated, 1);
  EXPECT_EQ(engine->CurrentEntry(), nullptr);
  EXPECT_EQ(ReadFile(dir.file("a")), "new a");
  EXPECT_EQ(ReadFile(dir.file("b")), "old b");
  EXPECT_FALSE(fs::exists(dir.file("c")));
  EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(AutoUpdaterTest, DownloadsThatDoNotMatchTheDescriptorAreNotInstalled) {
  WriteFile(dir.file("target"), "original");
  test::CopyWithVersion(CORVANE_VERSION_FIXTURE, dir.file("program"), {1, 0, 0, 0});
  server.Serve("/tampered", "tampered bytes");
  server.Serve("/program-v1", ReadFile(CORVANE_VERSION_FIXTURE));
  const std::string cases[] = {
      // CRC-32 announced for other bytes.
      "<update><filename>$DIR/target</filename><url>$URL/tampered</url><crc32>" + Crc("expected bytes") +
          "</crc32></update>",
      // Version 2 announced, version 1 delivered.
      "<update><filename>$DIR/program</filename><url>$URL/program-v1</url><version>2.0.0.0</version></update>",
      // Version announced, file without version delivered.
      "<update><filename>$DIR/program</filename><url>$URL/tampered</url><version>2.0.0.0</version></update>",
      // Unsupported scheme.
      "<update><filename>$DIR/target</filename><url>file://$DIR/target</url><crc32>1</crc32></update>",
  };
  for (const std::string& body : cases) {
    provider->text = Descriptor(body);
    auto engine = MakeEngine();
    engine->Verifier();
    ASSERT_EQ(engine->NombreMisesAJour(), 1) << body;
    engine->Appliquer(TAutoUpdater::kMandatory | TAutoUpdater::kOptional);
    EXPECT_FALSE(engine->Completed()) << body;
    EXPECT_EQ(engine->AppliedCount(), 0);
    EXPECT_EQ(ReadFile(dir.file("target")), "original");
    EXPECT_EQ(test::ReadFile(dir.file("program")), ReadFile(CORVANE_VERSION_FIXTURE));
    EXPECT_TRUE(TempFolderEmpty()) << body;
  }
}

TEST_F(AutoUpdaterTest, ASha256GivenInTheDescriptorMustMatchTheDownload) {
  const std::string sha = "3e8a1f67bd3b896c2bff98f9763b6085b902d19fef788bc3c52fabfab76608ab";  // "new tool"
  std::string upper = sha;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  std::string wrong = sha;
  wrong[10] = '0';
  server.Serve("/tool", "new tool");
  struct Case {
    std::string attribute;
    bool installed;
  } cases[] = {
      {" sha256=\"" + sha + "\"", true},
      {" sha256=\"" + upper + "\"", true},
      {"", true},
      {" sha256=\"\"", true},  // empty reads as absent
      {" sha256=\"" + wrong + "\"", false},
      {" sha256=\"" + sha.substr(1) + "\"", false},  // not 64 digits: cannot be checked, refused
      {" sha256=\"" + sha.substr(0, 63) + "g\"", false},
  };
  for (const Case& c : cases) {
    WriteFile(dir.file("tool"), "old tool");
    provider->text = Descriptor("<update" + c.attribute + "><filename>$DIR/tool</filename><url>$URL/tool</url><crc32>" +
                                Crc("new tool") + "</crc32></update>");
    auto engine = MakeEngine();
    engine->Verifier();
    ASSERT_EQ(engine->NombreMisesAJour(), 1) << c.attribute;
    engine->Appliquer(TAutoUpdater::kMandatory | TAutoUpdater::kOptional);
    EXPECT_EQ(engine->Completed(), c.installed) << c.attribute << " " << engine->LastError();
    EXPECT_EQ(ReadFile(dir.file("tool")), c.installed ? "new tool" : "old tool") << c.attribute;
    EXPECT_TRUE(TempFolderEmpty()) << c.attribute;
  }
}

TEST_F(AutoUpdaterTest, ADescriptorThatCameOverHttpsAdmitsOnlyHttpsDownloads) {
  test::TestHttpServer secure(/*tls=*/true);
  secure.Serve("/tool", "new tool");
  server.Serve("/tool", "new tool");
  const std::string entry = "<filename>$DIR/tool</filename><crc32>" + Crc("new tool") + "</crc32>";
  struct Case {
    std::string url;
    std::string rewrittenTo;  // by BeforeDownload, when not empty
    bool installed;
  } cases[] = {
      {secure.Url("/tool"), "", true},
      {server.Url("/tool"), "", false},
      {"ftp://127.0.0.1:1/tool", "", false},
      {secure.Url("/tool"), server.Url("/tool"), false},  // the address finally used is the one checked
  };
  provider->overHttps = true;
  for (const Case& c : cases) {
    WriteFile(dir.file("tool"), "old tool");
    provider->text = Descriptor("<update><url>" + c.url + "</url>" + entry + "</update>");
    auto engine = MakeEngine();
    auto downloader = std::make_shared<TCurlStreamDownloader>();
    downloader->CaInfo = test::TestCertificatePath();
    engine->StreamDownloader = downloader;
    if (!c.rewrittenTo.empty())
      engine->BeforeDownload = [&c](TAutoUpdater&, std::string& url) { url = c.rewrittenTo; };
    engine->Verifier();
    ASSERT_EQ(engine->NombreMisesAJour(), 1) << c.url;
    engine->Appliquer(TAutoUpdater::kMandatory | TAutoUpdater::kOptional);
    EXPECT_EQ(engine->Completed(), c.installed) << c.url << " " << engine->LastError();
    EXPECT_EQ(ReadFile(dir.file("tool")), c.installed ? "new tool" : "old tool") << c.url;
    EXPECT_TRUE(TempFolderEmpty()) << c.url;
  }
  EXPECT_TRUE(server.Requests().empty());  // nothing was even asked over plain HTTP
}

TEST_F(AutoUpdaterTest, AnUpdateThatCannotBePutInPlaceFailsAndLeavesNoTemporaryFile) {
  WriteFile(dir.file("plainfile"), "a file where a folder should be");
  server.Serve("/x", "x");
  const std::string entry = "<url>$URL/x</url><crc32>" + Crc("x") + "</crc32>";
  struct Case {
    std::string body;
    bool helperFails;
  } cases[] = {
      {"<update><filename>$DIR/plainfile/sub/x</filename>" + entry + "</update>", false},
      {"<update restart=\"true\"><filename>$DIR/x</filename>" + entry + "</update>", true},
  };
  for (const Case& c : cases) {
    provider->text = Descriptor(c.body);
    auto engine = MakeEngine();
    if (c.helperFails)
      engine->StartProcess = [](const std::string&, const std::vector<std::string>&) {
        throw EUpdateFileError("cannot start");
      };
    engine->Verifier();
    ASSERT_EQ(engine->NombreMisesAJour(), 1);
    engine->Appliquer(TAutoUpdater::kMandatory | TAutoUpdater::kOptional);
    EXPECT_FALSE(engine->Completed()) << c.body;
    EXPECT_EQ(engine->AppliedCount(), 0);
    EXPECT_FALSE(engine->TerminateRequired());
    for (const auto& f : fs::directory_iterator(dir.file("tmp")))
      EXPECT_NE(f.path().filename().string().rfind("UPDT", 0), 0u) << f.path();
  }
  EXPECT_FALSE(fs::exists(dir.file("x")));
}

TEST_F(AutoUpdaterTest, RestartEntriesGoToTheHelper) {
  test::CopyWithVersion(CORVANE_VERSION_FIXTURE, dir.file("app/CorvaneAgent"), {1, 0, 0, 0});
  test::CopyWithVersion(CORVANE_VERSION_FIXTURE, dir.file("served/CorvaneAgent"), {2, 0, 0, 0});
  WriteFile(dir.file("app/plugin.so"), "old plugin");
  ::chmod(dir.file("app/CorvaneAgent").c_str(), 0751);
  server.Serve("/CorvaneAgent", ReadFile(dir.file("served/CorvaneAgent")));
  server.Serve("/plugin.so", "new plugin");
  provider->text = Descriptor(
      "<update restart=\"true\"><filename>[maj:app/]plugin.so</filename><url>$URL/plugin.so</url><crc32>" +
      Crc("new plugin") + "</crc32></update>"
      "<update restart=\"true\" mandatory=\"true\"><filename>[maj:appexename/]</filename>"
      "<url>$URL/CorvaneAgent</url><version>2.0</version></update>"
      "<update noupdate=\"true\"><filename>$DIR/skipped</filename><url>$URL/none</url></update>");
  auto engine = MakeEngine();
  engine->Verifier();
  ASSERT_EQ(engine->NombreMisesAJour(), 3);
  EXPECT_EQ(engine->NombreATelecharger(), 2);
  int applied = 0;
  engine->OnUpdateApplied = [&](TAutoUpdater&) { ++applied; };
  engine->Appliquer(TAutoUpdater::kMandatory | TAutoUpdater::kOptional);
  ASSERT_TRUE(engine->Completed()) << engine->LastError();
  EXPECT_EQ(applied, 3);
  EXPECT_TRUE(engine->TerminateRequired());
  EXPECT_TRUE(engine->SelfUpdate());
  EXPECT_EQ(ReadFile(dir.file("app/plugin.so")), "old plugin");  // the helper replaces it later
  EXPECT_FALSE(fs::exists(dir.file("skipped")));
  for (const auto& r : server.Requests()) EXPECT_NE(r.path, "/none");

  ASSERT_EQ(started.size(), 2u);
  const std::string pid = std::to_string(::getpid());
  const auto& plugin = started[0].args;
  ASSERT_EQ(plugin.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(plugin.begin() + 2, plugin.end()),
            (std::vector<std::string>{"-dest", dir.file("app/plugin.so"), "-pid", pid, "-action", "0"}));
  EXPECT_EQ(ReadFile(plugin[1]), "new plugin");
  const auto& self = started[1].args;
  ASSERT_EQ(self.size(), 10u);
  EXPECT_EQ(self[0], "-src");
  EXPECT_EQ(std::vector<std::string>(self.begin() + 2, self.end()),
            (std::vector<std::string>{"-dest", dir.file("app/CorvaneAgent"), "-pid", pid, "-params",
                                      "-login agent -pwd &quote;a \\&quote;b\\&quote;&quote;", "-action", "1"}));
  // The new program keeps the installed one's permissions while it waits for the helper.
  EXPECT_EQ(fs::status(self[1]).permissions(), static_cast<fs::perms>(0751));
  EXPECT_EQ(ReadFile(self[1]), ReadFile(dir.file("served/CorvaneAgent")));

  // One helper file for the run, a copy of the embedded helper, executable.
  EXPECT_EQ(started[0].exe, started[1].exe);
  EXPECT_EQ(started[0].exe, engine->HelperPath());
  EXPECT_EQ(fs::path(engine->HelperPath()).parent_path(), fs::path(dir.file("tmp")));
  const auto image = HelperImage();
  EXPECT_EQ(ReadFile(engine->HelperPath()), std::string(image.begin(), image.end()));
  EXPECT_EQ(::access(engine->HelperPath().c_str(), X_OK), 0);
}

TEST_F(AutoUpdaterTest, RunAfterAnUpdateDeletesTheHelperAndSkipsChecks) {
  WriteFile(dir.file("tmp/~JVabc"), "helper");
  provider->text = Descriptor("<update><filename>$DIR/new</filename></update>");
  auto engine = MakeEngine(dir.file("tmp/~JVabc"));
  EXPECT_FALSE(fs::exists(dir.file("tmp/~JVabc")));
  EXPECT_TRUE(engine->JustUpdated());
  int justUpdated = 0;
  engine->OnJustUpdated = [&](TAutoUpdater&) { ++justUpdated; };
  engine->Verifier();
  engine->Verifier();
  EXPECT_EQ(justUpdated, 2);
  EXPECT_EQ(provider->calls, 0);
  EXPECT_EQ(engine->NombreMisesAJour(), 0);

  engine->SearchUpdateEvenIfJustUpdated = true;
  engine->Verifier();
  EXPECT_EQ(provider->calls, 1);
  EXPECT_EQ(engine->NombreMisesAJour(), 1);

  // A switch naming a file that is already gone still marks the run; an absent switch does not.
  EXPECT_TRUE(MakeEngine(dir.file("tmp/none"))->JustUpdated());
  EXPECT_FALSE(MakeEngine("")->JustUpdated());
}

TEST_F(AutoUpdaterTest, TagsInPathsAndDescriptionsAreReplacedAtTheCheck) {
  provider->text = Descriptor(
      "<update><filename>[maj:app/]new.bin</filename><description>[maj:AppTitle/] [maj:x/]files</description></update>");
  auto engine = MakeEngine();
  engine->OnReplaceTag = [](TAutoUpdater&, const std::string& tag, std::string& replacement) {
    if (tag == "AppTitle") replacement = "Corvane Agent";
  };
  engine->Verifier();
  ASSERT_EQ(engine->NombreMisesAJour(), 1);
  EXPECT_EQ(engine->Infos()->Updates()[0].Filename(), dir.file("app/new.bin"));
  EXPECT_EQ(engine->Infos()->Updates()[0].Description(), "Corvane Agent files");
}

}  // namespace
}  // namespace corvane::update
