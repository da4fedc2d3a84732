// SOAP faults turned into errors of the service's fault family, and their messages.

#include <gtest/gtest.h>

#include <functional>
#include <typeinfo>

#include "service/CorvaneAgent.h"
#include "service/LoopbackHttpServer.h"
#include "service/RemotableFaults.h"
#include "service/SoapReader.h"
#include "service/SoapTestSupport.h"

using namespace corvane::service;
using namespace corvane::service::test;

namespace {

std::string Typed(const std::string& type, const std::string& ns, const std::string& faultString) {
  return Fault("<faultcode>SOAP-ENV:Server</faultcode><faultstring>" + faultString +
               "</faultstring><detail xmlns:NS1=\"" + ns + "\" xsi:type=\"NS1:" + type + "\"/>");
}

const std::string kFamilyNs = "urn:UCorvaneRemotableExceptions";
const std::string kSessionNs = "urn:UAccesRestreintInvokableExceptions";

TEST(FaultClassification, EachFaultBecomesItsKindOrTheGenericFault) {
  struct Case {
    std::string name;
    std::string xml;
    const std::type_info& kind;
    std::string message;   // as received
    std::string replaced;  // after the message replacement; "" for generic faults
  };
  const Case cases[] = {
      {"invalid session", Typed("ERemotableInvalideSession", kSessionNs, "expired"),
       typeid(ERemotableInvalideSession), "expired",
       "Session non valide.\r\nSoit votre session a expiré, soit vous n'êtes pas autorisé(e) à "
       "faire cette opération."},
      {"not authorised", Typed("ERemotableOperationNonAutorisee", kFamilyNs, "x"),
       typeid(ERemotableOperationNonAutorisee), "x", "Unauthorized operation"},
      {"authentication", Typed("ERemotableEchecAuthentification", kFamilyNs, "bad password"),
       typeid(ERemotableEchecAuthentification), "bad password", "Incorrect ID or password."},
      {"agent deletion", Typed("ERemotableEchecSuppressionAgent", kFamilyNs, "x"),
       typeid(ERemotableEchecSuppressionAgent), "x", "The agent can't be deleted."},
      {"password change", Typed("ERemotableEchecModificationMotDePasse", kFamilyNs, "x"),
       typeid(ERemotableEchecModificationMotDePasse), "x", "The password can't be changed."},
      {"integrity", Typed("ERemotableEchecIntegrite", kFamilyNs, "fk"),
       typeid(ERemotableEchecIntegrite), "fk", "Integrity violation"},
      {"identifier", Typed("ERemotableIdentifiantIncorrect", kFamilyNs, "x"),
       typeid(ERemotableIdentifiantIncorrect), "x", "This ID is incorrect or already existing."},
      {"identifier not found", Typed("ERemotableIdentifiantNonTrouve", kFamilyNs, "x"),
       typeid(ERemotableIdentifiantNonTrouve), "x",
       "Incorrect client ID.\r\nPlease contact us by another way to get an avaible ID."},
      {"known clients only", Typed("ERemotableClientsConnusSeulement", kFamilyNs, "x"),
       typeid(ERemotableClientsConnusSeulement), "x",
       "Only identified clients can get assistance.\r\nPlease contact us by another way to get an ID."},
      {"family name in another namespace",
       Typed("ERemotableEchecAuthentification", "urn:Other", "service text"),
       typeid(ERemotableException), "service text", ""},
      {"invalid session in the family's namespace",
       Typed("ERemotableInvalideSession", kFamilyNs, "service text"), typeid(ERemotableException),
       "service text", ""},
      {"unlisted type of the family's namespace", Typed("ERemotableAutre", kFamilyNs, "t"),
       typeid(ERemotableException), "t", ""},
      {"detail without type",
       Fault("<faultstring>plain</faultstring><detail><ERemotableEchecIntegrite/></detail>"),
       typeid(ERemotableException), "plain", ""},
      {"type attribute without namespace, prefix bound on the envelope",
       Envelope("<SOAP-ENV:Fault xmlns:E=\"urn:UCorvaneRemotableExceptions\"><faultstring>f</faultstring>"
                "<detail type=\"E:ERemotableEchecIntegrite\"/></SOAP-ENV:Fault>"),
       typeid(ERemotableEchecIntegrite), "f", "Integrity violation"},
      {"type without prefix", Fault("<faultstring>f</faultstring><detail type=\"ERemotableEchecIntegrite\"/>"),
       typeid(ERemotableException), "f", ""},
      {"unbound prefix", Fault("<faultstring>f</faultstring><detail xsi:type=\"Q:ERemotableEchecIntegrite\"/>"),
       typeid(ERemotableException), "f", ""},
      {"missing faultstring, children in any letter case",
       Fault("<FaultCode>SOAP-ENV:Client</FaultCode><DETAIL xmlns:NS1=\"" + kFamilyNs +
             "\" xsi:type=\"NS1:ERemotableEchecIntegrite\"/>"),
       typeid(ERemotableEchecIntegrite), "", "Integrity violation"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SoapReader reader(c.xml);
    ASSERT_TRUE(reader.isFault());
    std::unique_ptr<ERemotableException> error = reader.faultError();
    EXPECT_EQ(typeid(*error), c.kind);
    EXPECT_EQ(error->message(), c.message);
    if (auto* family = dynamic_cast<ERemotableTarvenholtException*>(error.get())) {
      ReplaceServiceMessage(*family);
      EXPECT_EQ(error->message(), c.replaced);
    } else {
      EXPECT_TRUE(c.replaced.empty());
    }
  }
}

TEST(FaultClassification, CodeActorAndDetailAreKeptAsReceived) {
  SoapReader reader(Fault("<faultcode>SOAP-ENV:Server</faultcode><faultstring>s</faultstring>"
                          "<faultactor>urn:actor</faultactor><detail xmlns:NS1=\"" + kFamilyNs +
                          "\" xsi:type=\"NS1:ERemotableEchecIntegrite\"><Why>fk_agent</Why></detail>"));
  auto error = reader.faultError();
  EXPECT_EQ(error->faultCode(), "SOAP-ENV:Server");
  EXPECT_EQ(error->faultActor(), "urn:actor");
  EXPECT_NE(error->faultDetail().find("<Why>fk_agent</Why>"), std::string::npos) << error->faultDetail();
  EXPECT_EQ(error->faultDetail().rfind("<detail", 0), 0u);
}

TEST(FaultClassification, DuplicateCustomerIdentifierRuleMatchesAnywhereInGenericText) {
  struct Case {
    std::string text;
    bool applies;
  } cases[] = {
      {"violation of UNIQUE KEY constraint 'C_UK_IDEN_GRA' on table CLIENTS", true},
      {"C_UK_IDEN_GRA", true},
      {"c_uk_iden_gra", false},
      {"some other failure", false},
  };
  for (const Case& c : cases) {
    ERemotableException generic(c.text);
    EXPECT_EQ(ReplaceDuplicateClientIdMessage(generic), c.applies) << c.text;
    EXPECT_EQ(generic.message(), c.applies ? "Client ID already used." : c.text);
  }
  ERemotableEchecIntegrite family("C_UK_IDEN_GRA");
  EXPECT_FALSE(ReplaceDuplicateClientIdMessage(family));
}

TEST(FaultClassification, ProxyRaisesTheKindWithItsDynamicType) {
  LoopbackHttpServer server([](const RecordedRequest&) {
    return Reply::Xml(Typed("ERemotableEchecAuthentification", kFamilyNs, "nope"), 500);
  });
  CorvaneAgentProxy proxy(server.root());
  try {
    proxy.LogIn("u", "p");
    FAIL() << "no error";
  } catch (const ERemotableEchecAuthentification& e) {
    EXPECT_EQ(e.message(), "nope");
    EXPECT_EQ(e.faultCode(), "SOAP-ENV:Server");
  }
}

}  // namespace
