#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "shell/BoitesScript.h"
#include "shell/ChangementMotDePasse.h"
#include "shell/ExportFichier.h"
#include "shell/InscriptionModel.h"
#include "shell/TelechargementAppliClient.h"

namespace corvane::shell {
namespace {

TEST(ChangementMotDePasse, ChecksRunInOrder) {
  struct Case {
    const char* ancien;
    const char* nouveau;
    const char* confirmation;
    std::optional<ChampMotDePasse> champ;
    const char* message;
  };
  const Case cases[] = {
      {"secret", "abcdef", "abcdef", std::nullopt, ""},
      {"Secret", "abcdef", "abcdef", ChampMotDePasse::Ancien, "Ancien mot de passe incorrect."},
      {"secret", "abcde", "abcde", ChampMotDePasse::Nouveau,
       "Le mot de passe saisi n'est pas assez long ! (au moins 6 caractères)"},
      {"secret", "abcdef", "ABCDEF", ChampMotDePasse::Confirmation,
       "Le nouveau mot de passe saisi et la confirmation sont différents."},
      // Six characters, more bytes: long enough.
      {"secret", "éééééé", "éééééé", std::nullopt, ""},
      // The previous password is checked first even when everything else is wrong too.
      {"x", "a", "b", ChampMotDePasse::Ancien, "Ancien mot de passe incorrect."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nouveau);
    TPasswordChangeDialogModel m;
    m.AncienMotDePasse = "secret";
    m.SaisieAncien = c.ancien;
    m.SaisieNouveau = c.nouveau;
    m.SaisieConfirmation = c.confirmation;
    const auto e = m.Verifier();
    ASSERT_EQ(e.has_value(), c.champ.has_value());
    if (e) {
      EXPECT_EQ(e->champ, *c.champ);
      EXPECT_EQ(e->message, c.message);
    }
  }
}

TEST(ChangementMotDePasse, RetryKeepsTheValuesAbortEmptiesTheNewOnes) {
  TPasswordChangeDialogModel m;
  m.AncienMotDePasse = "secret";
  m.SaisieAncien = "secret";
  m.SetNouveauMotDePasse("court");
  test::BoitesScript boites;
  boites.reponses = {Bouton::Reessayer, Bouton::Abandonner};
  EXPECT_EQ(m.Valider(boites), TPasswordChangeDialogModel::Issue::Corriger);
  EXPECT_EQ(m.ChampEnErreur, ChampMotDePasse::Nouveau);
  EXPECT_EQ(m.SaisieNouveau, "court");
  ASSERT_EQ(boites.montrees.size(), 1u);
  EXPECT_EQ(boites.montrees[0].boutons, (std::vector<Bouton>{Bouton::Abandonner, Bouton::Reessayer}));
  EXPECT_EQ(m.Valider(boites), TPasswordChangeDialogModel::Issue::Abandon);
  EXPECT_EQ(m.SaisieNouveau, "");
  EXPECT_EQ(m.SaisieConfirmation, "");
  m.VerifierAncienMotDePasse = false;
  m.SaisieAncien = "anything";
  m.SetNouveauMotDePasse("longenough");
  EXPECT_EQ(m.Valider(boites), TPasswordChangeDialogModel::Issue::Valide);
}

// The sign-up service: codes are numbered pictures; the code typed must be "ok-" + lock id.
struct Inscription final : service::ICorvaneInscription {
  int verrous = 0;
  std::vector<std::string> demandesVerrou;
  std::vector<service::TRemotableInfosAgent> agents;
  service::TByteDynArray ObtenirVerrou(std::string& ID) override {
    demandesVerrou.push_back(ID);
    ID = "v" + std::to_string(++verrous);
    return {static_cast<uint8_t>(verrous)};
  }
  std::string CreerGroupe(const std::string& ID, const std::string& Verrou,
                          const service::TRemotableInfosGroupe& g) override {
    if (Verrou != "ok-" + ID) throw std::runtime_error("wrong code");
    return "G-" + g.Nom;
  }
  void CreerSuperAgent(const std::string& ID, const std::string& Verrou,
                       const service::TRemotableInfosAgent& a) override {
    if (Verrou != "ok-" + ID) throw std::runtime_error("wrong code");
    agents.push_back(a);
  }
};

TEST(Inscription, WrongCodesCostANewPictureAndKeepThePage) {
  Inscription service;
  TFrmInscriptionModel m(service);
  m.Afficher();
  EXPECT_EQ(m.Verrou(), "v1");
  EXPECT_EQ(m.Image(), service::TByteDynArray{1});
  m.Nom = "Support";
  m.CodeGroupe = "bad";
  EXPECT_THROW(m.Suivant(), std::runtime_error);
  EXPECT_EQ(m.PageActive(), TFrmInscriptionModel::Page::CreerGroupe);
  EXPECT_EQ(m.CodeGroupe, "");
  EXPECT_EQ(m.Verrou(), "v2");
  m.CodeGroupe = "ok-v2";
  m.Suivant();
  EXPECT_EQ(m.PageActive(), TFrmInscriptionModel::Page::CreerAdministrateur);
  EXPECT_EQ(m.GroupeID(), "G-Support");
  EXPECT_EQ(m.Verrou(), "v3");
  EXPECT_EQ(m.CodeGroupe, "");
  // Each request sends the identifier held before.
  EXPECT_EQ(service.demandesVerrou, (std::vector<std::string>{"", "v1", "v2"}));

  m.Login = "boss";
  m.MotDePasse = "pw";
  m.CodeAdministrateur = "nope";
  EXPECT_THROW(m.Terminer(), std::runtime_error);
  EXPECT_EQ(m.Verrou(), "v4");
  EXPECT_EQ(m.CodeAdministrateur, "");
  m.CodeAdministrateur = "ok-v4";
  EXPECT_TRUE(m.Terminer());
  ASSERT_EQ(service.agents.size(), 1u);
  EXPECT_EQ(service.agents[0].GroupeID, "G-Support");
  EXPECT_EQ(service.agents[0].Login, "boss");
  EXPECT_EQ(service.agents[0].MotDePasse, "pw");
}

TEST(SaisieVerrou, AsksWithAnEmptyIdentifierEachTime) {
  Inscription service;
  TFrmSaisieVerrouModel m(service);
  m.Afficher();
  m.Afficher();
  EXPECT_EQ(service.demandesVerrou, (std::vector<std::string>{"", ""}));
  EXPECT_EQ(m.Verrou(), "v2");
  EXPECT_EQ(m.Image(), service::TByteDynArray{2});
}

TEST(ExportFichier, NameAndExtensionRules) {
  EXPECT_EQ(NomExportParDefaut(2007, 3, 14), "2007-03-14");
  EXPECT_EQ(NomExportParDefaut().size(), 10u);
  struct Case {
    const char* choisi;
    int filtre;
    const char* attendu;
  };
  const Case cases[] = {
      {"/tmp/report.xml", 2, "/tmp/report.csv"},  {"/tmp/report", 3, "/tmp/report.html"},
      {"/tmp/r.v1/report", 1, "/tmp/r.v1/report.xml"}, {"/tmp/a.b.htm", 3, "/tmp/a.b.html"},
      {"/tmp/report.csv", 0, "/tmp/report.xml"},  {"/tmp/report.csv", 7, "/tmp/report.xml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choisi);
    EXPECT_EQ(ChangerExtension(c.choisi, ExtensionExport(FormatDuFiltre(c.filtre))), c.attendu);
  }
}

TEST(ExportFichier, OverwriteQuestionNamesTheFileWritten) {
  test::BoitesScript boites;
  std::set<std::string> existants = {"/tmp/report.csv"};
  std::vector<std::pair<FormatExport, std::string>> ecrits;
  TExportFichier e(boites, {[&](const std::string& f) { return existants.count(f) > 0; },
                            [&](FormatExport fmt, const std::string& f) { ecrits.emplace_back(fmt, f); }});
  boites.reponses = {Bouton::Non, Bouton::Oui};
  EXPECT_EQ(e.Exporter("/tmp/report.xml", 2), std::nullopt);
  ASSERT_EQ(boites.montrees.size(), 1u);
  EXPECT_EQ(boites.montrees[0].titre, "File exists");
  EXPECT_EQ(boites.montrees[0].texte, "File \"/tmp/report.csv\" exists. Overwrite ?");
  EXPECT_TRUE(ecrits.empty());
  EXPECT_EQ(e.Exporter("/tmp/report.xml", 2), std::optional<std::string>("/tmp/report.csv"));
  EXPECT_EQ(e.Exporter("/tmp/other.xml", 3), std::optional<std::string>("/tmp/other.html"));
  EXPECT_EQ(boites.montrees.size(), 2u);  // no question for a new file
  ASSERT_EQ(ecrits.size(), 2u);
  EXPECT_EQ(ecrits[0].first, FormatExport::CSV);
  EXPECT_EQ(ecrits[1].first, FormatExport::HTML);
}

TEST(TelechargementAppliClient, CodeFirstThenUrlAndOutcomeBoxes) {
  test::BoitesScript boites;
  std::optional<TTelechargementAppliClient::Verrou> verrou;
  std::vector<std::string> urls;
  std::function<void()> succes, echec;
  TTelechargementAppliClient t(
      boites, {[] { return std::string("http://127.0.0.1:8090/scripts/ServiceCorvane.dll/"); },
               [] { return std::string("7"); }, [&] { return verrou; },
               [&](const std::string& url, const std::string& fichier, std::function<void()> s,
                   std::function<void()> e) {
                 urls.push_back(url + " " + fichier);
                 succes = std::move(s);
                 echec = std::move(e);
               }});
  EXPECT_FALSE(t.Telecharger("/tmp/CorvaneClient.exe"));  // code dialog cancelled
  EXPECT_TRUE(urls.empty());
  verrou = TTelechargementAppliClient::Verrou{"L1", "AB12"};
  EXPECT_TRUE(t.Telecharger("/tmp/CorvaneClient.exe"));
  ASSERT_EQ(urls.size(), 1u);
  EXPECT_EQ(urls[0],
            "http://127.0.0.1:8090/scripts/ServiceCorvane.dll/GetFile?FileID=CorvaneClient&ID=7&CIID=L1&CIPass=AB12 "
            "/tmp/CorvaneClient.exe");
  EXPECT_TRUE(boites.montrees.empty());  // the window does not wait
  succes();
  echec();
  ASSERT_EQ(boites.montrees.size(), 2u);
  EXPECT_EQ(boites.montrees[0].titre, "Download successfull");
  EXPECT_EQ(boites.montrees[0].texte, "Client application downloaded.\r\n/tmp/CorvaneClient.exe");
  EXPECT_EQ(boites.montrees[1].titre, "Download failed");
  EXPECT_EQ(boites.montrees[1].texte, "Integrity control failed or server busy.");
  EXPECT_EQ(boites.montrees[1].type, TypeBoite::Avertissement);
}

}  // namespace
}  // namespace corvane::shell
