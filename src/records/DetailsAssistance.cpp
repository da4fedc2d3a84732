#include "records/DetailsAssistance.h"

#include "base/Translate.h"
#include "records/DmGestionAssistances.h"

namespace corvane::records {

EtatDetailsAssistance DetailsAssistance(TdmGestionAssistances& history, bool agentConnecte) {
  EtatDetailsAssistance d;
  VirtualRecordSet& rows = history.EzAssistance();
  const bool hasRow = rows.active() && rows.recNo() >= 0;
  if (hasRow) {
    d.assistanceId = rows.fieldByName("AssistanceID").asString();
    for (char letter : rows.fieldByName("Cloture").asString()) {
      const int index = ClotureIndex(letter);
      d.lignesCloture.push_back({ClotureText(index), ClotureColoursOf(index)});
    }
  }
  d.sessionVisible = agentConnecte && hasRow && !d.assistanceId.empty();
  d.titre = d.sessionVisible ? std::string() : "(" + base::Tr("no selected assistance") + ")";
  if (!d.sessionVisible) return d;
  d.demande = rows.fieldByName("DemandeDescription").asString();
  d.rapport = rows.fieldByName("ReponseDescription").asString();
  d.agentVisible = !rows.fieldByName("AgentID").isNull();
  VirtualRecordSet& agents = history.EzAgent();
  d.agentTrouve = history.agentTrouve() && agents.active() && agents.recNo() >= 0;
  if (d.agentVisible && d.agentTrouve) {
    d.agentLogin = agents.fieldByName("Login").asString();
    d.agentNom = agents.fieldByName("Nom").asString();
    d.agentPrenom = agents.fieldByName("Prenom").asString();
    d.agentEmail = agents.fieldByName("Email").asString();
    d.agentVoIP = agents.fieldByName("LoginVoiceOnIP").asString();
  }
  return d;
}

}  // namespace corvane::records
