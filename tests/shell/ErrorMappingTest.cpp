#include <gtest/gtest.h>

#include "support/HeldPort.h"
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "base/ManualLoop.h"
#include "base/Translate.h"
#include "calls/CallListener.h"
#include "records/VirtualRecordSet.h"
#include "service/RemotableFaults.h"
#include "service/ServiceErrors.h"
#include "shell/ErrorMapping.h"
#include "shell/RacineServeur.h"
#include "shell/ExclusionsTraduction.h"
#include "shell/ServiceErrorClassifier.h"
#include "shell/StartupRegistrations.h"

using namespace corvane::shell;

namespace {

const std::string kCustomRoot = "http://localhost:8080/svc/";

ErrorDescription described(ErrorKind kind, std::string message, std::string kindMessage = {}) {
  ErrorDescription d;
  d.kind = kind;
  d.message = std::move(message);
  d.kindMessage = std::move(kindMessage);
  return d;
}

}  // namespace

TEST(ErrorMapping, EveryRowOfTheTable) {
  struct Case {
    const char* name;
    ErrorDescription error;
    ErrorContext context;
    ErrorReaction expected;
  };
  const ErrorContext plain{kCustomRoot, 8081, false};
  const ErrorContext defaultRoot{std::string(kRacineServeurParDefaut), 8081, false};
  const ErrorContext relogin{kCustomRoot, 8081, true};
  const std::string invalidSession =
      "Session non valide.\r\nSoit votre session a expir\xC3\xA9, soit vous n'\xC3\xAAtes pas autoris\xC3\xA9(e) \xC3\xA0 "
      "faire cette op\xC3\xA9ration.";
  const Case cases[] = {
      {"grid", described(ErrorKind::GridOperation, "Grid index out of range"), plain, {false, "", false}},
      {"family", described(ErrorKind::ServiceFamilyFault, "raw service text", "Incorrect ID or password."), plain,
       {true, "Incorrect ID or password.", false}},
      {"family without stop", described(ErrorKind::ServiceFamilyFault, "x", "Unauthorized operation"), plain,
       {true, "Unauthorized operation.", false}},
      {"duplicate id", described(ErrorKind::ServiceFault, "ORA-00001: unique constraint (C_UK_IDEN_GRA) violated"),
       plain, {true, "Client ID already used.", false}},
      {"generic fault", described(ErrorKind::ServiceFault, "Something failed at the service"), plain,
       {true, "Something failed at the service.", false}},
      {"marker outside service faults", described(ErrorKind::Other, "C_UK_IDEN_GRA"), plain,
       {true, "C_UK_IDEN_GRA.", false}},
      {"port busy", described(ErrorKind::ListenerPortBusy, "Address already in use"), plain,
       {true, "The port 8081 is busy. You are not connected.", false}},
      {"missing value", described(ErrorKind::MissingValue, "Le champ 'Nom' doit avoir une valeur"), plain,
       {true, "Missing expected value.", false}},
      {"other data set", described(ErrorKind::DataSet, "Record not found"), plain, {true, "Record not found.", false}},
      {"unreachable, custom root", described(ErrorKind::ServerUnreachable, "Connect timed out."), plain,
       {true, "Can't connect to the server " + kCustomRoot + ".", false}},
      {"unreachable, default root", described(ErrorKind::ServerUnreachable, "Read timed out."), defaultRoot,
       {true, "Can't connect to the server.", false}},
      {"invalid session", described(ErrorKind::InvalidSession, "expired", invalidSession), plain,
       {true, invalidSession, true}},
      {"invalid session during re-login", described(ErrorKind::InvalidSession, "expired", invalidSession), relogin,
       {false, "", false}},
      {"empty text", described(ErrorKind::ServiceFault, ""), plain, {false, "", false}},
      {"other", described(ErrorKind::Other, "Disk full!"), plain, {true, "Disk full!", false}},
      {"ends in parenthesis", described(ErrorKind::Other, "Failed (code 5)"), plain, {true, "Failed (code 5)", false}},
      {"ends in question mark", described(ErrorKind::Other, "Why?"), plain, {true, "Why?.", false}},
      {"ends in accent", described(ErrorKind::Other, "Refus\xC3\xA9"), plain, {true, "Refus\xC3\xA9.", false}},
  };
  for (const auto& c : cases) {
    ErrorReaction r = MapError(c.error, c.context);
    EXPECT_EQ(r.show, c.expected.show) << c.name;
    EXPECT_EQ(r.text, c.expected.text) << c.name;
    EXPECT_EQ(r.startRelogin, c.expected.startRelogin) << c.name;
  }
}

TEST(ErrorMapping, TextsAreTranslatedBeforeThePlaceholderIsFilled) {
  corvane::base::SetTranslator([](std::string_view, std::string_view text) -> std::string {
    if (text == "The port %d is busy. You are not connected.") return "Le port %d est occup\xC3\xA9";
    if (text == "Can't connect to the server %s") return "Serveur %s injoignable %d";  // a faulty translation
    if (text == "Integrity violation") return "Violation d'int\xC3\xA9grit\xC3\xA9";
    return std::string(text);
  });
  ErrorContext context{std::string(kRacineServeurParDefaut), 9000, false};
  EXPECT_EQ(MapError(described(ErrorKind::ListenerPortBusy, ""), context).text, "Le port 9000 est occup\xC3\xA9.");
  EXPECT_EQ(MapError(described(ErrorKind::ServiceFamilyFault, "", "Integrity violation"), context).text,
            "Violation d'int\xC3\xA9grit\xC3\xA9.");
  // A translation that does not fit its arguments falls back to the English text instead of failing.
  EXPECT_EQ(MapError(described(ErrorKind::ServerUnreachable, ""), context).text, "Can't connect to the server.");
  corvane::base::SetTranslator(nullptr);
}

TEST(ErrorMapping, ClassifiersDescribeLibraryExceptions) {
  struct PortBusy : std::runtime_error {
    using std::runtime_error::runtime_error;
  };
  EXPECT_EQ(DescribeError(std::make_exception_ptr(PortBusy("in use"))).kind, ErrorKind::Other);
  RegisterErrorClassifier([](const std::exception_ptr& e) -> std::optional<ErrorDescription> {
    try {
      std::rethrow_exception(e);
    } catch (const PortBusy& p) {
      return described(ErrorKind::ListenerPortBusy, p.what());
    } catch (...) {
      return std::nullopt;
    }
  });
  ErrorDescription d = DescribeError(std::make_exception_ptr(PortBusy("in use")));
  EXPECT_EQ(d.kind, ErrorKind::ListenerPortBusy);
  EXPECT_EQ(d.message, "in use");
  d = DescribeError(std::make_exception_ptr(std::logic_error("plain")));
  EXPECT_EQ(d.kind, ErrorKind::Other);
  EXPECT_EQ(d.message, "plain");
  EXPECT_EQ(DescribeError(std::make_exception_ptr(42)).message, "Unknown error");
  EXPECT_EQ(DescribeError(nullptr).kind, ErrorKind::Other);
}

TEST(ErrorMapping, ServiceExceptionsFollowTheTable) {
  namespace svc = corvane::service;
  const ErrorContext plain{kCustomRoot, 8081, false};
  auto map = [&](std::exception_ptr e, const ErrorContext& context) {
    std::optional<ErrorDescription> d = ClassifyServiceError(e);
    EXPECT_TRUE(d);
    return MapError(d.value_or(ErrorDescription{}), context);
  };
  svc::ERemotableEchecAuthentification wrongPassword("whatever the service wrote");
  wrongPassword.setFaultCode("SOAP-ENV:Server");
  EXPECT_EQ(ClassifyServiceError(std::make_exception_ptr(wrongPassword))->faultCode, "SOAP-ENV:Server");
  EXPECT_EQ(map(std::make_exception_ptr(wrongPassword), plain).text, "Incorrect ID or password.");
  EXPECT_EQ(map(std::make_exception_ptr(svc::ERemotableException("dup C_UK_IDEN_GRA key")), plain).text,
            "Client ID already used.");
  EXPECT_EQ(map(std::make_exception_ptr(svc::ERemotableException("Database offline")), plain).text,
            "Database offline.");
  EXPECT_EQ(map(std::make_exception_ptr(svc::EConnectTimeout("Connect timed out.")), plain).text,
            "Can't connect to the server " + kCustomRoot + ".");
  EXPECT_EQ(map(std::make_exception_ptr(svc::EReadTimeout("Read timed out.")), plain).text,
            "Can't connect to the server " + kCustomRoot + ".");
  EXPECT_EQ(map(std::make_exception_ptr(svc::ENotWellFormedAnswer("bad XML")), plain).text,
            "Can't connect to the server " + kCustomRoot + ".");
  EXPECT_EQ(map(std::make_exception_ptr(svc::EConnectionRefused("Connection refused.")), plain).text,
            "Connection refused.");
  ErrorReaction invalid = map(std::make_exception_ptr(svc::ERemotableInvalideSession("expired")), plain);
  EXPECT_TRUE(invalid.startRelogin);
  EXPECT_EQ(invalid.text, std::string(svc::ERemotableInvalideSession::GetResStringRec()));
  EXPECT_FALSE(ClassifyServiceError(std::make_exception_ptr(std::runtime_error("not ours"))));
}

namespace {

using corvane::testing_support::HeldPort;

std::exception_ptr caught(const std::function<void()>& action) {
  try {
    action();
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

}  // namespace

// The real errors of the call listener and of a record set, raised in French, reach the program's
// handler as their kinds: the rules do not depend on the language of the raw text.
TEST(ErrorMapping, StartUpRegistrationClassifiesTheLibrariesErrorsByKind) {
  RegisterErrorClassifiersAndExclusions();
  RegisterErrorClassifiersAndExclusions();  // a second call registers nothing twice
  corvane::base::SetTranslator([](std::string_view, std::string_view text) -> std::string {
    if (text == "Field '%s' must have a value") return "Le champ '%s' doit avoir une valeur";
    if (text == "Missing expected value.") return "Valeur attendue manquante.";
    if (text == "The port %d is busy. You are not connected.") return "Le port %d est occup\xC3\xA9.";
    return std::string(text);
  });

  HeldPort held;
  ASSERT_NE(held.port(), 0);
  corvane::base::ManualLoop loop;
  corvane::calls::CallListener listener(loop);
  listener.SetHost("127.0.0.1");
  listener.SetPort(held.port());
  const std::exception_ptr busy = caught([&] { listener.Activate(); });
  ASSERT_TRUE(busy);
  const ErrorContext context{kCustomRoot, held.port(), false};
  EXPECT_EQ(DescribeError(busy).kind, ErrorKind::ListenerPortBusy);
  EXPECT_EQ(MapError(DescribeError(busy), context).text,
            "Le port " + std::to_string(held.port()) + " est occup\xC3\xA9.");

  corvane::records::VirtualRecordSet set("Clients");
  corvane::records::FieldDef nom;
  nom.name = "Nom";
  nom.required = true;
  set.addField(nom);
  set.open();
  set.append();
  const std::exception_ptr missing = caught([&] { set.post(); });
  ASSERT_TRUE(missing);
  EXPECT_EQ(DescribeError(missing).kind, ErrorKind::MissingValue);
  EXPECT_EQ(MapError(DescribeError(missing), context).text, "Valeur attendue manquante.");
  const std::exception_ptr otherDataSet = caught([&] { set.fieldByName("Absent"); });
  EXPECT_EQ(DescribeError(otherDataSet).kind, ErrorKind::DataSet);
  EXPECT_EQ(DescribeError(std::make_exception_ptr(corvane::service::EReadTimeout("Read timed out."))).kind,
            ErrorKind::ServerUnreachable);
  corvane::base::SetTranslator(nullptr);
}

TEST(ExclusionsTraduction, StartUpRegistersTheProgramWideExclusions) {
  RegisterErrorClassifiersAndExclusions();
  const TExclusionsTraduction& x = ExclusionsTraduction();
  struct Case {
    std::vector<std::string> classChain;
    const char* property;
    bool ignored;
  } cases[] = {
      {{"TLabel", "TComponent"}, "Name", true},
      {{"QLabel", "QWidget", "QObject"}, "objectName", true},
      {{"TListColumn", "TCollectionItem"}, "PropName", true},
      {{"TStringField", "TField"}, "FieldName", true},
      {{"TClientDataSet", "TDataSet"}, "FieldName", true},
      {{"TDBEdit"}, "DataField", true},
      {{"TAction", "TContainedAction"}, "Category", true},
      {{"QAction", "QObject"}, "Category", true},
      {{"THttpRemoteInfosProvider"}, "RemoteURL", true},
      {{"TFtpRemoteInfosProvider"}, "RemoteDocument", true},
      {{"TAction", "TContainedAction"}, "Caption", false},
      {{"TStringField", "TField"}, "DisplayLabel", false},
      {{"TLabel"}, "FieldName", false},
      {{"TLabel"}, "Category", false},
  };
  for (const Case& c : cases) EXPECT_EQ(x.EstProprieteIgnoree(c.classChain, c.property), c.ignored) << c.property;
  EXPECT_TRUE(x.EstClasseIgnoree({"TFont"}));
  EXPECT_TRUE(x.EstClasseIgnoree({"QFont"}));
  EXPECT_FALSE(x.EstClasseIgnoree({"TLabel", "TComponent"}));
}
