// The history exports: the export document, descriptions and durations, and the CSV, HTML and
// clipboard texts made by the real style sheets of the export folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "FakeGateway.h"
#include "records/DetailsAssistance.h"
#include "records/DmGestionAssistances.h"
#include "records/DmGestionClient.h"
#include "records/ExportHistorique.h"
#include "records/RecordsErrors.h"
#include "records/SystemTimeZone.h"
#include "records/TransformationXML.h"

namespace corvane::records {
namespace {

using namespace testing;
namespace fs = std::filesystem;

constexpr TDateTime kToday = 45366;  // Friday 2024-03-15

TDateTime At(int y, int mo, int d, int h, int mi = 0, int s = 0, int ms = 0) {
  return service::EncodeDateTime({y, mo, d, h, mi, s, ms});
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class Export : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("corvane-export-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);

    TRemotableAgent agent;
    agent.AgentID = "3";
    agent.Login = "jdoe";
    agent.Prenom = "John";
    agent.Nom = "Doe";
    agent.EMail = "j@d.oe";
    gateway.agents.push_back(agent);

    TRemotableAssistance a;
    a.AssistanceID = "101";
    a.AgentID = "3";
    a.ClientIdentifiant = "CLI1";
    a.ClientNom = "Dupré";
    a.ClientEmail = "d@x.fr";
    a.CorvaneClientNom = "typed";
    a.ClientAdressIP = "1.2.3.4";
    a.DemandeDescription = "Printer \"broken\"\r\nPlease help\r\n\r\n";
    a.DemandeDate = At(2024, 3, 14, 9);
    a.ReponseDate = At(2024, 3, 14, 10, 0, 5);
    a.ReponseDescription = "Fixed";
    a.Cloture = "RRI";
    TRemotableAssistance b;
    b.AssistanceID = "102";
    b.CorvaneClientNom = "Anon";
    b.CorvaneClientEmail = "anon@y.org";
    b.DemandeDate = At(2024, 3, 14, 11);
    TRemotableAssistance c;
    c.AssistanceID = "103";
    c.AgentID = "9";  // deleted since
    c.ClientIdentifiant = "CLI2";
    c.DemandeDate = At(2024, 3, 14, 12);
    c.ReponseDate = At(2024, 3, 14, 12, 0, 0, 400);
    c.Cloture = "O";
    gateway.sessions = {a, b, c};

    filter.debut = kToday - 1;
    filter.fin = kToday;
    history.setZoneLocale(LoadTimeZone("Europe/Paris"));
    history.setHorloge([] { return kToday + 0.4; });
    history.setFiltre(&filter);
    history.reload();
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
  FakeGateway gateway;
  TestFilter filter;
  TdmGestionAssistances history{gateway};
  ExportHistorique exporter{history, CORVANE_EXPORT_DIR};
};

TEST(ExportText, DurationsAndCleanedDescriptions) {
  const struct {
    TDateTime span;
    const char* text;
  } durations[] = {{1.0 / 24 + 5.0 / 86400, "PT1H5S"}, {0.4 / 86400, "PT1S"}, {0, "PT1S"},
                   {61.0 / 1440, "PT1H1M"},           {59.0 / 86400, "PT59S"}, {2.0 / 24, "PT2H"},
                   {26.0 / 24 + 3.0 / 1440, "PT26H3M"}};
  const TDateTime begin = At(2024, 3, 14, 9, 59, 59, 999);
  for (auto& d : durations) EXPECT_EQ(DureeIso8601(begin, begin + d.span), d.text) << d.text;

  const OptionsExport none{}, csv{true, true, true};
  const struct {
    const char* in;
    OptionsExport options;
    const char* out;
  } cases[] = {
      {"two breaks\r\n\r\n", none, "two breaks"},
      {"a\r\nb\nc\n\r", none, "a\r\nb\nc"},
      {"a\r\nb\nc", csv, "a|b|c"},
      {"say \"hi\"", csv, "say 'hi'"},
      {"say \"hi\"", none, "say \"hi\""},
      {"\r\n\n", csv, ""},
  };
  for (auto& c : cases) EXPECT_EQ(NettoyerDescription(c.in, c.options), c.out) << c.in;
}

TEST_F(Export, XmlDocumentOfASmallHistory) {
  const fs::path file = dir / "history.xml";
  exporter.ExporterXML(file.string());
  const std::string expected = R"(<?xml version="1.0"?>
<corvane-pro>
  <period>Last 7 days</period>
  <filter>
    <caption>All clients. All requests handling. All response type</caption>
    <date-begin>2024-03-14</date-begin>
    <date-end>2024-03-15</date-end>
    <client-type>All</client-type>
    <request-type>All</request-type>
    <response-type>All</response-type>
    <response-type-exclusive>False</response-type-exclusive>
  </filter>
  <cols>
    <id>Id</id>
    <date-begin>Date begin</date-begin>
    <time-begin>Time begin</time-begin>
    <date-end>Date end</date-end>
    <time-end>Time end</time-end>
    <duration>Duration</duration>
    <client-ip>Client IP</client-ip>
    <client-identification>Client ID</client-identification>
    <client-name>Client name</client-name>
    <client-email>Client email</client-email>
    <client-request>Client request</client-request>
    <client-request-type>Client request type</client-request-type>
    <agent-report>Agent report</agent-report>
    <agents-responses>Agent responses</agents-responses>
    <agent-id>Agent id</agent-id>
    <agent-login>Agent login</agent-login>
    <agent-first-name>Agent first name</agent-first-name>
    <agent-last-name>Agent last name</agent-last-name>
    <agent-email>Agent e-mail</agent-email>
  </cols>
  <agents>
    <agent id="3">
      <login>jdoe</login>
      <first-name>John</first-name>
      <last-name>Doe</last-name>
      <email>j@d.oe</email>
    </agent>
    <agent id="9">
      <login/>
      <first-name/>
      <last-name/>
      <email/>
    </agent>
  </agents>
  <assistances>
    <assistance id="101">
      <agent-id>3</agent-id>
      <date-begin>2024-03-14</date-begin>
      <time-begin>09:00:00</time-begin>
      <date-end>2024-03-14</date-end>
      <time-end>10:00:05</time-end>
      <duration>PT1H5S</duration>
      <client-identification>CLI1</client-identification>
      <client-name>Dupré</client-name>
      <client-email>d@x.fr</client-email>
      <client-ip>1.2.3.4</client-ip>
      <client-request>Printer "broken"&#13;
Please help</client-request>
      <client-request-type>Handled</client-request-type>
      <agent-report>Fixed</agent-report>
      <agents-responses>
        <response>Ignored</response>
        <response>Refused</response>
      </agents-responses>
    </assistance>
    <assistance id="102">
      <date-begin>2024-03-14</date-begin>
      <time-begin>11:00:00</time-begin>
      <client-identification/>
      <client-name>Anon</client-name>
      <client-email>anon@y.org</client-email>
      <client-ip/>
      <client-request-type>NotHandled</client-request-type>
    </assistance>
    <assistance id="103">
      <agent-id>9</agent-id>
      <date-begin>2024-03-14</date-begin>
      <time-begin>12:00:00</time-begin>
      <date-end>2024-03-14</date-end>
      <time-end>12:00:00</time-end>
      <duration>PT1S</duration>
      <client-identification>CLI2</client-identification>
      <client-name/>
      <client-email/>
      <client-ip/>
      <client-request-type>Handled</client-request-type>
      <agents-responses>
        <response>OK</response>
      </agents-responses>
    </assistance>
  </assistances>
</corvane-pro>
)";
  EXPECT_EQ(ReadFile(file), expected);
  EXPECT_EQ(history.EzAssistance().recNo(), 0);  // back on the first row
}

TEST_F(Export, ClosingsOfManyAgentsAndLongAddressesStayWhole) {
  // A group call that reached eleven agents before one accepted, from IPv6 and IPv4-mapped
  // addresses: longer than the grid's columns, whole everywhere they are read.
  const std::string cloture = "IIIIIIIIIIRO";
  const std::string addresses[] = {"2001:db8:85a3::8a2e:370:7334", "::ffff:192.168.100.200"};
  gateway.sessions.resize(2);
  for (size_t i = 0; i < 2; ++i) {
    gateway.sessions[i].ClientAdressIP = addresses[i];
    gateway.sessions[i].Cloture = cloture;
  }
  history.clearCache();
  history.reload();
  VirtualRecordSet& rows = history.EzAssistance();
  ASSERT_EQ(rows.recordCount(), 2);
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(rows.textAt(row, rows.fieldByName("ClientAdressIP").index()), addresses[row]);
    EXPECT_EQ(rows.textAt(row, rows.fieldByName("Cloture").index()), cloture);
    EXPECT_EQ(rows.valueAt(row, rows.fieldByName("EtatCloture").index()), Variant(int64_t{0}));
  }

  const EtatDetailsAssistance details = DetailsAssistance(history, true);
  ASSERT_EQ(details.lignesCloture.size(), cloture.size());
  EXPECT_EQ(details.lignesCloture.back().texte, "Accepted");
  EXPECT_EQ(details.lignesCloture.back().couleurs.background, (Rgb{0, 128, 0}));

  const std::string doc = exporter.Document({});
  for (const std::string& address : addresses)
    EXPECT_NE(doc.find("<client-ip>" + address + "</client-ip>"), std::string::npos) << doc;
  EXPECT_NE(doc.find("<agents-responses>\n        <response>OK</response>\n        <response>Ignored</response>\n"
                     "        <response>Refused</response>\n      </agents-responses>"),
            std::string::npos)
      << doc;
}

TEST_F(Export, CsvFromTheRealStyleSheetInWindows1252WithCrLf) {
  const fs::path file = dir / "history.csv";
  exporter.ExporterCSV(file.string());
  const std::string expected =
      "\"Id\",\"Date begin\",\"Time begin\",\"Date end\",\"Time end\",\"Duration\",\"Client IP\",\"Client ID\","
      "\"Client name\",\"Client email\",\"Client request\",\"Client request type\",\"Agent report\","
      "\"Agent responses\",\"Agent id\",\"Agent login\",\"Agent first name\",\"Agent last name\",\"Agent e-mail\"\r\n"
      "\"101\",\"2024-03-14\",\"09:00:00\",\"2024-03-14\",\"10:00:05\",\"PT1H5S\",\"1.2.3.4\",\"CLI1\","
      "\"Dupr\xe9\",\"d@x.fr\",\"Printer 'broken'|Please help\",\"Handled\",\"Fixed\",\"Ignored Refused\","
      "\"3\",\"jdoe\",\"John\",\"Doe\",\"j@d.oe\"\r\n"
      "\"102\",\"2024-03-14\",\"11:00:00\",\"\",\"\",\"\",\"\",\"\",\"Anon\",\"anon@y.org\",\"\",\"NotHandled\","
      "\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n"
      "\"103\",\"2024-03-14\",\"12:00:00\",\"2024-03-14\",\"12:00:00\",\"PT1S\",\"\",\"CLI2\",\"\",\"\",\"\","
      "\"Handled\",\"\",\"OK\",\"9\",\"\",\"\",\"\",\"\"\r\n";
  EXPECT_EQ(ReadFile(file), expected);
}

TEST_F(Export, ClipboardTextIsTabSeparated) {
  std::string received;
  exporter.setPressePapiers([&](const std::string& text) { received = text; });
  const std::string text = exporter.ExporterPressePapiers();
  EXPECT_EQ(received, text);
  const std::string firstRow = text.substr(text.find('\n') + 1, text.find('\n', text.find('\n') + 1) - text.find('\n') - 1);
  EXPECT_EQ(firstRow,
            "101\t2024-03-14\t09:00:00\t2024-03-14\t10:00:05\tPT1H5S\t1.2.3.4\tCLI1\tDupré\td@x.fr\t"
            "Printer 'broken'|Please help\tHandled\tFixed\tIgnored Refused\t3\tjdoe\tJohn\tDoe\tj@d.oe");
}

TEST_F(Export, HtmlPageWithItsStyleSheetBesideItAndAnExistingOneLeftAlone) {
  const fs::path file = dir / "history.html";
  exporter.ExporterHTML(file.string());
  const std::string page = ReadFile(file);
  EXPECT_NE(page.find("charset=windows-1252"), std::string::npos);
  EXPECT_NE(page.find("href=\"tarvenholt.css\""), std::string::npos);
  EXPECT_NE(page.find("<th class=\"agent-email\">Agent e-mail</th>"), std::string::npos) << page;
  EXPECT_NE(page.find("<td class=\"client-name\">Dupr\xe9</td>"), std::string::npos);
  EXPECT_NE(page.find("Printer \"broken\"\r\nPlease help</td>"), std::string::npos);
  EXPECT_EQ(page.find("\n\n"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "tarvenholt.css"), ReadFile(fs::path(CORVANE_EXPORT_DIR) / "tarvenholt.css"));

  std::ofstream(dir / "tarvenholt.css", std::ios::trunc) << "/* mine */";
  exporter.ExporterHTML(file.string());
  EXPECT_EQ(ReadFile(dir / "tarvenholt.css"), "/* mine */");
}

TEST_F(Export, SpecifiedCustomerIsDescribedFromTheCustomerRecordSet) {
  TRemotableClient client;
  client.ClientID = "41";
  client.Identifiant = " CLI1 ";
  client.Nom = "Dupont";
  client.EMail = "d@x.fr";
  gateway.clients.push_back(client);
  TdmGestionClient clients(gateway);
  history.setClients(&clients);
  filter.criteres.IdentificationClient = TFiltreIdentificationClient::ficSpecifique;
  filter.criteres.ClientID = 41;
  const std::string doc = exporter.Document({});
  EXPECT_NE(doc.find("<client-type>Specific</client-type>\n    <specified-client id=\"41\">\n"
                     "      <identification>CLI1</identification>\n      <name>Dupont</name>\n"
                     "      <email>d@x.fr</email>\n    </specified-client>\n    <request-type>"),
            std::string::npos)
      << doc;
}

TEST_F(Export, EmptyHistoryAndMissingStyleSheetWriteNothing) {
  ExportHistorique broken(history, (dir / "nowhere").string());
  EXPECT_THROW(broken.ExporterCSV((dir / "x.csv").string()), EExportError);
  EXPECT_FALSE(fs::exists(dir / "x.csv"));
  EXPECT_FALSE(fs::exists(dir / "x.csv.tmp"));

  filter.debut = kToday - 30;
  filter.fin = kToday - 29;
  history.reload();
  ASSERT_EQ(history.recordCount(), 0);
  EXPECT_THROW(exporter.ExporterXML((dir / "e.xml").string()), ENothingToExport);
  EXPECT_THROW(exporter.ExporterCSV((dir / "e.csv").string()), ENothingToExport);
  EXPECT_THROW(exporter.ExporterHTML((dir / "e.html").string()), ENothingToExport);
  EXPECT_THROW(exporter.ExporterPressePapiers(), ENothingToExport);
  EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(Export, StyleSheetsCanNeitherReadNorWriteOtherFiles) {
  const fs::path secret = dir / "secret.xml";
  std::ofstream(secret) << "<s>TOP-SECRET</s>";
  const fs::path written = dir / "written.txt";
  TTransformationXML reader;
  reader.SourceType = TSourceType::stData;
  reader.DataXSLT = R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="text"/>
  <xsl:template match="/">[<xsl:value-of select="document(')" + secret.string() + R"(')/s"/>]</xsl:template>
</xsl:stylesheet>)";
  std::string out;
  try {
    out = reader.Transformer("<a/>");
  } catch (const EExportError&) {
  }
  EXPECT_EQ(out.find("TOP-SECRET"), std::string::npos);

  TTransformationXML writer;
  writer.SourceType = TSourceType::stData;
  writer.DataXSLT = R"(<xsl:stylesheet version="1.1" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:template match="/"><xsl:document href=")" + written.string() + R"(" method="text">x</xsl:document></xsl:template>
</xsl:stylesheet>)";
  try {
    writer.Transformer("<a/>");
  } catch (const EExportError&) {
  }
  EXPECT_FALSE(fs::exists(written));

  TTransformationXML broken;
  broken.SourceType = TSourceType::stData;
  broken.DataXSLT = "<xsl:stylesheet";
  EXPECT_THROW(broken.Transformer("<a/>"), EExportError);
}

}  // namespace
}  // namespace corvane::records
