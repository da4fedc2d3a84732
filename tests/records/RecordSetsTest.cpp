// The virtual record set, the property copier and the agents, group and customers modules.

#include <gtest/gtest.h>

#include <functional>

#include "FakeGateway.h"
#include "records/DmGestionAgent.h"
#include "records/DmGestionClient.h"
#include "records/DmGestionGroupe.h"
#include "records/FieldDefs.h"
#include "records/GestionRTTIProprietes.h"
#include "records/RecordsErrors.h"
#include "service/RemotableFaults.h"

namespace corvane::records {
namespace {

using namespace testing;

TRemotableAgent Agent(std::string id, std::string login, std::string nom) {
  TRemotableAgent a;
  a.AgentID = std::move(id);
  a.GroupeID = "G7";
  a.Login = std::move(login);
  a.Nom = std::move(nom);
  a.Port = 8086;
  return a;
}

std::vector<std::string> Logins(const TdmGestionAgent& m) {
  std::vector<std::string> out;
  for (auto& a : m.items()) out.push_back(a->Login);
  return out;
}

// ---- The property copier

TEST(PropertyCopier, ReadsAndWritesByNameWithoutRegardToCase) {
  TRemotableAgent agent;
  TGestionRTTIProprietes copier(&agent);
  copier.setValue("email", std::string("a@b.c"));
  copier.setValue("ADRESSEIPAUTO", int64_t{1});
  copier.setValue("Status", int64_t{2});
  EXPECT_EQ(agent.EMail, "a@b.c");
  EXPECT_TRUE(agent.AdresseIPAuto);
  EXPECT_EQ(copier.getValue("status"), Variant(int64_t{2}));  // enumerations as ordinals
  EXPECT_EQ(copier.getValue("AdresseIPAuto"), Variant(true));
  EXPECT_EQ(copier.count(), 13);
  EXPECT_EQ(copier.name(12), "Status");

  // Null gives each type's empty value instead of failing.
  for (const char* name : {"EMail", "AdresseIPAuto", "Port", "Status"}) copier.setValue(name, Variant{});
  EXPECT_EQ(agent.EMail, "");
  EXPECT_FALSE(agent.AdresseIPAuto);
  EXPECT_EQ(agent.Port, 0);
  EXPECT_EQ(agent.Status, TStatusAgent::saDeconnecte);
}

TEST(PropertyCopier, UnknownPropertyFailsWithFrenchReadErrorNamingItAndTheClass) {
  TRemotableClient client;
  TGestionRTTIProprietes copier(&client);
  EXPECT_FALSE(copier.hasProperty("Status"));
  try {
    copier.getValue("Status");
    FAIL();
  } catch (const EPropertyNotFound& e) {
    EXPECT_EQ(e.message(), "Propriété Status non trouvée dans un objet de type TRemotableClient");
  }
  EXPECT_THROW(copier.setValue("Status", int64_t{1}), EPropertyNotFound);
}

TEST(PropertyCopier, DateTimesGoThroughTheObjectReaderAndWriter) {
  TRemotableAssistance session;
  session.DemandeDate = 45000.5;
  TGestionRTTIProprietes copier(&session);
  EXPECT_TRUE(IsNull(copier.getValue("DemandeDate")));  // no reader: empty
  copier.setValue("DemandeDate", 1.0);                   // no writer: nothing stored
  EXPECT_EQ(session.DemandeDate, 45000.5);

  std::string seen;
  copier.setLecteurObjet([&](std::string_view name, const TRemotable&) -> Variant {
    seen = name;
    return 7.0;
  });
  copier.setEcrivainObjet([](const Variant& v, std::string_view, TRemotable& o) {
    static_cast<TRemotableAssistance&>(o).ReponseDate = std::get<double>(v);
  });
  EXPECT_EQ(copier.getValue("demandedate"), Variant(7.0));
  EXPECT_EQ(seen, "DemandeDate");
  copier.setValue("ReponseDate", 3.0);
  EXPECT_EQ(session.ReponseDate, 3.0);
}

TEST(PropertyCopier, CopiesOnlyThePropertiesBothRecordsHave) {
  TRemotableAgent agent = Agent("12", "jdoe", "Doe");
  agent.EMail = "j@d.o";
  TRemotableClient client;
  client.AdresseIP = "10.0.0.1";
  TGestionRTTIProprietes(&client).copyFrom(agent);
  EXPECT_EQ(client.GroupeID, "G7");
  EXPECT_EQ(client.Nom, "Doe");
  EXPECT_EQ(client.EMail, "j@d.o");
  EXPECT_EQ(client.AdresseIP, "");  // the agent's (empty) address replaced it: both have it

  TRemotableFiltre a, b;
  a.ClientID = 42;
  a.DateDebutInclue = 45000;
  a.FiltreReponsesAgentsExclusif = true;
  TGestionRTTIProprietes(&a).copyTo(b);
  EXPECT_EQ(b.ClientID, 42);
  EXPECT_EQ(b.DateDebutInclue, 45000);  // day numbers are plain values, not objects
  EXPECT_TRUE(b.FiltreReponsesAgentsExclusif);
}

// ---- The virtual record set

TEST(VirtualRecordSet, RefusesToOpenWithoutDeclaredFields) {
  VirtualRecordSet set("Empty");
  try {
    set.open();
    FAIL();
  } catch (const EDataSetError& e) {
    EXPECT_STREQ(e.what(), "Virtual dataset can only be used with persistent fields.");
  }
  EXPECT_FALSE(set.active());
}

TEST(VirtualRecordSet, NavigatesLocatesAndReportsEnds) {
  std::vector<std::string> rows = {"a", "b", "c"};
  VirtualRecordSet set("Letters");
  set.addField(MakeField("L", FieldType::String, 4, "", 0));
  int scrolls = 0;
  set.callbacks().recordCount = [&] { return static_cast<int>(rows.size()); };
  set.callbacks().fieldValue = [&](int row, const Field&) { return Variant(rows[static_cast<size_t>(row)]); };
  set.callbacks().locate = [&](std::string_view, const Variant& v) {
    for (size_t i = 0; i < rows.size(); ++i)
      if (Variant(rows[i]) == v) return static_cast<int>(i);
    return -1;
  };
  set.callbacks().afterScroll = [&] { ++scrolls; };
  set.open();
  EXPECT_TRUE(set.bof());
  std::string seen;
  for (; !set.eof(); set.next()) seen += set.fieldByName("l").asString();
  EXPECT_EQ(seen, "abc");
  EXPECT_TRUE(set.locate("L", std::string("b")));
  EXPECT_EQ(set.recNo(), 1);
  EXPECT_FALSE(set.locate("L", std::string("z")));
  EXPECT_EQ(set.recNo(), 1);
  EXPECT_EQ(set.textAt(2, 0), "c");
  EXPECT_GE(scrolls, 4);
  EXPECT_THROW(set.fieldByName("L").setValue(std::string("x")), EDataSetError);  // browsing
}

TEST(VirtualRecordSet, FieldsConvertCheckRangesAndTruncate) {
  VirtualRecordSet set("Typed");
  FieldDef flag = MakeField("Flag", FieldType::SmallInt, 0, "", 0);
  flag.minValue = 0;
  flag.maxValue = 1;
  set.addField(flag);
  set.addField(MakeField("Code", FieldType::String, 3, "", 0));
  set.addField(MakeField("N", FieldType::Integer, 0, "", 0));
  set.callbacks().recordCount = [] { return 0; };
  set.open();
  set.append();
  EXPECT_THROW(set.fieldByName("Flag").setValue(int64_t{2}), EDataSetError);
  set.fieldByName("Code").setValue(std::string("éabc"));
  EXPECT_EQ(set.fieldByName("Code").asString(), "éab");  // characters, not bytes
  set.fieldByName("Code").setValue(std::string(""));
  EXPECT_TRUE(set.fieldByName("Code").isNull());          // empty text is null
  set.fieldByName("N").setAsString("42");
  EXPECT_EQ(set.fieldByName("N").asInteger(), 42);
  EXPECT_THROW(set.fieldByName("N").setAsString("4x2"), EDataSetError);
  EXPECT_EQ(set.fieldByName("N").asInteger(), 42);
}

TEST(VirtualRecordSet, SizesCutWhatIsTypedNeverWhatWasRead) {
  std::vector<std::string> rows = {"2001:db8:85a3::8a2e:370:7334", "short"};
  std::vector<std::string> posted;
  VirtualRecordSet set("Sized");
  set.addField(MakeField("Address", FieldType::String, 15, "", 0));
  set.addField(MakeField("Note", FieldType::String, 4, "", 0));
  set.callbacks().recordCount = [&] { return static_cast<int>(rows.size()); };
  set.callbacks().fieldValue = [&](int row, const Field& f) {
    return f.index() == 0 ? Variant(rows[static_cast<size_t>(row)]) : Variant(std::string("kept whole"));
  };
  set.callbacks().postData = [&](int, RecordSetState) {
    posted = {set.fieldByName("Address").asString(), set.fieldByName("Note").asString()};
  };
  set.open();
  EXPECT_EQ(set.fieldByName("Address").asString(), rows[0]);
  EXPECT_EQ(set.textAt(0, 0), rows[0]);
  EXPECT_EQ(set.valueAt(0, 1), Variant(std::string("kept whole")));
  // An edit sends back whole what the agent did not touch, and cuts what it typed.
  set.edit();
  set.fieldByName("Note").setValue(std::string("typed too long"));
  set.post();
  EXPECT_EQ(posted, (std::vector<std::string>{rows[0], "type"}));
}

// ---- Agents

class AgentsModule : public ::testing::Test {
protected:
  void SetUp() override {
    for (int i = 1; i <= 5; ++i) gateway.agents.push_back(Agent(std::to_string(i), "agent" + std::to_string(i), "Nom" + std::to_string(i)));
    module.EzListeAgents().open();
  }
  FakeGateway gateway;
  TdmGestionAgent module{gateway};
};

TEST_F(AgentsModule, EditingTheThirdAgentPutsTheRereadRecordBackInThirdPosition) {
  VirtualRecordSet& set = module.EzListeAgents();
  set.moveTo(2);
  set.edit();
  set.fieldByName("Nom").setValue(std::string("Renamed"));
  set.post();
  ASSERT_EQ(gateway.agentsSent.size(), 1u);
  EXPECT_EQ(gateway.agentsSent[0].AgentID, "3");
  EXPECT_EQ(gateway.agentsSent[0].Nom, "Renamed");
  EXPECT_EQ(gateway.calls.back(), "ObtenirAgent");
  EXPECT_EQ(Logins(module), (std::vector<std::string>{"agent1", "agent2", "agent3", "agent4", "agent5"}));
  EXPECT_EQ(module.items()[2]->Nom, "Renamed");
  EXPECT_EQ(set.recNo(), 2);
  EXPECT_EQ(set.fieldByName("Email").def().displayWidth, 20);
}

TEST_F(AgentsModule, NewAgentWithOnlyALoginGetsTheDefaultsAndItsNewIdentifier) {
  VirtualRecordSet& set = module.EzListeAgents();
  set.append();
  set.fieldByName("Login").setValue(std::string("newbie"));
  // Changing the log-in fills the defaults at once, for the grid to show them.
  EXPECT_EQ(set.fieldByName("Port").asInteger(), 8086);
  set.post();
  ASSERT_EQ(gateway.agentsSent.size(), 1u);
  const TRemotableAgent& sent = gateway.agentsSent[0];
  EXPECT_EQ(sent.AgentID, "");
  EXPECT_EQ(sent.GroupeID, "G7");
  EXPECT_EQ(sent.Port, 8086);
  EXPECT_EQ(sent.NiveauAdmin, 0);
  EXPECT_TRUE(sent.AdresseIPAuto);
  EXPECT_EQ(sent.Status, TStatusAgent::saDeconnecte);
  EXPECT_EQ(Logins(module).back(), "newbie");
  EXPECT_EQ(module.items().back()->AgentID, "100");
  EXPECT_EQ(set.recNo(), 5);
  EXPECT_EQ(set.fieldByName("AgentID").asInteger(), 100);
}

TEST_F(AgentsModule, InsertingBeforeARowPutsTheNewAgentAtThatPosition) {
  VirtualRecordSet& set = module.EzListeAgents();
  set.moveTo(1);
  set.insert();
  set.fieldByName("Login").setValue(std::string("second"));
  set.post();
  EXPECT_EQ(Logins(module), (std::vector<std::string>{"agent1", "second", "agent2", "agent3", "agent4", "agent5"}));
}

TEST_F(AgentsModule, MissingRequiredValueStopsThePostBeforeTheService) {
  VirtualRecordSet& set = module.EzListeAgents();
  set.append();
  set.fieldByName("Nom").setValue(std::string("No login"));
  try {
    set.post();
    FAIL();
  } catch (const EDataSetError& e) {
    EXPECT_NE(std::string(e.what()).find("must have a value"), std::string::npos);
  }
  EXPECT_EQ(gateway.count("AjouterUnAgent"), 0u);
  EXPECT_TRUE(set.editing());  // the user can complete the row
}

TEST_F(AgentsModule, RefusedSaveReloadsTheListAndPassesTheFaultOn) {
  VirtualRecordSet& set = module.EzListeAgents();
  gateway.failing = {"MettreAJourAgent"};
  set.moveTo(3);
  set.edit();
  set.fieldByName("Nom").setValue(std::string("Refused"));
  EXPECT_THROW(set.post(), ERemotableEchecIntegrite);
  EXPECT_EQ(gateway.count("ListeAgents"), 2u);
  EXPECT_FALSE(set.editing());
  ASSERT_EQ(module.items().size(), 5u);
  EXPECT_EQ(module.items()[3]->Nom, "Nom4");
}

TEST_F(AgentsModule, DeletingSendsTheIdentifierAndAFailureLeavesTheListAlone) {
  VirtualRecordSet& set = module.EzListeAgents();
  set.moveTo(1);
  gateway.failing = {"SupprimerUnAgent"};
  EXPECT_THROW(set.deleteRecord(), ERemotableEchecIntegrite);
  EXPECT_EQ(module.recordCount(), 5);
  gateway.failing.clear();
  set.deleteRecord();
  EXPECT_EQ(gateway.calls.back(), "SupprimerUnAgent 2");
  EXPECT_EQ(Logins(module), (std::vector<std::string>{"agent1", "agent3", "agent4", "agent5"}));
  EXPECT_EQ(set.fieldByName("Login").asString(), "agent3");
}

// What a table-model adapter holds: a copy of the shown rows kept up to date only through the
// notifications, checked at each "about to" against the count the view still believes in.
class GridMirror {
public:
  explicit GridMirror(VirtualRecordSet& set) : set_(set) {
    id_ = set.addListener([this](VirtualRecordSet::Change change, int row) { onChange(change, row); });
    rows_ = readAll();
  }
  ~GridMirror() { set_.removeListener(id_); }
  std::vector<std::string> rows() const { return rows_; }
  std::vector<std::string> readAll() const {
    std::vector<std::string> out;
    for (int r = 0; r < set_.displayRowCount(); ++r) out.push_back(read(r));
    return out;
  }
  int resets = 0;

private:
  using C = VirtualRecordSet::Change;
  std::string read(int row) const {
    return set_.textAt(row, set_.fieldByName("Login").index()) + "/" +
           set_.textAt(row, set_.fieldByName("Nom").index());
  }
  void onChange(C change, int row) {
    switch (change) {
      case C::RowAboutToBeInserted:
        ASSERT_EQ(set_.displayRowCount(), static_cast<int>(rows_.size()));
        ASSERT_LE(row, static_cast<int>(rows_.size()));
        break;
      case C::RowInserted: rows_.insert(rows_.begin() + row, read(row)); break;
      case C::RowAboutToBeRemoved:
        ASSERT_EQ(set_.displayRowCount(), static_cast<int>(rows_.size()));
        ASSERT_LT(row, static_cast<int>(rows_.size()));
        break;
      case C::RowRemoved: rows_.erase(rows_.begin() + row); break;
      case C::RowChanged:
        ASSERT_LT(row, static_cast<int>(rows_.size()));
        rows_[static_cast<size_t>(row)] = read(row);
        break;
      case C::Reset:
        ++resets;
        rows_ = readAll();
        break;
      default: break;
    }
  }
  VirtualRecordSet& set_;
  int id_ = 0;
  std::vector<std::string> rows_;
};

TEST_F(AgentsModule, GridFollowsEditsInsertionsAndDeletionsWithoutResets) {
  VirtualRecordSet& set = module.EzListeAgents();
  GridMirror grid(set);
  struct Step {
    const char* what;
    std::function<void()> run;
    int editRow;  // expected afterwards
  };
  const std::vector<Step> steps = {
      {"edit the third", [&] { set.moveTo(2); set.edit(); }, 2},
      {"keystroke shows in the row", [&] { set.fieldByName("Nom").setValue(std::string("Typing")); }, 2},
      {"cancel restores it", [&] { set.cancel(); }, -1},
      {"insert before the second", [&] { set.moveTo(1); set.insert(); }, 1},
      {"type in the new row", [&] { set.fieldByName("Login").setValue(std::string("new")); }, 1},
      {"post it", [&] { set.post(); }, -1},
      {"append then cancel", [&] { set.append(); set.fieldByName("Login").setValue(std::string("x")); set.cancel(); }, -1},
      {"append then delete", [&] { set.append(); set.deleteRecord(); }, -1},
      {"edit and post", [&] { set.moveTo(4); set.edit(); set.fieldByName("Nom").setValue(std::string("Saved")); set.post(); }, -1},
      {"delete the first", [&] { set.first(); set.deleteRecord(); }, -1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.run();
    EXPECT_EQ(grid.rows(), grid.readAll());
    EXPECT_EQ(set.editRow(), step.editRow);
  }
  EXPECT_EQ(grid.resets, 0);
  EXPECT_EQ(grid.rows(), (std::vector<std::string>{"new/", "agent2/Nom2", "agent3/Nom3", "agent4/Saved", "agent5/Nom5"}));

  // A refused save or delete re-reads everything; the copy still matches the service.
  gateway.failing = {"SupprimerUnAgent", "MettreAJourAgent"};
  EXPECT_THROW(set.deleteRecord(), ERemotableEchecIntegrite);
  set.edit();
  set.fieldByName("Nom").setValue(std::string("Refused"));
  EXPECT_THROW(set.post(), ERemotableEchecIntegrite);
  EXPECT_GE(grid.resets, 2);
  EXPECT_EQ(grid.rows(), grid.readAll());
  EXPECT_EQ(grid.rows().size(), 5u);
}

TEST_F(AgentsModule, PendingRowIsCountedAndShownWhereItWillBeSaved) {
  VirtualRecordSet& set = module.EzListeAgents();
  const int login = set.fieldByName("Login").index();
  set.moveTo(2);
  set.insert();
  EXPECT_EQ(set.recordCount(), 5);
  EXPECT_EQ(set.displayRowCount(), 6);
  set.fieldByName("Login").setValue(std::string("pending"));
  EXPECT_EQ(set.textAt(1, login), "agent2");
  EXPECT_EQ(set.textAt(2, login), "pending");
  EXPECT_EQ(set.textAt(3, login), "agent3");
  EXPECT_EQ(set.textAt(5, login), "agent5");
  EXPECT_TRUE(IsNull(set.valueAt(6, login)));
  set.cancel();
  EXPECT_EQ(set.displayRowCount(), 5);
  EXPECT_EQ(set.textAt(2, login), "agent3");
}

// ---- Customers

class CustomersModule : public ::testing::Test {
protected:
  void SetUp() override {
    for (int i = 1; i <= 3; ++i) {
      TRemotableClient c;
      c.ClientID = std::to_string(10 + i);
      c.GroupeID = "G7";
      c.Identifiant = "  CLI" + std::to_string(i) + "  ";
      c.Nom = "Client" + std::to_string(i);
      gateway.clients.push_back(c);
    }
    module.EzListeClients().open();
  }
  FakeGateway gateway;
  TdmGestionClient module{gateway};
};

TEST_F(CustomersModule, IdentifiersShowWithoutBlanksAndLocateByClientId) {
  VirtualRecordSet& set = module.EzListeClients();
  EXPECT_TRUE(set.locate("ClientID", int64_t{12}));
  EXPECT_EQ(set.recNo(), 1);
  EXPECT_EQ(set.fieldByName("Identifiant").asString(), "CLI2");
  EXPECT_FALSE(set.locate("ClientID", int64_t{99}));
  EXPECT_FALSE(set.locate("ClientID", int64_t{-1}));
}

TEST_F(CustomersModule, DuplicateIdentifierFaultReloadsAndKeepsTheServiceText) {
  gateway.failing = {"AjouterUnClient"};
  gateway.fault = [] { throw ERemotableException("ORA-00001: unique constraint (C_UK_IDEN_GRA) violated"); };
  VirtualRecordSet& set = module.EzListeClients();
  set.append();
  set.fieldByName("Identifiant").setValue(std::string("CLI1"));
  try {
    set.post();
    FAIL();
  } catch (ERemotableException& e) {
    EXPECT_TRUE(ReplaceDuplicateClientIdMessage(e));
    EXPECT_EQ(e.message(), "Client ID already used.");
  }
  ASSERT_EQ(gateway.clientsSent.size(), 1u);
  EXPECT_EQ(gateway.clientsSent[0].GroupeID, "G7");  // the default
  EXPECT_EQ(gateway.count("ListeClients"), 2u);
  EXPECT_EQ(module.recordCount(), 3);
}

TEST_F(CustomersModule, EditSendsTheFieldsAndKeepsTheAddressEmpty) {
  VirtualRecordSet& set = module.EzListeClients();
  set.last();
  set.edit();
  set.fieldByName("Email").setValue(std::string("c3@x.y"));
  set.post();
  ASSERT_EQ(gateway.clientsSent.size(), 1u);
  EXPECT_EQ(gateway.clientsSent[0].ClientID, "13");
  EXPECT_EQ(gateway.clientsSent[0].EMail, "c3@x.y");
  EXPECT_EQ(gateway.clientsSent[0].AdresseIP, "");
  EXPECT_EQ(module.items()[2]->EMail, "c3@x.y");
}

// ---- Group

TEST(GroupModule, MessageLineBreaksAreStoredAsLineFeedsAndShownAsCrLf) {
  FakeGateway gateway;
  gateway.group.ID = "G7";
  gateway.group.Nom = "Helpers";
  gateway.group.Nbre = 4;
  gateway.group.Valide = true;
  gateway.group.Mess = "All busy";
  TDmGestionGroupe module(gateway);
  VirtualRecordSet& set = module.EzInfosGroupe();
  set.open();
  EXPECT_EQ(gateway.calls.back(), "ObtenirGroupe G7");
  EXPECT_EQ(set.recordCount(), 1);
  set.edit();
  set.fieldByName("Mess").setAsString("Line one\r\nLine two");
  set.post();
  ASSERT_EQ(gateway.groupsSent.size(), 1u);
  const TRemotableGroupeAgent& sent = gateway.groupsSent[0];
  EXPECT_EQ(sent.Mess, "Line one\nLine two");
  EXPECT_EQ(sent.Nbre, 4);        // sent back as read
  EXPECT_FALSE(sent.Valide);      // no field: sent as false
  EXPECT_EQ(sent.ID, "G7");
  EXPECT_EQ(set.fieldByName("Mess").asString(), "Line one\r\nLine two");
  EXPECT_EQ(set.fieldByName("Nbre").asInteger(), 5);  // the record the service sent back
}

TEST(GroupModule, FailedReadKeepsTheHeldRecordAndFailedSaveReloads) {
  FakeGateway gateway;
  gateway.group.ID = "G7";
  gateway.group.Mess = "Busy";
  TDmGestionGroupe module(gateway);
  module.refresh();
  gateway.failing = {"ObtenirGroupe"};
  EXPECT_THROW(module.refresh(), ERemotableEchecIntegrite);
  EXPECT_EQ(module.groupe().Mess, "Busy");

  gateway.failing = {"ModifierGroupe"};
  VirtualRecordSet& set = module.EzInfosGroupe();
  set.open();
  set.edit();
  set.fieldByName("Mess").setValue(Variant{});
  EXPECT_THROW(set.post(), EDataSetError);  // required
  set.fieldByName("Mess").setValue(std::string("Changed"));
  EXPECT_THROW(set.post(), ERemotableEchecIntegrite);
  EXPECT_EQ(gateway.count("ObtenirGroupe G7"), 4u);  // two refreshes, the opening, the reload
  EXPECT_EQ(set.fieldByName("Mess").asString(), "Busy");
}

}  // namespace
}  // namespace corvane::records
