#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "base/Format.h"
#include "base/Translate.h"
#include "shell/CatalogueTranslator.h"
#include "shell/Demarrage.h"
#include "shell/ExclusionsTraduction.h"
#include "shell/Language.h"
#include "MoBuilder.h"
#include "TempFolder.h"

using namespace corvane::shell;
using namespace corvane::shell::testing;
using corvane::base::Tr;
using corvane::base::Traduire;

namespace {

const std::string kNotLoggedIn = "(agent not logged in)";
const std::string kNotLoggedInFr = "(aucun agent identifi\xC3\xA9)";

std::string self() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

// A translator over this test program's appended catalogues and a disk folder of the test's own.
struct Fixture {
  TempFolder locale;
  std::vector<std::pair<std::string, std::string>> problems;

  void onDisk(const std::string& language, const std::string& domain, const std::string& mo) {
    TempFolder::write(locale / (language + "/LC_MESSAGES/" + domain + ".mo"), mo);
  }
  std::shared_ptr<CatalogueTranslator> translator(const std::string& language, bool appended = true) {
    CatalogueTranslator::Options o;
    o.executablePath = self();
    o.localeFolder = locale.path();
    o.language = language;
    if (appended) o.table = ReadOwnCatalogueTable(self());
    o.onProblem = [this](const std::string& caption, const std::string& message) {
      problems.emplace_back(caption, message);
    };
    return std::make_shared<CatalogueTranslator>(std::move(o));
  }
};

class ScopedEnv {
public:
  ScopedEnv(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const auto& [name, value] : values) {
      const char* old = std::getenv(name);
      saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
      if (value)
        ::setenv(name, value, 1);
      else
        ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
    InstallerTraducteur(nullptr);
  }

private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace

TEST(Language, FromLangOrTheLocale) {
  struct Case {
    const char* lang;
    const char* locale;
    const char* expected;
  };
  const Case cases[] = {
      {"fr_FR.UTF-8", "", "fr_FR"}, {"de", "", "de"},           {"fr_FR.UTF-8@euro", "", "fr_FR"},
      {"", "nb_NO.UTF-8", "nb_NO"}, {"", "no_NO.UTF-8", "nb_NO"}, {"", "no", "nb"},
      {"no_NO", "", "no_NO"},  // LANG is taken as given
      {"", "", ""},                 {"", "C.UTF-8", "C"},         {"../../etc/x", "", ""},
      {"fr/../../x", "", ""},       {"", "en_US", "en_US"},
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageCode(c.lang, c.locale), c.expected) << c.lang << "|" << c.locale;
  ScopedEnv env{{"LANG", ""}, {"LC_ALL", nullptr}, {"LC_MESSAGES", "no_NO.ISO-8859-1"}};
  EXPECT_EQ(LanguageFromEnvironment(), "nb_NO");
}

TEST(Translation, FrenchLangFindsTheAppendedCatalogueThroughTheFallback) {
  ScopedEnv env{{"LANG", "fr_FR.UTF-8"}};
  auto translator = InitialiserTraduction();
  EXPECT_EQ(translator->language(), "fr_FR");
  EXPECT_EQ(Tr(kNotLoggedIn), kNotLoggedInFr);
  EXPECT_EQ(translator->catalogueSource("TarvenholtCorvane"), "appended:locale\\fr\\LC_MESSAGES\\TarvenholtCorvane.mo");
  EXPECT_EQ(Tr("Avaibility"), "Disponibilit&eacute;");  // the entity stays as it is
  EXPECT_EQ(corvane::base::Format(Tr("AutoIPAddress:%d"), {5900}), "AdresseIPAuto:5900");
  EXPECT_EQ(Traduire(kDomaineAutoUpdater, "Automatic update"), "Mise \xC3\xA0 jour automatique");
  EXPECT_EQ(Traduire(kDomaineReferentiel, "Password changing"), "Changement de mot de passe");
  EXPECT_EQ(Tr("Text nobody translated"), "Text nobody translated");
  EXPECT_EQ(TitreApplication(), "Zodudo Durozerozu (Agent)");
}

TEST(Translation, GermanStaysEnglish) {
  ScopedEnv env{{"LANG", "de"}};
  auto translator = InitialiserTraduction();
  EXPECT_EQ(Tr(kNotLoggedIn), kNotLoggedIn);
  EXPECT_EQ(Traduire(kDomaineAutoUpdater, "Automatic update"), "Automatic update");
  EXPECT_EQ(translator->catalogueSource("TarvenholtCorvane"), "");
}

TEST(Translation, AppendedCatalogueWinsOverTheFileOnDisk) {
  Fixture f;
  f.onDisk("fr", "TarvenholtCorvane", BuildMo({{kNotLoggedIn, "from disk"}}));
  f.onDisk("fr", "OnlyOnDisk", BuildMo({{"Hello", "Bonjour"}}));
  auto t = f.translator("fr_FR");
  EXPECT_EQ(t->Traduire("TarvenholtCorvane", kNotLoggedIn), kNotLoggedInFr);
  EXPECT_EQ(t->Traduire("OnlyOnDisk", "Hello"), "Bonjour");
  EXPECT_EQ(t->catalogueSource("OnlyOnDisk"), f.locale / "fr/LC_MESSAGES/OnlyOnDisk.mo");
  // Without an appended copy the disk catalogue is used: the program works with nothing appended.
  auto diskOnly = f.translator("fr", false);
  EXPECT_EQ(diskOnly->Traduire("TarvenholtCorvane", kNotLoggedIn), "from disk");
}

TEST(Translation, FullLanguageCodeIsTriedBeforeTheTwoLetterOne) {
  Fixture f;
  f.onDisk("pt_BR", "D", BuildMo({{"Yes", "Sim (BR)"}}));
  f.onDisk("pt", "D", BuildMo({{"Yes", "Sim"}, {"No", "N\xC3\xA3o"}}));
  EXPECT_EQ(f.translator("pt_BR")->Traduire("D", "Yes"), "Sim (BR)");
  EXPECT_EQ(f.translator("pt_BR")->Traduire("D", "No"), "No");  // no merging across languages
  EXPECT_EQ(f.translator("pt_PT")->Traduire("D", "No"), "N\xC3\xA3o");
  EXPECT_EQ(f.translator("")->Traduire("D", "Yes"), "Yes");
}

TEST(Translation, CatalogueWithoutUtf8CharsetIsRefusedOnce) {
  Fixture f;
  f.onDisk("es", "D", BuildMo({{"Yes", "S\xED"}}, "Content-Type: text/plain; charset=ISO-8859-1\n"));
  auto t = f.translator("es_ES");
  EXPECT_EQ(t->Traduire("D", "Yes"), "Yes");
  EXPECT_EQ(t->Traduire("D", "Yes"), "Yes");
  ASSERT_EQ(f.problems.size(), 1u);
  EXPECT_EQ(f.problems[0].first, "Localization problem");
  EXPECT_EQ(f.problems[0].second, "The translation for the language code es (in " + (f.locale / "es/LC_MESSAGES/D.mo") +
                                      ") does not have charset=utf-8 in its Content-Type. Translations are turned off.");
}

TEST(Translation, DamagedOrLateCataloguesLeaveTheDomainInEnglish) {
  Fixture f;
  f.onDisk("it", "Broken", "not a catalogue at all, just text");
  auto t = f.translator("it");
  EXPECT_EQ(t->Traduire("Broken", "Yes"), "Yes");
  EXPECT_EQ(t->Traduire("Late", "Yes"), "Yes");
  f.onDisk("it", "Late", BuildMo({{"Yes", "S\xC3\xAC"}}));
  EXPECT_EQ(t->Traduire("Late", "Yes"), "Yes");  // a failed search is not repeated
  EXPECT_TRUE(f.problems.empty());
}

TEST(Translation, LibraryTextsSearchTheDefaultThenTheRegisteredDomains) {
  Fixture f;
  f.onDisk("fr", "default", BuildMo({{"Cancel", "Annuler (d\xC3\xA9" "faut)"}}));
  f.onDisk("fr", "LibA", BuildMo({{"Cancel", "Annuler A"}, {"Retry", "R\xC3\xA9" "essayer A"}}));
  f.onDisk("fr", "LibB", BuildMo({{"Retry", "R\xC3\xA9" "essayer B"}, {"Abort", "Abandonner B"}}));
  auto t = f.translator("fr");
  EXPECT_EQ(t->TraduireTexteBibliotheque("Retry"), "Retry");
  t->AjouterDomaineRessources("LibB");
  t->AjouterDomaineRessources("LibA");
  t->AjouterDomaineRessources("LibB");  // not added twice
  EXPECT_EQ(t->TraduireTexteBibliotheque("Cancel"), "Annuler (d\xC3\xA9" "faut)");
  EXPECT_EQ(t->TraduireTexteBibliotheque("Retry"), "R\xC3\xA9" "essayer B");
  EXPECT_EQ(t->TraduireTexteBibliotheque("Abort"), "Abandonner B");
  EXPECT_EQ(t->TraduireTexteBibliotheque(kNotLoggedIn), kNotLoggedIn);  // program domain not registered yet
  t->AjouterDomaineRessources("TarvenholtCorvane");
  EXPECT_EQ(t->TraduireTexteBibliotheque(kNotLoggedIn), kNotLoggedInFr);
}

TEST(Translation, TraduireFromManyThreadsAtOnce) {
  Fixture f;
  for (int d = 0; d < 8; ++d) f.onDisk("fr", "D" + std::to_string(d), BuildMo({{"Yes", "Oui" + std::to_string(d)}}));
  auto t = f.translator("fr");
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      for (int n = 0; n < 400; ++n) {
        int d = (n + i) % 8;
        if (t->Traduire("D" + std::to_string(d), "Yes") != "Oui" + std::to_string(d)) ++wrong;
        if (t->Traduire("TarvenholtCorvane", kNotLoggedIn) != kNotLoggedInFr) ++wrong;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(ExclusionsTraduction, ClassesAndPropertiesIncludingDescendants) {
  TExclusionsTraduction x;
  x.IgnorerClasse("TFont");
  x.IgnorerPropriete("TField", "FieldName");
  x.IgnorerPropriete(kToutesClasses, "DataField");
  EXPECT_TRUE(x.EstClasseIgnoree({"TFont"}));
  EXPECT_TRUE(x.EstClasseIgnoree({"TMyFont", "tfont", "TObject"}));
  EXPECT_FALSE(x.EstClasseIgnoree({"TLabel", "TObject"}));
  EXPECT_TRUE(x.EstProprieteIgnoree({"TStringField", "TField"}, "fieldname"));
  EXPECT_FALSE(x.EstProprieteIgnoree({"TLabel"}, "FieldName"));
  EXPECT_TRUE(x.EstProprieteIgnoree({"TDBEdit"}, "DataField"));
  EXPECT_FALSE(x.EstProprieteIgnoree({"TStringField", "TField"}, "DisplayLabel"));
}
