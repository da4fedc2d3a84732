// Records as ordered named, typed properties; date-time and day-number conversions.

#include <gtest/gtest.h>

#include "service/Remotables.h"
#include "service/ServiceErrors.h"

using namespace corvane::service;

namespace {

std::vector<std::string> Names(const RecordType& type) {
  std::vector<std::string> names;
  for (const PropertyInfo& p : type.properties) names.emplace_back(p.name);
  return names;
}

TEST(RecordProperties, FieldsAreListedInContractOrder) {
  EXPECT_EQ(Names(TRemotableAgent::Type()),
            (std::vector<std::string>{"AgentID", "GroupeID", "Login", "Nom", "Prenom", "EMail",
                                      "AdresseIP", "AdresseIPAuto", "Port", "Ports",
                                      "LoginVoiceOnIP", "NiveauAdmin", "Status"}));
  EXPECT_EQ(Names(TRemotableAssistance::Type()).size(), 14u);
  EXPECT_EQ(Names(TRemotableAssistance::Type())[4], "ClientAdressIP");
  EXPECT_EQ(Names(TRemotableClotureAssistance::Type())[1], "ClientAdresseIP");
  EXPECT_EQ(Names(TRemotableGroupeAgent::Type()).size(), 12u);
  EXPECT_EQ(Names(TRemotableInfosAgent::Type()),
            (std::vector<std::string>{"GroupeID", "Login", "MotDePasse"}));
}

TEST(RecordProperties, ReadAndWriteByNameWithoutRegardToCase) {
  TRemotableAgent agent;
  const RecordType& type = agent.remotableType();
  type.find("email")->set(agent, std::string("a@b.c"));
  type.find("STATUS")->set(agent, int64_t{2});
  type.find("port")->set(agent, std::string("8080"));
  type.find("AdresseIPAuto")->set(agent, true);
  EXPECT_EQ(agent.EMail, "a@b.c");
  EXPECT_EQ(agent.Status, TStatusAgent::saDisponible);
  EXPECT_EQ(agent.Port, 8080);
  EXPECT_EQ(std::get<int64_t>(type.find("Status")->get(agent)), 2);
  EXPECT_EQ(std::get<bool>(type.find("adresseipauto")->get(agent)), true);
  EXPECT_EQ(type.find("Status")->type, PropertyType::Enumeration);
  EXPECT_EQ(type.find("NoSuchField"), nullptr);

  // Empty values become the type's empty value.
  for (const char* name : {"EMail", "Status", "Port", "AdresseIPAuto"})
    type.find(name)->set(agent, PropertyValue{});
  EXPECT_EQ(agent.EMail, "");
  EXPECT_EQ(agent.Status, TStatusAgent::saDeconnecte);
  EXPECT_EQ(agent.Port, 0);
  EXPECT_FALSE(agent.AdresseIPAuto);

  EXPECT_THROW(type.find("Status")->set(agent, int64_t{3}), EPropertyError);
  EXPECT_THROW(type.find("NiveauAdmin")->set(agent, int64_t{40000}), EPropertyError);
  EXPECT_THROW(type.find("Port")->set(agent, std::string("80a")), EPropertyError);
}

TEST(DateTimes, DayNumbersAndFieldsConvertBothWays) {
  struct Case {
    DateTimeFields fields;
    TDateTime value;
    const char* dayNumber;
    const char* xsd;
  } cases[] = {
      {{1899, 12, 30}, 0, "0", "1899-12-30T00:00:00.000"},
      {{2023, 3, 15}, 45000, "45000", "2023-03-15T00:00:00.000"},
      {{2023, 3, 15, 12}, 45000.5, "45000.5", "2023-03-15T12:00:00.000"},
      {{2023, 3, 15, 6}, 45000.25, "45000.25", "2023-03-15T06:00:00.000"},
      {{2000, 2, 29, 23, 59, 59, 999}, 36585.999999988426, "36585.9999999884", "2000-02-29T23:59:59.999"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xsd);
    EXPECT_NEAR(EncodeDateTime(c.fields), c.value, 1e-9);
    EXPECT_EQ(FormatDayNumber(EncodeDateTime(c.fields)), c.dayNumber);
    EXPECT_EQ(FormatXsdDateTime(EncodeDateTime(c.fields)), c.xsd);
    EXPECT_NEAR(*ParseXsdDateTime(c.xsd), c.value, 1e-9);
    EXPECT_NEAR(*ParseDayNumber(c.dayNumber), c.value, 1e-9);
  }
  EXPECT_DOUBLE_EQ(*ParseDayNumber("45000,5"), 45000.5);
  EXPECT_DOUBLE_EQ(*ParseXsdDateTime("2023-03-15T12:00:00+09:30"), 45000.5);
  EXPECT_DOUBLE_EQ(*ParseXsdDateTime("2023-03-15T12:00:00Z"), 45000.5);
  for (const char* bad : {"2023-02-29T00:00:00", "2023-13-01T00:00:00", "2023-03-15T24:00:00",
                          "15/03/2023", "2023-03-15T12:00:00 garbage"})
    EXPECT_FALSE(ParseXsdDateTime(bad)) << bad;
  EXPECT_FALSE(ParseDayNumber("12abc"));
}

}  // namespace
