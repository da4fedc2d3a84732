#pragma once
// What the details pane beside the history grid shows for the selected session: which parts are
// visible, the title, the closing-state lines with their colours, the agent and the texts.

#include <string>
#include <vector>

#include "records/Cloture.h"

namespace corvane::records {

class TdmGestionAssistances;

struct LigneCloture {
  std::string texte;
  ClotureColours couleurs;
};

struct EtatDetailsAssistance {
  bool sessionVisible = false;  // request, closing states, agent, report, the ID and its label
  std::string titre;            // "(no selected assistance)" while the session part is hidden
  std::string assistanceId;
  bool agentVisible = false;    // the agent and report parts
  std::vector<LigneCloture> lignesCloture;  // one per letter of Cloture, in letter order
  std::string demande;
  std::string rapport;
  bool agentTrouve = false;     // false when the session's agent is no longer listed
  std::string agentLogin, agentNom, agentPrenom, agentEmail, agentVoIP;
};

// The pane for the history's current row; `agentConnecte` is the controller's Connecte.
EtatDetailsAssistance DetailsAssistance(TdmGestionAssistances& history, bool agentConnecte);

}  // namespace corvane::records
