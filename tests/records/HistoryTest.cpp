// The assistance history: the cache of past days, field values and display texts.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "FakeGateway.h"
#include "records/Cloture.h"
#include "records/DateTimeText.h"
#include "records/DmGestionAssistances.h"
#include "records/RecordsErrors.h"
#include "records/SystemTimeZone.h"

namespace corvane::records {
namespace {

using namespace testing;
using enum TFiltreIdentificationClient;
using enum TFiltreRequeteClient;
using enum TFiltreReponsesAgents;

// "Today" is Friday 2024-03-15 (day 45366), 10:00 in Paris (the service's own zone unless a test
// says else). A literal: a namespace-scope EncodeDate would run before the date library is ready.
constexpr TDateTime kToday = 45366;

// Per day from T-8 to T, three sessions: an identified customer handled and accepted ("a"), a
// customer not identified whose call was refused ("b"), and an identified customer nobody
// answered, refused then ignored ("c").
std::vector<TRemotableAssistance> Fixture() {
  std::vector<TRemotableAssistance> out;
  for (int day = 0; day >= -8; --day) {
    const struct {
      char kind;
      double time;
      const char* clientId;
      const char* agentId;
      const char* cloture;
    } rows[] = {{'c', 23.0 / 24 + 10.0 / 1440, "7", "", "RI"},
                {'b', 14.5 / 24, "", "2", "R"},
                {'a', 9.0 / 24 + 5.0 / 1440, "5", "1", "O"}};
    for (auto& r : rows) {
      TRemotableAssistance s;
      s.AssistanceID = std::to_string(day + 8) + r.kind;
      s.ClientID = r.clientId;
      s.AgentID = r.agentId;
      s.Cloture = r.cloture;
      s.DemandeDate = kToday + day + r.time;
      out.push_back(s);
    }
  }
  return out;
}

struct Criteria {
  TFiltreIdentificationClient ident = ficTous;
  TFiltreReponsesAgents reponses = fraToutes;
  bool exclusif = false;
  TFiltreRequeteClient requete = frcToutes;
  int clientId = -1;  // ficSpecifique
};

struct Call {
  int from, to;  // days relative to today
  bool operator==(const Call&) const = default;
};

struct Load {
  int from, to;  // the filter's period, days relative to today
  Criteria criteria;
  std::vector<Call> calls;  // ListeAssistances periods asked, in order
  std::string kinds;        // which session kinds of the period are shown (written out, not computed)
};

struct Scenario {
  const char* name;
  std::vector<Load> loads;
  size_t periodsAfter;  // cached periods after the last load
};

class HistoryCache : public ::testing::Test {
protected:
  void SetUp() override {
    gateway.sessions = Fixture();
    history.setZoneLocale(LoadTimeZone("Europe/Paris"));
    history.setHorloge([] { return kToday + 10.0 / 24; });
    history.setFiltre(&filter);
  }
  std::vector<std::string> expectedIds(int from, int to, const std::string& kinds) {
    std::vector<std::string> ids;
    for (int day = from; day < to; ++day)
      for (char k : kinds) ids.push_back(std::to_string(day + 8) + k);
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  std::vector<std::string> shownIds() {
    std::vector<std::string> ids;
    VirtualRecordSet& set = history.EzAssistance();
    for (set.first(); !set.eof(); set.next()) ids.push_back(set.fieldByName("AssistanceID").asString());
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  void load(const Load& l) {
    filter.debut = kToday + l.from;
    filter.fin = kToday + l.to;
    filter.criteres.IdentificationClient = l.criteria.ident;
    filter.criteres.ReponsesAgents = l.criteria.reponses;
    filter.criteres.FiltreReponsesAgentsExclusif = l.criteria.exclusif;
    filter.criteres.RequeteClient = l.criteria.requete;
    filter.criteres.ClientID = l.criteria.clientId;
    gateway.historyQueries.clear();
    history.reload();
  }
  std::vector<Call> calls() {
    std::vector<Call> out;
    for (auto& q : gateway.historyQueries)
      out.push_back({static_cast<int>(std::lround(q.DateDebutInclue - kToday)),
                     static_cast<int>(std::lround(q.DateFinNonInclue - kToday))});
    return out;
  }

  FakeGateway gateway;
  TestFilter filter;
  TdmGestionAssistances history{gateway};
};

TEST_F(HistoryCache, AsksTheServiceOnlyForWhatTheCacheCannotGive) {
  const Criteria all;
  const Criteria refused{ficTous, fraRefuse, false};
  const Criteria refusedOnly{ficTous, fraRefuse, true};
  const Criteria ignored{ficTous, fraIgnore, false};
  const Criteria identified{ficIdentifies, fraToutes, false};
  const Criteria notIdentified{ficNonIdentifies, fraToutes, false};
  const Criteria handled{ficTous, fraToutes, false, frcPrisesEnCharge};
  const Criteria notHandled{ficTous, fraToutes, false, frcNonPrisesEnCharge};
  const Criteria customer5{ficSpecifique, fraToutes, false, frcToutes, 5};
  const Criteria customer7{ficSpecifique, fraToutes, false, frcToutes, 7};
  const Criteria noCustomerChosen{ficSpecifique, fraToutes, false, frcToutes, -1};
  const Criteria customer7NotHandled{ficSpecifique, fraToutes, false, frcNonPrisesEnCharge, 7};
  const Scenario scenarios[] = {
      {"filter starting tomorrow", {{1, 2, all, {}, ""}}, 0},
      {"last 7 days twice", {{-6, 1, all, {{-6, 1}}, "abc"}, {-6, 1, all, {{0, 1}}, "abc"}}, 1},
      {"today is never cached", {{0, 1, all, {{0, 1}}, "abc"}, {0, 1, all, {{0, 1}}, "abc"}}, 0},
      {"widening 3 days to 7", {{-2, 1, all, {{-2, 1}}, "abc"}, {-6, 1, all, {{-6, -1}, {0, 1}}, "abc"}}, 1},
      {"narrowing all to refused", {{-5, -1, all, {{-5, -1}}, "abc"}, {-5, -1, refused, {}, "bc"}}, 1},
      {"refused then ignored", {{-5, -1, refused, {{-5, -1}}, "bc"}, {-5, -1, ignored, {{-5, -1}}, "c"}}, 1},
      {"refused then exclusively refused",
       {{-5, -1, refused, {{-5, -1}}, "bc"}, {-5, -1, refusedOnly, {{-5, -1}}, "b"}},
       1},
      {"identified then not identified",
       {{-4, 0, identified, {{-4, 0}}, "ac"}, {-4, 0, notIdentified, {{-4, 0}}, "b"}},
       1},
      {"identified then all",
       {{-4, 0, identified, {{-4, 0}}, "ac"}, {-4, 0, all, {{-4, 0}}, "abc"}, {-4, 0, notIdentified, {}, "b"}},
       1},
      {"handled and not handled from the cache",
       {{-5, -1, all, {{-5, -1}}, "abc"}, {-5, -1, handled, {}, "ab"}, {-5, -1, notHandled, {}, "c"}},
       1},
      {"handled then not handled", {{-5, -1, handled, {{-5, -1}}, "ab"}, {-5, -1, notHandled, {{-5, -1}}, "c"}}, 1},
      {"specified customers from the cache",
       {{-5, -1, all, {{-5, -1}}, "abc"},
        {-5, -1, customer7, {}, "c"},
        {-5, -1, customer5, {}, "a"},
        {-5, -1, customer7NotHandled, {}, "c"},
        {-5, -1, noCustomerChosen, {}, ""}},
       1},
      {"identified customers cover a specified one", {{-4, 0, identified, {{-4, 0}}, "ac"}, {-4, 0, customer5, {}, "a"}}, 1},
      {"no customer chosen", {{-4, 1, noCustomerChosen, {{-4, 1}}, ""}, {-4, 1, noCustomerChosen, {{0, 1}}, ""}}, 1},
      {"a hole between two cached periods",
       {{-8, -6, all, {{-8, -6}}, "abc"},
        {-3, -1, all, {{-3, -1}}, "abc"},
        {-8, 0, all, {{-6, -2}, {-1, 0}}, "abc"}},
       1},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    history.clearCache();
    for (size_t i = 0; i < s.loads.size(); ++i) {
      SCOPED_TRACE("load " + std::to_string(i + 1));
      const Load& l = s.loads[i];
      load(l);
      EXPECT_EQ(calls(), l.calls);
      for (auto& q : gateway.historyQueries) {
        EXPECT_EQ(q.IdentificationClient, l.criteria.ident);
        EXPECT_EQ(q.ReponsesAgents, l.criteria.reponses);
        EXPECT_EQ(q.FiltreReponsesAgentsExclusif, l.criteria.exclusif);
        EXPECT_EQ(q.RequeteClient, l.criteria.requete);
        if (l.criteria.ident == ficSpecifique) {
          EXPECT_EQ(q.ClientID, l.criteria.clientId);
        }
      }
      EXPECT_EQ(shownIds(), expectedIds(std::max(l.from, -8), std::min(l.to, 1), l.kinds));
    }
    EXPECT_EQ(history.periodesCache().size(), s.periodsAfter);
  }
}

TEST_F(HistoryCache, WideningLeavesOnePeriodOverTheSixPastDays) {
  load({-2, 1, {}, {}, ""});
  load({-6, 1, {}, {}, ""});
  ASSERT_EQ(history.periodesCache().size(), 1u);
  EXPECT_EQ(history.periodesCache()[0].DateDebutInclue, kToday - 6);
  EXPECT_EQ(history.periodesCache()[0].DateFinNonInclue, kToday);
  EXPECT_EQ(history.tailleCache(), 18u);
}

TEST_F(HistoryCache, FailedLoadLeavesTheRecordSetClosedAndTheCacheUntouched) {
  gateway.failing = {"ListeAssistances"};
  EXPECT_THROW(load({-6, 1, {}, {}, ""}), ERemotableEchecIntegrite);
  EXPECT_FALSE(history.EzAssistance().active());
  EXPECT_TRUE(history.periodesCache().empty());
  EXPECT_EQ(history.tailleCache(), 0u);
  gateway.failing.clear();
  load({-6, 1, {}, {}, ""});
  EXPECT_EQ(calls(), (std::vector<Call>{{-6, 1}}));
  EXPECT_EQ(history.recordCount(), 21);
}

TEST_F(HistoryCache, CachedRowsMatchInAnotherZoneThanTheServices) {
  // The agent in New York: the day boundaries of the query differ from the service's by six
  // hours, and the cached part must still give exactly the sessions of the local days.
  history.setZoneLocale(LoadTimeZone("America/New_York"));
  history.setHorloge([] { return kToday + 10.0 / 24; });
  TRemotableAssistance late;  // 02:00 today in Paris: 21:00 yesterday in New York
  late.AssistanceID = "late";
  late.DemandeDate = kToday + 2.0 / 24;
  gateway.sessions.push_back(late);
  load({-6, 1, {}, {}, ""});
  const auto first = shownIds();
  EXPECT_NE(std::find(first.begin(), first.end(), "late"), first.end());
  load({-6, 1, {}, {}, ""});
  EXPECT_EQ(shownIds(), first);
  ASSERT_EQ(gateway.historyQueries.size(), 1u);
  // Only today is asked again; local midnight in New York (EDT since 10 March, UTC-4) is 05:00
  // in Paris (still CET, UTC+1).
  EXPECT_NEAR(gateway.historyQueries[0].DateDebutInclue, kToday + 5.0 / 24, 1e-9);
}

TEST_F(HistoryCache, ClearingTheCacheFetchesEverythingAgain) {
  load({-6, 1, {}, {}, ""});
  history.clearCache();
  load({-6, 1, {}, {}, ""});
  EXPECT_EQ(calls(), (std::vector<Call>{{-6, 1}}));
}

// ---- Field values and texts

TEST(ClosingStates, EtatClotureFollowsThePriorityOfTheStates) {
  const struct {
    const char* cloture;
    int etat;
    unsigned set;
  } cases[] = {{"RRI", 1, 0b110}, {"U", 5, 0b10000}, {"N", 3, 0b1000}, {"NU", 5, 0b11000}, {"", 5, 0},
               {"IO", 0, 0b11},   {"RN", 2, 0b1100}, {"X", 5, 0},       {"A", 5, 0b100000}};
  for (auto& c : cases) {
    EXPECT_EQ(EtatCloture(c.cloture), c.etat) << c.cloture;
    EXPECT_EQ(ClotureSet(c.cloture), c.set) << c.cloture;
  }
  EXPECT_EQ(ClotureIndex('Z'), 5);
  EXPECT_EQ(EncodeDate(2024, 3, 15), kToday);
  EXPECT_EQ(ClotureText(3), "Aborted (Network misconfigured)");
  EXPECT_EQ(ClotureColoursOf(4).background, (Rgb{255, 0, 0}));
  EXPECT_EQ(ClotureColoursOf(4).text, (Rgb{0, 0, 0}));
  EXPECT_TRUE(ClotureColoursOf(5).systemColours);
}

TEST_F(HistoryCache, DateTextsNamesAndStatesOfTheRows) {
  gateway.sessions.clear();
  const struct {
    double request;
    const char* text;
  } cases[] = {
      {kToday + 9.0 / 24 + 5.0 / 1440, "09:05 - Today"},
      {kToday - 1 + 18.0 / 24, "18:00 - Yesterday"},
      {kToday - 3 + 9.0 / 24 + 5.0 / 1440, "09:05 - last Tuesday"},
      {kToday - 7 + 9.0 / 24, "09:00 - last Friday"},
      {kToday - 8 + 9.0 / 24 + 5.0 / 1440, "09:05 - Mar 07"},
      {EncodeDate(2023, 12, 31) + 23.5 / 24, "23:30 - 2023/12/31"},
  };
  int n = 0;
  for (auto& c : cases) {
    TRemotableAssistance s;
    s.AssistanceID = std::to_string(n++);
    s.DemandeDate = c.request;
    s.ClientNom = n == 1 ? "Known" : "";
    s.CorvaneClientNom = "Typed";
    s.Cloture = "RRI";
    gateway.sessions.push_back(s);
  }
  load({-400, 1, {}, {}, ""});
  VirtualRecordSet& set = history.EzAssistance();
  ASSERT_EQ(set.recordCount(), 6);
  for (int row = 0; row < 6; ++row) {
    const std::string id = set.textAt(row, set.fieldByName("AssistanceID").index());
    EXPECT_EQ(set.textAt(row, set.fieldByName("DemandeDate").index()), cases[std::stoi(id)].text);
    EXPECT_EQ(set.textAt(row, set.fieldByName("ReponseDate").index()), "");  // absent date
    EXPECT_EQ(set.textAt(row, set.fieldByName("ClientNom").index()), id == "0" ? "Known" : "Typed");
    EXPECT_EQ(set.valueAt(row, set.fieldByName("EtatCloture").index()), Variant(int64_t{1}));
  }
}

TEST_F(HistoryCache, AgentsFollowTheSelectedSessionAndReportAMissingAgent) {
  for (const char* id : {"1", "2"}) {
    TRemotableAgent a;
    a.AgentID = id;
    a.Login = std::string("agent") + id;
    gateway.agents.push_back(a);
  }
  gateway.sessions.resize(3);
  gateway.sessions[0].AgentID = "2";
  gateway.sessions[1].AgentID = "9";  // deleted since
  for (auto& s : gateway.sessions) s.DemandeDate = kToday + 0.5;
  load({0, 1, {}, {}, ""});
  VirtualRecordSet& set = history.EzAssistance();
  set.first();
  EXPECT_TRUE(history.agentTrouve());
  EXPECT_EQ(history.EzAgent().fieldByName("Login").asString(), "agent2");
  set.next();
  EXPECT_FALSE(history.agentTrouve());
}

}  // namespace
}  // namespace corvane::records
