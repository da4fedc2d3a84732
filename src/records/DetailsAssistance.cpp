#include "records/DetailsAssistance.h"

#include "base/Translate.h"
#include "records/DmGestionAssistances.h"

namespace corvane::records {

EtatDetailsAssistance DetailsAssistance(TdmGestionAssistances& history, bool agentConnecte) {
  EtatDetailsAssistance d;
  VirtualRecordSet& rows = history.EzAssistance();
  const service::TRemotableAssistance* session = history.sessionAt(rows.recNo());
  if (session) {
    d.assistanceId = session->AssistanceID;
    for (char letter : session->Cloture) {
      const int index = ClotureIndex(letter);
      d.lignesCloture.push_back({ClotureText(index), ClotureColoursOf(index)});
    }
  }
  d.sessionVisible = agentConnecte && session && !d.assistanceId.empty();
  d.titre = d.sessionVisible ? std::string() : "(" + base::Tr("no selected assistance") + ")";
  if (!d.sessionVisible) return d;
  d.demande = session->DemandeDescription;
  d.rapport = session->ReponseDescription;
  d.agentVisible = !session->AgentID.empty();
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
