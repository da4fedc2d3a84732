#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/ManualLoop.h"
#include "calls/AppelClientModel.h"

using namespace corvane;
using namespace corvane::calls;

namespace {

class AppelClientModelTest : public ::testing::Test {
protected:
  base::ManualLoop loop;
  TFrmAppelClientModel dialog{loop, ""};
  int hidden = 0, released = 0, flashes = 0;
  void SetUp() override {
    dialog.OnCacher = [&] { ++hidden; };
    dialog.OnLiberer = [&](TFrmAppelClientModel&) { ++released; };
    dialog.OnFlash = [&](int fois, int periode) {
      EXPECT_EQ(fois, 2);
      EXPECT_EQ(periode, 50);
      ++flashes;
    };
  }
};

}  // namespace

TEST_F(AppelClientModelTest, FillsFromTheCustomer) {
  TInfosClient known{"Dupont", "j@x.invalid", "192.0.2.7", 1, "C001", "Jeanne"};
  dialog.Remplir(known);
  EXPECT_EQ(dialog.LampeTypeClient(), TFrmAppelClientModel::Lampe::Verte);
  EXPECT_EQ(dialog.TexteTypeClient(), "ID = C001");
  EXPECT_EQ(dialog.TexteClient(), "Jeanne Dupont");
  EXPECT_EQ(dialog.LienEMail(), "<a href=\"mailto:j@x.invalid\">j@x.invalid</a>");
  EXPECT_EQ(dialog.Adresse(), "192.0.2.7");

  TInfosClient unknown{"Bob", "\"><img src=x>", "192.0.2.8", 0, "", ""};
  dialog.Remplir(unknown);
  EXPECT_EQ(dialog.LampeTypeClient(), TFrmAppelClientModel::Lampe::Rouge);
  EXPECT_EQ(dialog.TexteTypeClient(), "Unknown client");
  EXPECT_EQ(dialog.TexteClient(), "Bob");
  EXPECT_EQ(dialog.LienEMail(),
            "<a href=\"mailto:&quot;&gt;&lt;img src=x&gt;\">&quot;&gt;&lt;img src=x&gt;</a>");

  TInfosClient noFirstName{"Martin", "", "", 1, "C9", ""};
  dialog.Remplir(noFirstName);
  EXPECT_EQ(dialog.TexteClient(), "Martin");  // trimmed
}

TEST_F(AppelClientModelTest, ContactedAgentsTextAndLook) {
  struct Case {
    int n;
    std::string text;
    bool alert;
  };
  for (const Case& c : {Case{0, "An outdated client software is calling...", false},
                        Case{1, "You are the only agent able to respond", true},
                        Case{2, "There are 2 contacted agents", false},
                        Case{-4, "An outdated client software is calling...", false}}) {
    dialog.SetNbreAgents(c.n);
    EXPECT_EQ(dialog.TexteNbreAgents(), c.text);
    EXPECT_EQ(dialog.AlerteNbreAgents(), c.alert);
  }
}

TEST_F(AppelClientModelTest, PollsKeepItRingingUntilTenSecondsOfSilence) {
  dialog.Afficher();
  ASSERT_TRUE(dialog.Visible());
  for (int i = 0; i < 10; ++i) {  // a poll every 2 s for 20 s
    loop.advance(2000);
    dialog.SignalerInterrogation();
  }
  EXPECT_TRUE(dialog.Visible());
  EXPECT_EQ(flashes, 10);
  dialog.Accepter();
  EXPECT_TRUE(dialog.Visible());  // accepting does not close
  EXPECT_EQ(dialog.LireReponse(), TFrmAppelClientModel::Acceptee);
  loop.advance(10000);
  EXPECT_TRUE(dialog.Visible());
  loop.advance(500);  // 10.5 s without poll: refused, even though accepted
  EXPECT_FALSE(dialog.Visible());
  EXPECT_EQ(dialog.LireReponse(), TFrmAppelClientModel::Refusee);
  EXPECT_EQ(hidden, 1);
  // The hidden dialog stays until its context releases it: no later tick closes it again.
  loop.advance(5000);
  EXPECT_EQ(released, 0);
  EXPECT_EQ(loop.activeTimers(), 0u);
}

TEST_F(AppelClientModelTest, LampBlinksEveryHalfSecond) {
  dialog.Afficher();
  EXPECT_EQ(dialog.LampeClignote(), TFrmAppelClientModel::Lampe::Grise);
  loop.advance(500);
  EXPECT_EQ(dialog.LampeClignote(), TFrmAppelClientModel::Lampe::Bleue);
  loop.advance(500);
  EXPECT_EQ(dialog.LampeClignote(), TFrmAppelClientModel::Lampe::Grise);
}

TEST_F(AppelClientModelTest, CloseBoxRefusesThenAHiddenDialogIsReleased) {
  dialog.Afficher();
  dialog.Fermer();
  EXPECT_FALSE(dialog.Visible());
  EXPECT_EQ(dialog.LireReponse(), TFrmAppelClientModel::Refusee);
  EXPECT_EQ(released, 0);
  dialog.Fermer();
  EXPECT_EQ(released, 1);
}

TEST(AppelClientModelSound, RingsOnlyWhenTheSoundFileExists) {
  base::ManualLoop loop;
  const auto dir = std::filesystem::temp_directory_path() / ("corvane-ring-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::vector<std::string> played;
  int stopped = 0;
  {
    TFrmAppelClientModel silent(loop, dir.string());
    silent.OnJouerSon = [&](const std::string& f) { played.push_back(f); };
    silent.Afficher();
  }
  EXPECT_TRUE(played.empty());
  std::ofstream(dir / "Appel.wav") << "RIFF";
  {
    TFrmAppelClientModel ringing(loop, dir.string());
    ringing.OnJouerSon = [&](const std::string& f) { played.push_back(f); };
    ringing.OnArreterSon = [&] { ++stopped; };
    ringing.Afficher();
    ringing.Fermer();
  }
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0], (dir / "Appel.wav").string());
  EXPECT_EQ(stopped, 1);
  std::filesystem::remove_all(dir);
}
