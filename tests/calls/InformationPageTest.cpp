#include <gtest/gtest.h>

#include "calls/InformationPage.h"

using namespace corvane;
using namespace corvane::calls;

namespace {

service::TRemotableAgent Agent() {
  service::TRemotableAgent a;
  a.AgentID = "12";
  a.GroupeID = "3";
  a.Login = "alice";
  a.Nom = "<script>alert(1)</script>";
  a.Prenom = "Zoé";
  a.EMail = "alice@example.invalid";
  a.AdresseIP = "javascript:alert(1)//http://x";
  a.AdresseIPAuto = true;
  a.Port = 8100;
  a.Ports = "8101-8110";
  a.NiveauAdmin = 2;
  return a;
}

}  // namespace

TEST(InformationPage, NobodyLoggedIn) {
  const std::string page = BuildInformationPage(nullptr, nullptr, "http://h/css/agent.css");
  EXPECT_EQ(page.rfind("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n", 0), 0u);
  EXPECT_NE(page.find("    <title>Agent informations - Corvane Pro - Tarvenholt</title>\r\n"),
            std::string::npos);
  EXPECT_NE(page.find("@import url(\"http://h/css/agent.css\");"), std::string::npos);
  EXPECT_NE(page.find("  <body>\r\n\r\n  <h1>No connected agent.</h1>\r\n\r\n\r\n  </body>\r\n</html>\r\n"),
            std::string::npos);
  EXPECT_EQ(page.find("InfosGroupe"), std::string::npos);
}

TEST(InformationPage, AgentAndGroupBlocksShowEscapedValues) {
  const service::TRemotableAgent agent = Agent();
  service::TRemotableGroupeAgent groupe;
  groupe.ID = "3";
  groupe.Nom = "Support & Co";
  groupe.Site = "HTTP://support.invalid/";
  groupe.Valide = false;
  const std::string page = BuildInformationPage(&agent, &groupe, "agent.css");

  EXPECT_NE(page.find("  <h1>Corvane Pro Agent</h1>\r\n    <div id=\"InfosAgent\">\r\n    <h2>Agent</h2>\r\n"
                      "      <table>\r\n        <tbody>\r\n"),
            std::string::npos);
  // Markup in a value shows as text.
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find("          <tr><th>Nom</th><td>&lt;script&gt;alert(1)&lt;/script&gt;</td></tr>\r\n"),
            std::string::npos);
  // Identifiers and status are left out; booleans and numbers as text.
  for (const char* hidden : {"<th>AgentID", "<th>GroupeID", "<th>Status", "<th>ID<"})
    EXPECT_EQ(page.find(hidden), std::string::npos) << hidden;
  EXPECT_NE(page.find("<tr><th>AdresseIPAuto</th><td>True</td></tr>"), std::string::npos);
  EXPECT_NE(page.find("<tr><th>Valide</th><td>False</td></tr>"), std::string::npos);
  EXPECT_NE(page.find("<tr><th>NiveauAdmin</th><td>2</td></tr>"), std::string::npos);
  // Mail links by property name, web links only for values that are http addresses.
  EXPECT_NE(page.find("<tr><th>EMail</th><td><a href=\"mailto:alice@example.invalid\">alice@example.invalid</a></td></tr>"),
            std::string::npos);
  EXPECT_NE(page.find("<tr><th>Site</th><td><a href=\"HTTP://support.invalid/\">HTTP://support.invalid/</a></td></tr>"),
            std::string::npos);
  EXPECT_NE(page.find("<tr><th>AdresseIP</th><td>javascript:alert(1)//http://x</td></tr>"), std::string::npos);
  EXPECT_NE(page.find("<tr><th>Nom</th><td>Support &amp; Co</td></tr>"), std::string::npos);
  EXPECT_NE(page.find("    <div id=\"InfosGroupe\">\r\n    <h2>Group</h2>\r\n"), std::string::npos);
}

TEST(InformationPage, BytesFollowTheDeclaredEncoding) {
  EXPECT_EQ(ToLatin1WithReferences("Zoé €😀"), "Zo\xe9 &#8364;&#128512;");
  EXPECT_EQ(StyleSheetUrl("http://service.invalid:8090/scripts/ServiceCorvane.dll/"),
            "http://service.invalid:8090/css/agent.css");
}
