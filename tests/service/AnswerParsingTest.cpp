// Answers of the service decoded into results: arrays, result picking, dates, enumerations.

#include <gtest/gtest.h>

#include "service/CorvaneAgent.h"
#include "service/LoopbackHttpServer.h"
#include "service/ServiceErrors.h"
#include "service/SoapTestSupport.h"

using namespace corvane::service;
using namespace corvane::service::test;

namespace {

class AnswerParsing : public ::testing::Test {
protected:
  LoopbackHttpServer server;
  CorvaneAgentProxy proxy{server.root()};
  void answer(std::string xml) {
    server.setHandler([xml](const RecordedRequest&) { return Reply::Xml(xml); });
  }
};

TEST_F(AnswerParsing, EmptyArraysAreEmptyResults) {
  for (const char* form :
       {"<return xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"NS2:TRemotableAgent[0]\"/>",
        "<return xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"NS2:TRemotableAgent[0]\"></return>",
        "<return xsi:nil=\"true\"/>"}) {
    answer(AgentAnswer("ListeAgents", form));
    EXPECT_TRUE(proxy.ListeAgents("S").empty()) << form;
  }
}

TEST_F(AnswerParsing, ResultIsTheOnlyChildOrTheOneNamedReturnOrResult) {
  struct Case {
    const char* content;
    const char* expected;
  } cases[] = {
      {"<anything xsi:type=\"xsd:string\">17</anything>", "17"},
      {"<ID>x</ID><Return xsi:type=\"xsd:string\">18</Return>", "18"},
      {"<return>19</return><Extra>y</Extra>", "19"},
      {"<Other>z</Other><RESULT>20</RESULT>", "20"},
  };
  for (const Case& c : cases) {
    answer(AgentAnswer("AjouterUnClient", c.content));
    EXPECT_EQ(proxy.AjouterUnClient("S", TRemotableClient{}), c.expected) << c.content;
  }
  answer(AgentAnswer("AjouterUnClient", "<A>1</A><B>2</B>"));
  EXPECT_THROW(proxy.AjouterUnClient("S", TRemotableClient{}), EUnexpectedAnswer);
  answer(AgentAnswer("SomethingElse", "<return>1</return>"));
  EXPECT_THROW(proxy.AjouterUnClient("S", TRemotableClient{}), EUnexpectedAnswer);
}

TEST_F(AnswerParsing, AssistancesDecodeInlineAndReferencedItemsWithTheirDates) {
  answer(AgentAnswer(
      "ListeAssistances",
      "<return xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"NS2:TRemotableAssistance[3]\">"
      "<item href=\"#1\"/>"
      "<item><AssistanceID>2</AssistanceID><DemandeDate>2024-02-29T23:59:59.999+05:00</DemandeDate>"
      "<ReponseDate>1899-12-30T00:00:00.000</ReponseDate><Cloture>I</Cloture></item>"
      "<item href=\"#2\"/></return>",
      "<NS2:TRemotableAssistance id=\"1\" xsi:type=\"NS2:TRemotableAssistance\">"
      "<AssistanceID>1</AssistanceID><ClientAdressIP>10.0.0.9</ClientAdressIP>"
      "<DemandeDescription>line1&#13;\nline2</DemandeDescription>"
      "<DemandeDate xsi:type=\"xsd:dateTime\">2023-03-15T10:20:30.250Z</DemandeDate>"
      "<reponsedate>2023-03-15T11:00:00</reponsedate><Cloture>RO</Cloture>"
      "<FieldOfALaterVersion>ignored</FieldOfALaterVersion></NS2:TRemotableAssistance>"
      "<NS2:TRemotableAssistance id=\"2\"><AssistanceID>3</AssistanceID></NS2:TRemotableAssistance>"));
  TRemotableAssistances list = proxy.ListeAssistances("S", TRemotableFiltre{});
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].AssistanceID, "1");
  EXPECT_EQ(list[0].ClientAdressIP, "10.0.0.9");
  EXPECT_EQ(list[0].DemandeDescription, "line1\r\nline2");
  DateTimeFields d = DecodeDateTime(list[0].DemandeDate);
  EXPECT_EQ((std::array{d.year, d.month, d.day, d.hour, d.minute, d.second, d.millisecond}),
            (std::array{2023, 3, 15, 10, 20, 30, 250}));
  EXPECT_DOUBLE_EQ(list[0].ReponseDate, EncodeDateTime({2023, 3, 15, 11}));
  EXPECT_EQ(list[0].Cloture, "RO");
  // The zone designator is ignored: the fields are the service's wall-clock time.
  d = DecodeDateTime(list[1].DemandeDate);
  EXPECT_EQ((std::array{d.year, d.month, d.day, d.hour, d.minute, d.second, d.millisecond}),
            (std::array{2024, 2, 29, 23, 59, 59, 999}));
  EXPECT_EQ(list[1].ReponseDate, 0.0);  // zero date
  EXPECT_EQ(list[2].ReponseDate, 0.0);  // missing
  EXPECT_EQ(list[2].AssistanceID, "3");
}

TEST_F(AnswerParsing, TextsAreReadInTheAnswersDeclaredEncoding) {
  const std::string utf8 = AgentAnswer("LogIn", "<return>Dupr\xc3\xa9</return>");
  const std::string latin1 = AgentAnswer("LogIn", "<return>Dupr\xe9</return>");
  const std::string declared = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  const struct {
    const char* name;
    std::string document;
  } cases[] = {
      {"UTF-8 declared", utf8},
      {"no declaration", utf8.substr(declared.size())},
      {"ISO-8859-1 declared", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + latin1.substr(declared.size())},
  };
  for (const auto& c : cases) {
    answer(c.document);
    EXPECT_EQ(proxy.LogIn("u", "p"), "Dupr\xc3\xa9") << c.name;
  }
}

TEST_F(AnswerParsing, EnumerationsArriveAsIdentifiers) {
  answer(AgentAnswer("ObtenirAgent",
                     "<return href=\"#1\"/>",
                     "<NS2:TRemotableAgent id=\"1\"><AgentID>4</AgentID><Port>8200</Port>"
                     "<NiveauAdmin>2</NiveauAdmin><AdresseIPAuto>true</AdresseIPAuto>"
                     "<Status xsi:type=\"NS3:TStatusAgent\">saOccupe</Status></NS2:TRemotableAgent>"));
  TRemotableAgent agent = proxy.ObtenirAgent("S", "");
  EXPECT_EQ(agent.Status, TStatusAgent::saOccupe);
  EXPECT_EQ(static_cast<int>(agent.Status), 1);
  EXPECT_EQ(agent.Port, 8200);
  EXPECT_EQ(agent.NiveauAdmin, 2);
  EXPECT_TRUE(agent.AdresseIPAuto);

  struct Bad {
    const char* field;
  } bad[] = {{"<Status>saAbsent</Status>"}, {"<Port>12x</Port>"}, {"<NiveauAdmin>40000</NiveauAdmin>"},
             {"<AdresseIPAuto>maybe</AdresseIPAuto>"}};
  for (const Bad& b : bad) {
    answer(AgentAnswer("ObtenirAgent", std::string("<return>") + b.field + "</return>"));
    EXPECT_THROW(proxy.ObtenirAgent("S", ""), EUnexpectedAnswer) << b.field;
  }
}

TEST_F(AnswerParsing, BrokenReferencesAreUnexpectedAnswers) {
  for (const char* body : {"<return href=\"#9\"/>", "<return href=\"http://elsewhere/x\"/>"}) {
    answer(AgentAnswer("ObtenirAgent", body));
    EXPECT_THROW(proxy.ObtenirAgent("S", ""), EUnexpectedAnswer) << body;
  }
  // A loop of references ends at the chain limit.
  answer(AgentAnswer("ObtenirAgent", "<return href=\"#1\"/>",
                     "<a id=\"1\" href=\"#2\"/><b id=\"2\" href=\"#1\"/>"));
  EXPECT_THROW(proxy.ObtenirAgent("S", ""), EUnexpectedAnswer);
}

}  // namespace
