// The streamed decoding of array answers must give exactly what the document reader gives, and
// leave every other shape to the document reader.

#include <gtest/gtest.h>

#include "service/ContractNames.h"
#include "service/DateTimes.h"
#include "service/SoapArrayStream.h"
#include "service/SoapClient.h"
#include "service/SoapReader.h"
#include "service/SoapWriter.h"

using namespace corvane::service;

namespace {

// Every property of two records, as text.
std::string Describe(const TRemotable& r) {
  std::string out;
  for (const auto& p : r.remotableType().properties) out += std::string(p.name) + "=" + ToText(p.get(r)) + ";";
  return out;
}

template <class R>
std::vector<std::string> Describe(const std::vector<R>& list) {
  std::vector<std::string> out;
  for (const auto& r : list) out.push_back(Describe(r));
  return out;
}

template <class R>
std::string Answer(std::string_view op, const std::vector<R>& items) {
  SoapWriter w(kICorvaneAgent.operationNs, std::string(op) + "Response");
  w.addArray("return", items);
  return w.finish();
}

TRemotableAssistances Sessions() {
  TRemotableAssistances list(3);
  list[0].AssistanceID = "101";
  list[0].ClientNom = "Dupont & fils <SA>";
  list[0].DemandeDescription = "Ligne 1\r\nLigne \"2\"";
  list[0].DemandeDate = EncodeDateTime({2024, 3, 31, 2, 30, 0, 0});
  list[0].Cloture = "O";
  list[1].AssistanceID = "102";  // mostly empty
  list[2].AssistanceID = "103";
  list[2].ClientEmail = "\xC3\xA9l\xC3\xA8ve@example.org";
  list[2].ReponseDate = EncodeDateTime({2025, 1, 1, 0, 0, 0, 999});
  return list;
}

}  // namespace

TEST(SoapArrayStream, GivesWhatTheDocumentReaderGives) {
  const std::string xml = Answer("ListeAssistances", Sessions());
  auto streamed = ReadArrayAnswer<TRemotableAssistance>(xml, "ListeAssistancesResponse");
  ASSERT_TRUE(streamed.has_value());
  SoapReader reader(xml);
  const xmlNode* response = reader.mainElement();
  std::vector<const xmlNode*> children = SoapReader::elementChildren(response);
  ASSERT_EQ(children.size(), 1u);
  const auto byDocument = reader.readArray<TRemotableAssistance>(children.front());
  EXPECT_EQ(Describe(*streamed), Describe(byDocument));
  EXPECT_EQ((*streamed)[0].ClientNom, "Dupont & fils <SA>");

  TRemotableAgents agents(2);
  agents[0].Nom = "Martin";
  agents[1].NiveauAdmin = 2;
  auto streamedAgents = ReadArrayAnswer<TRemotableAgent>(Answer("ListeAgents", agents), "ListeAgentsResponse");
  ASSERT_TRUE(streamedAgents.has_value());
  EXPECT_EQ(Describe(*streamedAgents), Describe(agents));

  auto none = ReadArrayAnswer<TRemotableAgent>(Answer("ListeAgents", TRemotableAgents{}), "ListeAgentsResponse");
  ASSERT_TRUE(none.has_value());
  EXPECT_TRUE(none->empty());
}

TEST(SoapArrayStream, OtherShapesAreLeftToTheDocumentReader) {
  const std::string head =
      "<?xml version=\"1.0\"?><E:Envelope xmlns:E=\"http://schemas.xmlsoap.org/soap/envelope/\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><E:Body>";
  const std::string tail = "</E:Body></E:Envelope>";
  const std::string record = "<R id=\"2\"><Nom>A</Nom></R>";
  struct Case {
    const char* why;
    std::string xml;
  } cases[] = {
      {"fault", head + "<E:Fault><faultcode>E:Server</faultcode><faultstring>x</faultstring></E:Fault>" + tail},
      {"other response", head + "<ObtenirAgentResponse><return href=\"#2\"/></ObtenirAgentResponse>" + record + tail},
      {"items in place", head + "<ListeAgentsResponse><return><item><Nom>A</Nom></item></return></ListeAgentsResponse>" + tail},
      {"nil result", head + "<ListeAgentsResponse><return xsi:nil=\"true\"/></ListeAgentsResponse>" + tail},
      {"reference inside a record",
       head + "<ListeAgentsResponse><return><item href=\"#2\"/></return></ListeAgentsResponse>"
              "<R id=\"2\"><Nom href=\"#3\"/></R><S id=\"3\">A</S>" + tail},
      {"unresolved item", head + "<ListeAgentsResponse><return><item href=\"#9\"/></return></ListeAgentsResponse>" + record + tail},
      {"bad value", head + "<ListeAgentsResponse><return><item href=\"#2\"/></return></ListeAgentsResponse>"
                           "<R id=\"2\"><NiveauAdmin>high</NiveauAdmin></R>" + tail},
      {"malformed after the body", head + "<ListeAgentsResponse><return/></ListeAgentsResponse>" + tail + "<x"},
      {"document type", "<!DOCTYPE E:Envelope []>" + head.substr(21) + "<ListeAgentsResponse><return/></ListeAgentsResponse>" + tail},
  };
  for (const auto& c : cases)
    EXPECT_FALSE(ReadArrayAnswer<TRemotableAgent>(c.xml, "ListeAgentsResponse").has_value()) << c.why;
}

TEST(SoapArrayStream, AnItemReferencedTwiceIsCopied) {
  const std::string xml =
      "<E:Envelope xmlns:E=\"http://schemas.xmlsoap.org/soap/envelope/\"><E:Body>"
      "<ListeAgentsResponse><return><item href=\"#2\"/><item href=\"#2\"/></return></ListeAgentsResponse>"
      "<R id=\"2\"><Nom>Twice</Nom></R></E:Body></E:Envelope>";
  auto list = ReadArrayAnswer<TRemotableAgent>(xml, "ListeAgentsResponse");
  ASSERT_TRUE(list.has_value());
  ASSERT_EQ(list->size(), 2u);
  EXPECT_EQ((*list)[0].Nom, "Twice");
  EXPECT_EQ((*list)[1].Nom, "Twice");
}
