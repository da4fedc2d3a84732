// Byte-level checks of the requests the proxies send, and of the in/out parameters coming back.

#include <gtest/gtest.h>

#include "service/CorvaneAgent.h"
#include "service/CorvaneGroupeAgent.h"
#include "service/CorvaneInscription.h"
#include "service/LoopbackHttpServer.h"
#include "service/SoapReader.h"
#include "service/SoapTestSupport.h"

using namespace corvane::service;
using namespace corvane::service::test;

namespace {

class RequestEncoding : public ::testing::Test {
protected:
  LoopbackHttpServer server;
  RecordedRequest only() {
    auto all = server.requests();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? RecordedRequest{} : all.front();
  }
  static void Contains(const std::string& body, const std::string& part) {
    EXPECT_NE(body.find(part), std::string::npos) << "missing: " << part << "\nin: " << body;
  }
};

const std::string kEmptyAgents =
    "<return xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"NS2:TRemotableAgent[0]\"/>";

TEST_F(RequestEncoding, ListeAgentsPostsTheOperationWithItsActionAndSession) {
  server.setHandler([](const RecordedRequest&) { return Reply::Xml(AgentAnswer("ListeAgents", kEmptyAgents)); });
  CorvaneAgentProxy proxy(server.root());
  EXPECT_TRUE(proxy.ListeAgents("S-1").empty());

  RecordedRequest r = only();
  EXPECT_EQ(r.requestLine(), "POST /svc/soap/ICorvaneAgent HTTP/1.1");
  EXPECT_EQ(r.header("SOAPAction"), "\"urn:UCorvaneAgentIntf-ICorvaneAgent#ListeAgents\"");
  EXPECT_EQ(r.header("Content-Type"), "text/xml; charset=utf-8");
  Contains(r.body, "<SOAP-ENV:Body SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">");
  Contains(r.body,
           "<NS1:ListeAgents xmlns:NS1=\"urn:UCorvaneAgentIntf-ICorvaneAgent\">"
           "<Session xsi:type=\"xsd:string\">S-1</Session></NS1:ListeAgents></SOAP-ENV:Body>");
}

TEST_F(RequestEncoding, MettreAJourAgentSendsTheRecordAsMultiReferenceValue) {
  server.setHandler([](const RecordedRequest&) { return Reply::Xml(AgentAnswer("MettreAJourAgent", "")); });
  TRemotableAgent agent;
  agent.AgentID = "7";
  agent.GroupeID = "3";
  agent.Login = "marc";
  agent.Nom = "Durand & fils";
  agent.AdresseIPAuto = true;
  agent.Port = 8200;
  agent.Ports = "9000-9010,9020";
  agent.NiveauAdmin = -3;
  agent.Status = TStatusAgent::saOccupe;
  CorvaneAgentProxy(server.root()).MettreAJourAgent("S", agent);

  std::string body = only().body;
  Contains(body, "<Session xsi:type=\"xsd:string\">S</Session><Agent href=\"#1\"/></NS1:MettreAJourAgent>"
                 "<NS2:TRemotableAgent id=\"1\" xsi:type=\"NS2:TRemotableAgent\">"
                 "<AgentID xsi:type=\"xsd:string\">7</AgentID>"
                 "<GroupeID xsi:type=\"xsd:string\">3</GroupeID>"
                 "<Login xsi:type=\"xsd:string\">marc</Login>"
                 "<Nom xsi:type=\"xsd:string\">Durand &amp; fils</Nom>"
                 "<Prenom xsi:type=\"xsd:string\"></Prenom>"
                 "<EMail xsi:type=\"xsd:string\"></EMail>"
                 "<AdresseIP xsi:type=\"xsd:string\"></AdresseIP>"
                 "<AdresseIPAuto xsi:type=\"xsd:boolean\">true</AdresseIPAuto>"
                 "<Port xsi:type=\"xsd:int\">8200</Port>"
                 "<Ports xsi:type=\"xsd:string\">9000-9010,9020</Ports>"
                 "<LoginVoiceOnIP xsi:type=\"xsd:string\"></LoginVoiceOnIP>"
                 "<NiveauAdmin xsi:type=\"xsd:short\">-3</NiveauAdmin>"
                 "<Status xsi:type=\"NS3:TStatusAgent\">saOccupe</Status>"
                 "</NS2:TRemotableAgent></SOAP-ENV:Body>");
  Contains(body, "xmlns:NS2=\"urn:UCorvaneRemotables\"");
  Contains(body, "xmlns:NS3=\"urn:UCorvane\"");
}

TEST_F(RequestEncoding, ChangePasswordCarriesAnEmptyAgentIdElement) {
  server.setHandler([](const RecordedRequest&) { return Reply::Xml(AgentAnswer("ChangePassword", "")); });
  CorvaneAgentProxy(server.root()).ChangePassword("S", "", "old", "new");
  RecordedRequest r = only();
  EXPECT_EQ(r.header("SOAPAction"), "\"urn:UCorvaneAgentIntf-ICorvaneAgent#ChangePassword\"");
  Contains(r.body, "<Session xsi:type=\"xsd:string\">S</Session>"
                   "<AgentId xsi:type=\"xsd:string\"></AgentId>"
                   "<CurrentPassword xsi:type=\"xsd:string\">old</CurrentPassword>"
                   "<NewPassword xsi:type=\"xsd:string\">new</NewPassword>");
}

TEST_F(RequestEncoding, ListeAssistancesSendsTheFilterDatesAsDayNumbers) {
  server.setHandler([](const RecordedRequest&) {
    return Reply::Xml(AgentAnswer(
        "ListeAssistances",
        "<return xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"NS2:TRemotableAssistance[0]\"></return>"));
  });
  TRemotableFiltre filtre;
  filtre.DateDebutInclue = EncodeDateTime({2023, 3, 15});
  filtre.DateFinNonInclue = EncodeDateTime({2023, 3, 16, 12});
  filtre.IdentificationClient = TFiltreIdentificationClient::ficTous;
  filtre.ClientID = -1;
  filtre.RequeteClient = TFiltreRequeteClient::frcToutes;
  filtre.ReponsesAgents = TFiltreReponsesAgents::fraProblemeReseau;
  filtre.FiltreReponsesAgentsExclusif = true;
  EXPECT_TRUE(CorvaneAgentProxy(server.root()).ListeAssistances("S", filtre).empty());
  Contains(only().body, "<Filtre href=\"#1\"/></NS1:ListeAssistances>"
                        "<NS2:TRemotableFiltre id=\"1\" xsi:type=\"NS2:TRemotableFiltre\">"
                        "<DateDebutInclue xsi:type=\"xsd:double\">45000</DateDebutInclue>"
                        "<DateFinNonInclue xsi:type=\"xsd:double\">45001.5</DateFinNonInclue>"
                        "<IdentificationClient xsi:type=\"NS3:TFiltreIdentificationClient\">ficTous</IdentificationClient>"
                        "<ClientID xsi:type=\"xsd:int\">-1</ClientID>"
                        "<RequeteClient xsi:type=\"NS3:TFiltreRequeteClient\">frcToutes</RequeteClient>"
                        "<ReponsesAgents xsi:type=\"NS3:TFiltreReponsesAgents\">fraProblemeReseau</ReponsesAgents>"
                        "<FiltreReponsesAgentsExclusif xsi:type=\"xsd:boolean\">true</FiltreReponsesAgentsExclusif>"
                        "</NS2:TRemotableFiltre>");
}

TEST_F(RequestEncoding, ModifierGroupeSendsEveryFieldAndTakesBackTheReturnedRecord) {
  server.setHandler([](const RecordedRequest&) {
    return Reply::Xml(Envelope(
        "<NS1:ModifierGroupeResponse xmlns:NS1=\"urn:UCorvaneGroupeAgentIntf-ICorvaneGroupeAgent\" "
        "xmlns:NS2=\"urn:UCorvaneRemotables\"><Groupe href=\"#1\"/></NS1:ModifierGroupeResponse>"
        "<NS2:TRemotableGroupeAgent id=\"1\" xsi:type=\"NS2:TRemotableGroupeAgent\">"
        "<ID>12</ID><Nom>Renamed by the service</Nom><Nbre>5</Nbre><Valide>true</Valide>"
        "</NS2:TRemotableGroupeAgent>"));
  });
  TRemotableGroupeAgent groupe;
  groupe.ID = "12";
  groupe.Nom = "Support";
  groupe.Nbre = 4;
  groupe.Valide = false;
  groupe.Mess = "line 1\nline 2";
  groupe.AccepteClientConnuUniquement = true;
  groupe.URLOccuppe = "http://x/busy.png";
  CorvaneGroupeAgentProxy(server.root()).ModifierGroupe("S", groupe);

  RecordedRequest r = only();
  EXPECT_EQ(r.requestLine(), "POST /svc/soap/ICorvaneGroupeAgent HTTP/1.1");
  EXPECT_EQ(r.header("SOAPAction"),
            "\"urn:UCorvaneGroupeAgentIntf-ICorvaneGroupeAgent#ModifierGroupe\"");
  Contains(r.body, "<NS1:ModifierGroupe xmlns:NS1=\"urn:UCorvaneGroupeAgentIntf-ICorvaneGroupeAgent\">"
                   "<Session xsi:type=\"xsd:string\">S</Session><Groupe href=\"#1\"/>");
  Contains(r.body, "<ID xsi:type=\"xsd:string\">12</ID><Nom xsi:type=\"xsd:string\">Support</Nom>"
                   "<Nbre xsi:type=\"xsd:int\">4</Nbre><Valide xsi:type=\"xsd:boolean\">false</Valide>"
                   "<Mess xsi:type=\"xsd:string\">line 1\nline 2</Mess>"
                   "<Email xsi:type=\"xsd:string\"></Email><Site xsi:type=\"xsd:string\"></Site>"
                   "<AccepteClientConnuUniquement xsi:type=\"xsd:boolean\">true</AccepteClientConnuUniquement>"
                   "<URLLogo xsi:type=\"xsd:string\"></URLLogo>"
                   "<URLDisponible xsi:type=\"xsd:string\"></URLDisponible>"
                   "<URLOccuppe xsi:type=\"xsd:string\">http://x/busy.png</URLOccuppe>"
                   "<URLDeconnecte xsi:type=\"xsd:string\"></URLDeconnecte>");
  // The in/out record replaced the caller's.
  EXPECT_EQ(groupe.Nom, "Renamed by the service");
  EXPECT_EQ(groupe.Nbre, 5);
  EXPECT_TRUE(groupe.Valide);
  EXPECT_TRUE(groupe.Mess.empty());
}

TEST_F(RequestEncoding, ObtenirVerrouSendsTheHeldIdentifierAndReceivesTheNewOne) {
  server.setHandler([](const RecordedRequest&) {
    return Reply::Xml(Envelope(
        "<NS1:ObtenirVerrouResponse xmlns:NS1=\"urn:UCorvaneInscriptionIntf-ICorvaneInscription\">"
        "<return xsi:type=\"xsd:base64Binary\">iVBORw0=</return><ID xsi:type=\"xsd:string\">ch-2</ID>"
        "</NS1:ObtenirVerrouResponse>"));
  });
  std::string id = "ch-1";
  TByteDynArray picture = CorvaneInscriptionProxy(server.root()).ObtenirVerrou(id);
  EXPECT_EQ(id, "ch-2");
  EXPECT_EQ(picture, (TByteDynArray{0x89, 'P', 'N', 'G', 0x0D}));
  RecordedRequest r = only();
  EXPECT_EQ(r.requestLine(), "POST /svc/soap/ICorvaneInscription HTTP/1.1");
  EXPECT_EQ(r.header("SOAPAction"), "\"urn:UCorvaneInscriptionIntf-ICorvaneInscription#ObtenirVerrou\"");
  Contains(r.body, "<NS1:ObtenirVerrou xmlns:NS1=\"urn:UCorvaneInscriptionIntf-ICorvaneInscription\">"
                   "<ID xsi:type=\"xsd:string\">ch-1</ID></NS1:ObtenirVerrou>");
}

TEST(SoapEnvelope, TextsSurviveTheRoundTripWithLineBreaksAndMarkup) {
  TRemotableClotureAssistance cloture;
  cloture.AssistanceID = "42";
  cloture.ReponseDescription = "Done.\r\nSee <log> & \"notes\"\tok";
  SoapWriter writer("urn:x", "CloturerAssistance");
  writer.addRecord("Cloture", cloture);
  writer.addString("Bad", std::string("a\x01" "b\xff", 4));
  std::string xml = writer.finish();
  EXPECT_NE(xml.find("Done.&#13;\nSee &lt;log&gt; &amp;"), std::string::npos) << xml;

  SoapReader reader(xml);
  TRemotableClotureAssistance back;
  reader.readRecord(SoapReader::child(reader.mainElement(), "Cloture"), back);
  EXPECT_EQ(back.ReponseDescription, cloture.ReponseDescription);
  EXPECT_EQ(back.AssistanceID, "42");
  EXPECT_EQ(reader.readString(SoapReader::child(reader.mainElement(), "Bad")), "a?b?");
}

}  // namespace
