#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "shell/ConfigurationSections.h"
#include "shell/ConfigurationStore.h"
#include "shell/RacineServeur.h"
#include "shell/ReglagesFrmPrincipale.h"
#include "shell/ShellError.h"
#include "shell/WindowPlacement.h"
#include "TempFolder.h"

using namespace corvane::shell;
using corvane::shell::testing::TempFolder;

namespace {

struct Folders {
  TempFolder temp;
  std::string exe = temp / "bin";
  std::string user = temp / "xdg/corvane";
  Folders() { std::filesystem::create_directories(exe); }
  ConfigurationStore store() const { return ConfigurationStore(exe, user); }
  std::string exeFile() const { return exe + "/CorvaneAgent.xml"; }
  std::string userFile() const { return user + "/CorvaneAgent.xml"; }
};

size_t filesIn(const std::string& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

}  // namespace

TEST(Configuration, WritesTheExactFileFormat) {
  Folders f;
  ConfigurationStore store = f.store();
  EcrireReglagesFrmPrincipale(store, ReglagesFrmPrincipale{});
  store.WriteInteger(kSectionFrmAuthentificationAgent, kKeyFormVersion, 0);
  store.WriteString(kSectionFrmAuthentificationAgent, kKeyEdtIdentifiantText, "Jos\xC3\xA9 & <co> \xE2\x82\xAC");
  store.WriteString(kSectionFrmInscription, "Empty", "");
  EXPECT_EQ(store.Save(), f.exeFile());
  EXPECT_EQ(TempFolder::read(f.exeFile()),
            "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n"
            "<Configuration>\r\n"
            "  <FrmPrincipale>\r\n"
            "    <FormVersion>0</FormVersion>\r\n"
            "    <TimerFermetureApplication_Interval>750</TimerFermetureApplication_Interval>\r\n"
            "    <CorvaneAgent_IntervalRafraichissementStatus>3</CorvaneAgent_IntervalRafraichissementStatus>\r\n"
            "  </FrmPrincipale>\r\n"
            "  <FrmAuthentificationAgent>\r\n"
            "    <FormVersion>0</FormVersion>\r\n"
            "    <edtIdentifiant_Text>Jos\xE9 &amp; &lt;co&gt; &#8364;</edtIdentifiant_Text>\r\n"
            "  </FrmAuthentificationAgent>\r\n"
            "  <FrmInscription>\r\n"
            "    <Empty/>\r\n"
            "  </FrmInscription>\r\n"
            "</Configuration>\r\n");
  EXPECT_EQ(filesIn(f.exe), 1u);  // no temporary file left behind
}

TEST(Configuration, ValuesRoundTripThroughTheFile) {
  Folders f;
  const std::string tricky = " lead\r\nline2\ttab & <>\"' \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 trail ";
  {
    ConfigurationStore store = f.store();
    store.WriteString("S", "text", tricky);
    store.WriteString("S", "ctrl", std::string("a\x01" "b", 3));
    store.WriteBool("S", "yes", true);
    store.WriteInteger("S", "neg", -42);
    store.WriteString("Odd section/name", "key with blanks", "v");
    WritePlacement(store, kSectionFrmInfosAgent, WindowPlacement{2, 120, {-1, -1, -8, -8}, {10, 20, 810, 620}});
    store.Save();
  }
  ConfigurationStore store = f.store();
  EXPECT_EQ(store.loadedFrom(), f.exeFile());
  EXPECT_EQ(store.ReadString("S", "text", ""), tricky);
  EXPECT_EQ(store.ReadString("S", "ctrl", ""), "a?b");  // XML 1.0 cannot carry U+0001
  EXPECT_TRUE(store.ReadBool("S", "yes", false));
  EXPECT_EQ(store.ReadInteger("S", "neg", 0), -42);
  EXPECT_EQ(store.ReadString("Odd section/name", "key with blanks", ""), "v");
  EXPECT_TRUE(store.SectionExists("Odd_section_name"));  // the element-name rule
  EXPECT_EQ(ReadPlacement(store, kSectionFrmInfosAgent),
            (WindowPlacement{2, 120, {-1, -1, -8, -8}, {10, 20, 810, 620}}));
  EXPECT_EQ(store.ReadString(kSectionFrmInfosAgent, kKeyNormPos, ""), "10,20,810,620");
  EXPECT_EQ(store.ReadString(kSectionFrmInfosAgent, kKeyFormVersion, ""), "0");
}

TEST(Configuration, ElementNamesAndReadingRules) {
  EXPECT_EQ(ConfigurationDocument::ElementName("edtIdentifiant_Text"), "edtIdentifiant_Text");
  EXPECT_EQ(ConfigurationDocument::ElementName("a b/c\xC3\xA9-d.e:f"), "a_b_c__-d.e:f");
  EXPECT_EQ(ConfigurationDocument::ElementName("9lives"), "_9lives");
  EXPECT_EQ(ConfigurationDocument::ElementName(""), "_");

  Folders f;
  TempFolder::write(f.exeFile(),
                    "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<Configuration><S>"
                    "<t1>TRUE</t1><t2>yes</t2><t3>Y</t3><f1>False</f1><f2>NO</f2><f3>n</f3><x>1</x>"
                    "<i1> 12 </i1><i2>+7</i2><i3>12abc</i3><i4></i4><i5>99999999999999999999</i5>"
                    "<dup>first</dup><dup>second</dup><latin>\xE9t\xE9</latin></S></Configuration>");
  ConfigurationStore store = f.store();
  for (const char* key : {"t1", "t2", "t3"}) EXPECT_TRUE(store.ReadBool("S", key, false)) << key;
  for (const char* key : {"f1", "f2", "f3"}) EXPECT_FALSE(store.ReadBool("S", key, true)) << key;
  EXPECT_TRUE(store.ReadBool("S", "x", true));  // not a boolean string: the default
  EXPECT_FALSE(store.ReadBool("S", "x", false));
  EXPECT_EQ(store.ReadInteger("S", "i1", 0), 12);
  EXPECT_EQ(store.ReadInteger("S", "i2", 0), 7);
  for (const char* key : {"i3", "i4", "i5", "missing"}) EXPECT_EQ(store.ReadInteger("S", key, 5), 5) << key;
  EXPECT_EQ(store.ReadString("S", "dup", ""), "first");
  EXPECT_EQ(store.ReadString("S", "latin", ""), "\xC3\xA9t\xC3\xA9");  // iso-8859-1 read as UTF-8
}

TEST(Configuration, DefaultRootIsNeverWrittenAndCustomRootComesBackUnchanged) {
  Folders f;
  {
    ConfigurationStore store = f.store();  // no file: defaults
    ReglagesFrmPrincipale r = LireReglagesFrmPrincipale(store);
    EXPECT_EQ(r.RacineServeur, "");
    EXPECT_EQ(r.RacineEffective(), kRacineServeurParDefaut);
    EXPECT_EQ(r.TimerFermetureApplicationInterval, 750);
    EXPECT_EQ(r.IntervalRafraichissementStatus, 3);
    EcrireReglagesFrmPrincipale(store, r);
    store.Save();
  }
  EXPECT_EQ(TempFolder::read(f.exeFile()).find("RacineServeur"), std::string::npos);

  // An administrator adds a custom root (and the default root by hand, which is dropped again).
  for (const std::string& root : {std::string("http://localhost:8080/svc"), std::string(kRacineServeurParDefaut)}) {
    {
      ConfigurationStore store = f.store();
      store.WriteString(kSectionFrmPrincipale, kKeyRacineServeur, root);
      store.WriteInteger(kSectionFrmPrincipale, kKeyIntervalRafraichissementStatus, 5);
      store.Save();
    }
    ConfigurationStore store = f.store();
    ReglagesFrmPrincipale r = LireReglagesFrmPrincipale(store);
    EXPECT_EQ(r.RacineServeur, root);
    EXPECT_EQ(r.IntervalRafraichissementStatus, 5);
    EcrireReglagesFrmPrincipale(store, r);
    store.Save();
    ConfigurationStore again = f.store();
    if (root == kRacineServeurParDefaut) {
      EXPECT_FALSE(again.ReadValue(kSectionFrmPrincipale, kKeyRacineServeur));
    } else {
      EXPECT_EQ(again.ReadValue(kSectionFrmPrincipale, kKeyRacineServeur), root);  // no "/" added in the file
      EXPECT_EQ(LireReglagesFrmPrincipale(again).RacineEffective(), root + "/");
    }
    EXPECT_EQ(again.ReadInteger(kSectionFrmPrincipale, kKeyIntervalRafraichissementStatus, 0), 5);
  }
}

TEST(Configuration, IntervalsThatWouldStopTheTimersGiveTheDefaults) {
  Folders f;
  ConfigurationStore store = f.store();
  store.WriteString(kSectionFrmPrincipale, kKeyTimerFermetureApplicationInterval, "0");
  store.WriteString(kSectionFrmPrincipale, kKeyIntervalRafraichissementStatus, "-2");
  ReglagesFrmPrincipale r = LireReglagesFrmPrincipale(store);
  EXPECT_EQ(r.TimerFermetureApplicationInterval, 750);
  EXPECT_EQ(r.IntervalRafraichissementStatus, 3);
}

TEST(Configuration, PlacementNeedsEveryKeyWellFormed) {
  Folders f;
  ConfigurationStore store = f.store();
  WritePlacement(store, "W", WindowPlacement{});
  EXPECT_TRUE(ReadPlacement(store, "W"));
  for (const char* bad : {"1,2,3", "1,2,3,4,5", "1;2;3;4", "a,b,c,d", "", "1,2,3,"}) {
    store.WriteString("W", kKeyNormPos, bad);
    EXPECT_FALSE(ReadPlacement(store, "W")) << bad;
  }
  store.WriteString("W", kKeyNormPos, " 1, 2 ,3,4");
  EXPECT_TRUE(ReadPlacement(store, "W"));
  store.EraseValue("W", kKeyFlags);
  EXPECT_FALSE(ReadPlacement(store, "W"));
  EXPECT_FALSE(ReadPlacement(store, "NoSuchWindow"));
}

TEST(Configuration, DamagedFileGivesDefaultsAndIsKeptAside) {
  const std::string damaged[] = {
      "<?xml version=\"1.0\"?>\r\n<Configuration><FrmPrincipale><RacineServeur>http://x/",  // truncated
      "",
      "<Other><S><k>v</k></S></Other>",
      std::string("\0\x01garbage", 9),
  };
  for (const auto& bytes : damaged) {
    Folders f;
    TempFolder::write(f.exeFile(), bytes);
    ConfigurationStore store = f.store();
    EXPECT_FALSE(store.ReadValue(kSectionFrmPrincipale, kKeyRacineServeur));
    EXPECT_EQ(store.damagedCopy(), f.exeFile() + ".bad");
    EXPECT_EQ(TempFolder::read(f.exeFile() + ".bad"), bytes);
    store.WriteInteger("S", "k", 1);
    store.Save();
    EXPECT_EQ(f.store().ReadInteger("S", "k", 0), 1);
    EXPECT_EQ(TempFolder::read(f.exeFile() + ".bad"), bytes);  // the copy survives the write
  }
  Folders f;
  TempFolder::write(f.exeFile(), std::string(5 * 1024 * 1024, ' '));  // beyond the size limit
  EXPECT_EQ(f.store().damagedCopy(), f.exeFile() + ".bad");
}

TEST(Configuration, UnreadableFileGivesDefaultsAndIsKeptAside) {
  struct Case {
    const char* name;
    bool rootReads;  // root reads a file whatever its permissions
    std::function<void(const std::string& file)> make;
  } cases[] = {
      // /proc/self/mem reads fail with EIO at offset 0 (nothing is mapped there), even for root.
      {"EIO", false, [](const std::string& file) { std::filesystem::create_symlink("/proc/self/mem", file); }},
      {"EACCES", true,
       [](const std::string& file) {
         TempFolder::write(file, "<Configuration><S><k>5</k></S></Configuration>");
         ::chmod(file.c_str(), 0);
       }},
  };
  for (const Case& c : cases) {
    if (c.rootReads && ::geteuid() == 0) continue;
    Folders f;
    c.make(f.exeFile());
    ConfigurationStore store = f.store();
    EXPECT_EQ(store.ReadInteger("S", "k", 0), 0) << c.name;
    EXPECT_EQ(store.damagedCopy(), f.exeFile() + ".bad") << c.name;
    store.WriteInteger("S", "k", 1);
    EXPECT_EQ(store.Save(), f.exeFile()) << c.name;
    EXPECT_EQ(f.store().ReadInteger("S", "k", 0), 1) << c.name;
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(f.exeFile() + ".bad", ec))) << c.name;
  }
}

TEST(Configuration, DamagedCopiesAreNumberedAndNeverReplaced) {
  Folders f;
  const std::string runs[] = {"<first", "<second", "<third"};
  const std::string expectedCopies[] = {".bad", ".bad.1", ".bad.2"};
  for (size_t i = 0; i < std::size(runs); ++i) {
    TempFolder::write(f.exeFile(), runs[i]);
    ConfigurationStore store = f.store();
    EXPECT_EQ(store.damagedCopy(), f.exeFile() + expectedCopies[i]);
    store.Save();
  }
  for (size_t i = 0; i < std::size(runs); ++i) EXPECT_EQ(TempFolder::read(f.exeFile() + expectedCopies[i]), runs[i]);
}

TEST(Configuration, DamagedFileThatCannotBeMovedAsideIsNeverWrittenOver) {
  Folders f;
  TempFolder::write(f.exeFile() + ".bad", "kept");
  for (int n = 1; n < 100; ++n) TempFolder::write(f.exeFile() + ".bad." + std::to_string(n), "kept");
  TempFolder::write(f.exeFile(), "<damaged");
  ConfigurationStore store = f.store();
  EXPECT_EQ(store.damagedCopy(), "");
  store.WriteInteger("S", "k", 2);
  EXPECT_EQ(store.Save(), f.userFile());  // written where it harms nothing, and read first next time
  EXPECT_EQ(TempFolder::read(f.exeFile()), "<damaged");
  EXPECT_EQ(f.store().ReadInteger("S", "k", 0), 2);

  ConfigurationStore nowhere(f.exe, "");
  nowhere.WriteInteger("S", "k", 3);
  EXPECT_THROW(nowhere.Save(), EConfigurationError);
  EXPECT_EQ(TempFolder::read(f.exeFile()), "<damaged");
}

// Root writes anywhere, so the write is made to fail where the temporary file goes: a folder
// stands under its name.
TEST(Configuration, FailedWriteLeavesTheOldFileIntact) {
  Folders f;
  const std::string old = "<Configuration><S><k>1</k></S></Configuration>";
  TempFolder::write(f.exeFile(), old);
  const std::string temporary = f.exeFile() + ".tmp-" + std::to_string(::getpid());
  std::filesystem::create_directory(temporary);
  ConfigurationStore store = f.store();
  store.WriteInteger("S", "k", 2);
  EXPECT_THROW(store.Save(), EConfigurationError);
  EXPECT_EQ(TempFolder::read(f.exeFile()), old);
  EXPECT_TRUE(std::filesystem::is_directory(temporary));

  // A file of that name left by a crashed run is replaced, and nothing is left behind.
  std::filesystem::remove(temporary);
  TempFolder::write(temporary, "half a file");
  EXPECT_EQ(store.Save(), f.exeFile());
  EXPECT_EQ(f.store().ReadInteger("S", "k", 0), 2);
  EXPECT_EQ(filesIn(f.exe), 1u);
}

TEST(Configuration, SaveKeepsTheFilesPermissions) {
  Folders f;
  TempFolder::write(f.exeFile(), "<Configuration/>");
  ASSERT_EQ(::chmod(f.exeFile().c_str(), 0640), 0);
  ConfigurationStore store = f.store();
  store.WriteInteger("S", "k", 1);
  store.Save();
  struct stat st {};
  ASSERT_EQ(::stat(f.exeFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(Configuration, UnwritableExecutableFolderFallsBackToTheUserFolder) {
  Folders f;
  // A folder that does not exist cannot be written, even by root.
  ConfigurationStore missing(f.temp / "no-such-folder", f.user);
  missing.WriteInteger("S", "k", 7);
  EXPECT_EQ(missing.Save(), f.userFile());
  struct stat st {};
  ASSERT_EQ(::stat(f.user.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // The user's file is read first on later runs, even when one exists beside the executable,
  // and is written back there.
  TempFolder::write(f.exeFile(), "<Configuration><S><k>1</k></S></Configuration>");
  ConfigurationStore store = f.store();
  EXPECT_EQ(store.loadedFrom(), f.userFile());
  EXPECT_EQ(store.ReadInteger("S", "k", 0), 7);
  store.WriteInteger("S", "k", 8);
  EXPECT_EQ(store.Save(), f.userFile());
  EXPECT_EQ(f.store().ReadInteger("S", "k", 0), 8);
  EXPECT_EQ(TempFolder::read(f.exeFile()), "<Configuration><S><k>1</k></S></Configuration>");
}

TEST(Configuration, ReadOnlyExecutableFolderIsReadThenLeftAlone) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes to read-only folders";
  Folders f;
  TempFolder::write(f.exeFile(), "<Configuration><S><k>3</k></S></Configuration>");
  ASSERT_EQ(::chmod(f.exe.c_str(), 0555), 0);
  ConfigurationStore store = f.store();
  EXPECT_EQ(store.ReadInteger("S", "k", 0), 3);
  store.WriteInteger("S", "k", 4);
  EXPECT_EQ(store.Save(), f.userFile());
  EXPECT_EQ(f.store().ReadInteger("S", "k", 0), 4);
}

TEST(Configuration, NowhereToWriteIsAnError) {
  Folders f;
  ConfigurationStore store(f.temp / "missing", "");
  store.WriteInteger("S", "k", 1);
  EXPECT_THROW(store.Save(), EConfigurationError);
}

TEST(Configuration, UserFolderFollowsXdgConfigHome) {
  std::string savedXdg = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  ::setenv("HOME", "/home/agent", 1);
  EXPECT_EQ(DefaultUserConfigurationFolder(), "/cfg/corvane");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the XDG rules say
  EXPECT_EQ(DefaultUserConfigurationFolder(), "/home/agent/.config/corvane");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(DefaultUserConfigurationFolder(), "/home/agent/.config/corvane");
  if (savedXdg.empty()) ::unsetenv("XDG_CONFIG_HOME"); else ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  if (savedHome.empty()) ::unsetenv("HOME"); else ::setenv("HOME", savedHome.c_str(), 1);
}
