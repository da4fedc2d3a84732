#include "DemoData.h"

#include <random>

namespace corvane::service::server {

DemoSummary SeedDemo(ServiceStore& store, int64_t nowUnixMs) {
  DemoSummary summary;
  TRemotableGroupeAgent groupe;
  groupe.Nom = "Demo Support";
  groupe.Mess = "All our technicians are busy.\nPlease try again in a few minutes.";
  groupe.Email = "support@demo.invalid";
  groupe.Site = "http://demo.invalid/";
  summary.groupeId = store.SeedGroup(groupe);

  TRemotableAgent admin;
  admin.GroupeID = summary.groupeId;
  admin.Login = "admin";
  admin.Nom = "Martin";
  admin.Prenom = "Claire";
  admin.EMail = "claire.martin@demo.invalid";
  admin.AdresseIPAuto = true;
  admin.Port = 8100;
  admin.Ports = "8101-8110";
  admin.NiveauAdmin = 2;
  std::string adminId = store.SeedAgent(admin, "admin");

  TRemotableAgent agent = admin;
  agent.Login = "agent";
  agent.Nom = "Bernard";
  agent.Prenom = "Louis";
  agent.EMail = "louis.bernard@demo.invalid";
  agent.Port = 8200;
  agent.Ports = "8201-8210";
  agent.NiveauAdmin = 0;
  std::string agentId = store.SeedAgent(agent, "agent");

  struct Customer {
    const char* identifiant;
    const char* nom;
    const char* prenom;
  } customers[] = {{"C001", "Dupont", "Jeanne"}, {"C002", "Lefebvre", "Paul"},
                   {"C003", "Moreau", "Sophie"}, {"C004", "Garcia", "Lucas"},
                   {"C005", "Roux", "Emma"}};
  std::vector<std::string> clientIds;
  for (const Customer& c : customers) {
    TRemotableClient client;
    client.GroupeID = summary.groupeId;
    client.Identifiant = c.identifiant;
    client.Nom = c.nom;
    client.Prenom = c.prenom;
    client.EMail = std::string(c.prenom) + "@customer.invalid";
    clientIds.push_back(store.SeedClient(client));
  }

  // Every closing state: accepted, ignored then accepted, refused, network problem, unauthorised,
  // abandoned, and requests nobody answered.
  const char* closings[] = {"O", "O", "O", "IO", "R", "N", "U", "A", "I", "RO", "NO", ""};
  const char* problems[] = {"The printer does not print any more.",
                            "I cannot open my mail box.\r\nIt says the password is wrong.",
                            "The screen stays black after the update.",
                            "How do I share a folder with my colleague?"};
  std::mt19937 gen(20240601);
  TDateTime today = ServiceZoneTime(nowUnixMs);
  for (int i = 0; i < 100; ++i) {
    TRemotableAssistance a;
    bool known = i % 3 != 0;
    size_t customer = static_cast<size_t>(i) % clientIds.size();
    if (known) {
      a.ClientID = clientIds[customer];
      a.ClientIdentifiant = customers[customer].identifiant;
    }
    a.ClientAdressIP = "192.0.2." + std::to_string(10 + i % 200);
    a.CorvaneClientNom = known ? customers[customer].nom : "Visitor " + std::to_string(i);
    a.CorvaneClientEmail = "visitor" + std::to_string(i) + "@customer.invalid";
    a.DemandeDescription = problems[i % 4];
    a.DemandeDate = today - 60.0 * (100 - i) / 100.0 - std::uniform_real_distribution<double>(0, 0.3)(gen);
    a.Cloture = closings[i % (sizeof closings / sizeof closings[0])];
    bool answered = a.Cloture.find('O') != std::string::npos;
    if (answered) {
      a.AgentID = i % 2 ? adminId : agentId;
      a.ReponseDescription = "Solved remotely; the customer confirmed.";
      a.ReponseDate = a.DemandeDate + (5.0 + i % 40) / 1440.0;
    }
    store.SeedAssistance(summary.groupeId, a);
    ++summary.assistances;
  }
  return summary;
}

}  // namespace corvane::service::server
