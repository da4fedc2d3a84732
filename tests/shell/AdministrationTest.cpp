// The rules of the administration windows: the data grid's keys, the group and agents window, the
// customers window, the profile window and the known-customer picker.

#include <gtest/gtest.h>

#include "../records/FakeGateway.h"
#include "BoitesScript.h"
#include "records/DataGridRules.h"
#include "records/DmGestionClient.h"
#include "records/FieldDefs.h"
#include "records/RecordsErrors.h"
#include "shell/AdministrationAgentsModel.h"
#include "shell/AdministrationClientsModel.h"
#include "shell/InfosAgentModel.h"
#include "shell/SelectionClientConnuModel.h"

namespace corvane::shell {
namespace {

using namespace records;
using records::testing::FakeGateway;
using service::TRemotableAgent;
using service::TRemotableClient;

TRemotableAgent Agent(std::string id, std::string login) {
  TRemotableAgent a;
  a.AgentID = std::move(id);
  a.GroupeID = "G7";
  a.Login = std::move(login);
  a.Port = 8086;
  return a;
}

// ---- The data grid

// One row with a 16-bit, a 32-bit, a boolean and a read-only 16-bit field.
struct OneRow {
  std::vector<Variant> values{int64_t{0}, int64_t{1}, true, int64_t{0}};
  VirtualRecordSet set{"Row"};
  std::vector<std::vector<Variant>> posted;
  OneRow() {
    set.addField(MakeField("Small", FieldType::SmallInt, 0, "", 0));
    set.addField(MakeField("Int", FieldType::Integer, 0, "", 0));
    set.addField(MakeField("Bool", FieldType::Boolean, 0, "", 0));
    set.addField(MakeField("Fixed", FieldType::SmallInt, 0, "", 0, kReadOnly));
    set.callbacks().recordCount = [] { return 1; };
    set.callbacks().fieldValue = [this](int, const Field& f) { return values[static_cast<size_t>(f.index())]; };
    set.callbacks().deleteRecord = [this](int) { values.clear(); };
    set.open();
  }
  int64_t current(int field) const { return set.field(field).asInteger(); }
};

TEST(DataGrid, CheckBoxKeysSetToggleOrLeaveTheValue) {
  struct Case {
    const char* what;
    int field;
    bool columnReadOnly;
    GridKey key;
    GridKeyOutcome outcome;
    int64_t after;   // the field's value afterwards
    bool editing;    // the row went into edit mode
  };
  const Case cases[] = {
      {"space checks", 0, false, GridKey::Space, GridKeyOutcome::Handled, 1, true},
      {"space unchecks", 1, false, GridKey::Space, GridKeyOutcome::Handled, 0, true},
      {"plus sets", 0, false, GridKey::Plus, GridKeyOutcome::Handled, 1, true},
      {"one sets even when set", 1, false, GridKey::One, GridKeyOutcome::Handled, 1, true},
      {"minus clears", 1, false, GridKey::Minus, GridKeyOutcome::Handled, 0, true},
      {"zero clears", 1, false, GridKey::Zero, GridKeyOutcome::Handled, 0, true},
      {"backspace clears", 1, false, GridKey::Backspace, GridKeyOutcome::Handled, 0, true},
      {"letters navigate", 0, false, GridKey::Other, GridKeyOutcome::PassOn, 0, false},
      {"boolean field is no box", 2, false, GridKey::Space, GridKeyOutcome::PassOn, 1, false},
      {"read-only field", 3, false, GridKey::One, GridKeyOutcome::Swallowed, 0, false},
      {"read-only column", 0, true, GridKey::Space, GridKeyOutcome::Swallowed, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OneRow row;
    const GridColumn column{c.field, true, c.columnReadOnly};
    EXPECT_EQ(PressGridKey(row.set, column, false, c.key, false), c.outcome);
    EXPECT_EQ(row.current(c.field), c.after);
    EXPECT_EQ(row.set.editing(), c.editing);
  }
  // A read-only grid changes nothing; an unmarked integer column is an ordinary cell.
  OneRow row;
  EXPECT_EQ(PressGridKey(row.set, {0, true, false}, true, GridKey::One, false), GridKeyOutcome::Swallowed);
  EXPECT_EQ(PressGridKey(row.set, {0, false, false}, false, GridKey::One, false), GridKeyOutcome::PassOn);
  EXPECT_FALSE(row.set.editing());
}

TEST(DataGrid, ClickTogglesOnlyTheCurrentCellAndCtrlDeleteDeletesNothing) {
  OneRow row;
  const GridColumn box{0, true, false};
  EXPECT_FALSE(ClickCheckBoxCell(row.set, box, false, false));  // first click only selects the cell
  EXPECT_EQ(row.current(0), 0);
  EXPECT_TRUE(ClickCheckBoxCell(row.set, box, false, true));
  EXPECT_TRUE(CheckBoxChecked(row.set, 0, 0));  // the grid shows the edit buffer
  EXPECT_TRUE(ClickCheckBoxCell(row.set, box, false, true));
  EXPECT_FALSE(CheckBoxChecked(row.set, 0, 0));
  EXPECT_FALSE(ClickCheckBoxCell(row.set, {3, true, false}, false, true));

  row.set.cancel();
  for (const GridColumn& column : {box, GridColumn{1, false, false}})
    EXPECT_EQ(PressGridKey(row.set, column, false, GridKey::Delete, true), GridKeyOutcome::Swallowed);
  EXPECT_EQ(row.values.size(), 4u);
  EXPECT_EQ(row.set.recordCount(), 1);
}

TEST(DataGrid, ColumnChooserTextsOfTheProgramAndTheDefaults) {
  const ColumnChooserTexts defaults;
  EXPECT_EQ(defaults.caption, "Sélectionner colonnes");
  EXPECT_EQ(defaults.realNames, "[Afficher les noms réels]");
  EXPECT_EQ(defaults.ok, "&Ok");
  EXPECT_EQ(defaults.noSelection, "Au moins une colonne doit être sélectionnée !");
  const ColumnChooserTexts program = ColumnChooserTexts::Program();
  EXPECT_EQ(program.caption, "Select columns");
  EXPECT_EQ(program.realNames, "[Display real names]");
  EXPECT_EQ(program.ok, "&Ok");
  EXPECT_EQ(program.noSelection, "A least one column must be selected");
}

TEST(DataGrid, ReadOnlyCellsAndPostCancelEnabling) {
  OneRow row;
  EXPECT_FALSE(CellReadOnly(row.set, {0, false, false}, false));
  EXPECT_TRUE(CellReadOnly(row.set, {3, false, false}, false));
  EXPECT_TRUE(CellReadOnly(row.set, {0, false, true}, false));
  EXPECT_TRUE(CellReadOnly(row.set, {0, false, false}, true));
  EXPECT_FALSE(PostCancelEnabled(&row.set));
  row.set.edit();
  EXPECT_TRUE(PostCancelEnabled(&row.set));
  row.set.cancel();
  row.set.append();
  EXPECT_TRUE(PostCancelEnabled(&row.set));
  row.set.close();
  EXPECT_FALSE(PostCancelEnabled(&row.set));
  EXPECT_FALSE(PostCancelEnabled(nullptr));
  EXPECT_TRUE(CellReadOnly(row.set, {0, false, false}, false));
}

// ---- The group and agents window

class AgentsWindow : public ::testing::Test {
protected:
  void SetUp() override {
    for (int i = 1; i <= 3; ++i) gateway.agents.push_back(Agent(std::to_string(i), "agent" + std::to_string(i)));
    gateway.group.ID = "G7";
    gateway.group.Mess = "All busy\nCall back";
    window.Ouvrir();
  }
  FakeGateway gateway;
  TdmGestionAgent agents{gateway};
  TDmGestionGroupe groupe{gateway};
  test::BoitesScript boites;
  int reloads = 0, closes = 0;
  TFrmAdministrationAgentsModel window{agents, groupe, boites, [this] { ++reloads; }, [this] { ++closes; }};
  VirtualRecordSet& list() { return agents.EzListeAgents(); }
};

TEST_F(AgentsWindow, ActionsFollowTheStateOfTheListAndTheGroup) {
  using A = ActionAdministrationAgents;
  auto enabled = [&] {
    std::string out;
    for (A a : {A::actAjouterAgent, A::actSupprimerAgent, A::actValiderAgent, A::actAnnulerAgent,
                A::actValiderInfosGroupe, A::actAnnulerInfosGroupe, A::actTester, A::actRafraichirListeAgents,
                A::actRafraichirInfosGroupe, A::actFermer})
      out += window.Actif(a) ? '1' : '0';
    return out;
  };
  EXPECT_EQ(enabled(), "1100001111");
  // Space on the automatic-address box of a focused cell edits the row and enables Validate.
  const GridColumn autoIp{list().fieldByName("AdresseIPAuto").index(), true, false};
  EXPECT_EQ(PressGridKey(list(), autoIp, false, GridKey::Space, false), GridKeyOutcome::Handled);
  EXPECT_EQ(enabled(), "1111001111");
  window.Executer(A::actAnnulerAgent);
  groupe.EzInfosGroupe().edit();
  EXPECT_EQ(enabled(), "1100110111");
  window.Executer(A::actTester);  // disabled: nothing shown
  EXPECT_TRUE(boites.montrees.empty());
  window.Executer(A::actAnnulerInfosGroupe);
  window.Executer(A::actTester);
  ASSERT_EQ(boites.montrees.size(), 1u);
  EXPECT_EQ(boites.montrees[0].texte, "All busy\r\nCall back");
  EXPECT_EQ(boites.montrees[0].boutons, std::vector<Bouton>{Bouton::Ok});
  EXPECT_EQ(window.LibelleAccepteClientConnu(), "Accept known clients only");

  gateway.agents.clear();
  window.Executer(A::actRafraichirListeAgents);
  EXPECT_FALSE(window.Actif(A::actSupprimerAgent));
  window.Executer(A::actFermer);
  EXPECT_EQ(closes, 1);
}

TEST_F(AgentsWindow, ClosingReloadsTheOwnRecordOnlyAfterAnEdit) {
  using A = ActionAdministrationAgents;
  // Inserting a new agent cannot touch the own record.
  window.Executer(A::actAjouterAgent);
  list().fieldByName("Login").setValue(std::string("newbie"));
  window.Executer(A::actValiderAgent);
  window.Fermer();
  EXPECT_EQ(reloads, 0);
  EXPECT_FALSE(list().active());
  EXPECT_FALSE(groupe.EzInfosGroupe().active());

  // Editing another agent's row, even cancelled, does.
  window.Ouvrir();
  list().moveTo(2);
  list().edit();
  EXPECT_TRUE(window.AgentModifie());
  window.Executer(A::actAnnulerAgent);
  window.Fermer();
  EXPECT_EQ(reloads, 1);

  // Opening again clears the flag.
  window.Ouvrir();
  EXPECT_FALSE(window.AgentModifie());
  window.Fermer();
  EXPECT_EQ(reloads, 1);
}

TEST_F(AgentsWindow, ClosingDropsAPendingEditUnsent) {
  list().moveTo(1);
  list().edit();
  list().fieldByName("Nom").setValue(std::string("Never sent"));
  groupe.EzInfosGroupe().edit();
  window.Fermer();
  EXPECT_EQ(gateway.count("MettreAJourAgent"), 0u);
  EXPECT_EQ(gateway.count("ModifierGroupe"), 0u);
  EXPECT_EQ(reloads, 1);
}

// ---- The customers window and the picker

TRemotableClient Client(std::string id, std::string identifiant) {
  TRemotableClient c;
  c.ClientID = std::move(id);
  c.GroupeID = "G7";
  c.Identifiant = std::move(identifiant);
  c.Nom = "Nom" + c.ClientID;
  c.Prenom = "Prenom" + c.ClientID;
  c.EMail = "c" + c.ClientID + "@example.org";
  return c;
}

TEST(CustomersWindow, AddAndDeleteWaitForThePendingEdit) {
  using A = ActionAdministrationClients;
  FakeGateway gateway;
  gateway.clients = {Client("1", "C1")};
  TdmGestionClient clients(gateway);
  TFrmAdministrationClientsModel window(clients, nullptr);
  auto enabled = [&] {
    std::string out;
    for (A a : {A::actAjouterClient, A::actSupprimerClient, A::actValiderClient, A::actAnnulerClient,
                A::actRafraichirListeClients, A::actFermer})
      out += window.Actif(a) ? '1' : '0';
    return out;
  };
  EXPECT_EQ(enabled(), "000011");  // closed
  window.Ouvrir();
  EXPECT_EQ(enabled(), "110011");
  window.Executer(A::actAjouterClient);
  EXPECT_EQ(enabled(), "001111");
  window.Executer(A::actSupprimerClient);  // disabled: the pending row stays
  EXPECT_TRUE(clients.EzListeClients().editing());
  window.Executer(A::actAnnulerClient);
  window.Executer(A::actSupprimerClient);
  EXPECT_EQ(gateway.calls.back(), "SupprimerUnClient 1");
  EXPECT_EQ(enabled(), "100011");
  window.Fermer();
  EXPECT_FALSE(clients.EzListeClients().active());
}

class SessionStandIn final : public calls::IFenetreSession {
public:
  bool OuvrirPortAssistance(int&) override { return false; }
  void ActiverServeur() override {}
  void SetAssistanceID(const std::string&) override {}
  void SetClient(const calls::TInfosClient& c) override { client = c; }
  void SetDescription(const std::string&) override {}
  void Afficher() override {}
  bool Visible() const override { return true; }
  int EtatConnexion() const override { return 2; }
  bool DemanderFermeture() override { return false; }
  bool EstActive() const override { return false; }
  void SetReouvertureEnCours(bool) override {}
  void ArreterEcoute() override {}
  calls::TInfosClient& Client() override { return client; }
  void AppliquerIdentification() override { ++identifications; }

  calls::TInfosClient client{"Typed name", "typed@example.org", "10.0.0.9", 0, "", ""};
  int identifications = 0;
};

TEST(KnownCustomerPicker, OkHandsTheTrimmedCustomerToTheSessionAndRefusesABlankOne) {
  FakeGateway gateway;
  gateway.clients = {Client("1", "   "), Client("2", "  C42 ")};
  TdmGestionClient clients(gateway);
  SessionStandIn session;
  int closes = 0;
  TFrmSelectionClientConnuModel picker(clients, session, [&] { ++closes; });
  picker.Ouvrir();

  const calls::TInfosClient before = session.client;
  EXPECT_FALSE(picker.Ok());  // blank identifier
  EXPECT_EQ(session.client, before);
  EXPECT_EQ(session.identifications, 0);
  EXPECT_EQ(closes, 0);
  EXPECT_TRUE(clients.EzListeClients().active());

  // A pending edit is posted first, and what it typed is what the session gets.
  clients.EzListeClients().moveTo(1);
  clients.EzListeClients().edit();
  clients.EzListeClients().fieldByName("Nom").setValue(std::string("Corrected"));
  EXPECT_TRUE(picker.Ok());
  EXPECT_EQ(gateway.count("MettreAJourClient"), 1u);
  const calls::TInfosClient expected{"Corrected", "c2@example.org", "10.0.0.9", 1, "C42", "Prenom2"};
  EXPECT_EQ(session.client, expected);
  EXPECT_EQ(session.identifications, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(clients.EzListeClients().active());  // shared with the customers window
}

// ---- The profile window

TEST(ProfileWindow, AddressFollowsAutomaticAndOkSendsOnlyTheOwnRecord) {
  TRemotableAgent own = Agent("7", "me");
  own.AdresseIPAuto = true;
  own.AdresseIP = "host.example.org";
  int sent = 0, closes = 0;
  TRemotableAgent* controller = &own;
  TFrmInfosAgentModel window({[&] { return controller; }, [&] { ++sent; }, [&] { ++closes; }});
  window.Afficher();
  EXPECT_FALSE(window.AdresseIPActive());
  EXPECT_FALSE(window.OkActif());
  EXPECT_FALSE(window.RestaurerActif());
  window.SetAutomatique(false);
  EXPECT_TRUE(window.AdresseIPActive());  // at once, before any post
  EXPECT_TRUE(window.OkActif());
  window.Restaurer();
  EXPECT_FALSE(window.AdresseIPActive());
  EXPECT_FALSE(window.OkActif());

  window.SetAutomatique(false);
  window.EzAgent().fieldByName("AdresseIP").setValue(std::string("10.1.2.3"));
  window.Ok();
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(sent, 1);
  EXPECT_FALSE(own.AdresseIPAuto);
  EXPECT_EQ(own.AdresseIP, "10.1.2.3");
  EXPECT_EQ(own.Login, "me");

  // Another agent logged in meanwhile: the copy is not sent.
  window.Afficher();
  window.EzAgent().edit();
  window.EzAgent().fieldByName("Nom").setValue(std::string("Other"));
  TRemotableAgent someoneElse = Agent("8", "other");
  controller = &someoneElse;
  window.Ok();
  EXPECT_EQ(sent, 1);
  EXPECT_EQ(someoneElse.Nom, "");

  // A blank login is refused and the window stays open; closing drops the edit.
  controller = &own;
  window.Afficher();
  window.EzAgent().edit();
  window.EzAgent().fieldByName("Login").setValue(std::string(""));
  EXPECT_THROW(window.Ok(), EDataSetError);
  EXPECT_EQ(closes, 2);
  window.Annuler();
  EXPECT_FALSE(window.OkActif());
  EXPECT_EQ(own.Login, "me");
}

}  // namespace
}  // namespace corvane::shell
