#pragma once
// The rules of the group and agents window (TFrmAdministrationAgents): opening and closing it over
// the agents list and the group record, the enabling and effect of each action, the agent-edited
// flag that makes the close reload the logged-in agent's own record, and the "Test" box.
//
// Threads: main thread only.

#include <functional>
#include <string>

#include "records/DmGestionAgent.h"
#include "records/DmGestionGroupe.h"
#include "shell/BoitesDialogue.h"

namespace corvane::shell {

enum class ActionAdministrationAgents {
  actAjouterAgent,
  actSupprimerAgent,
  actValiderAgent,
  actAnnulerAgent,
  actRafraichirListeAgents,
  actValiderInfosGroupe,
  actAnnulerInfosGroupe,
  actRafraichirInfosGroupe,
  actTester,
  actFermer,
};

struct TexteAction {
  const char* caption;
  const char* hint;
};
// Caption and hint keys (English, translated when shown).
TexteAction TexteActionAgents(ActionAdministrationAgents action);

class TFrmAdministrationAgentsModel {
public:
  // `rechargerAgentConnecte` is the main window's hidden action that reloads the logged-in agent's
  // own record from the service; `fermerFenetre` hides the window.
  TFrmAdministrationAgentsModel(records::TdmGestionAgent& agents, records::TDmGestionGroupe& groupe,
                                IBoitesDialogue& boites, std::function<void()> rechargerAgentConnecte,
                                std::function<void()> fermerFenetre);
  ~TFrmAdministrationAgentsModel();
  TFrmAdministrationAgentsModel(const TFrmAdministrationAgentsModel&) = delete;
  TFrmAdministrationAgentsModel& operator=(const TFrmAdministrationAgentsModel&) = delete;

  // Clears the agent-edited flag, reopens the agents list and reloads the group record. Service
  // errors pass on to the application's handler.
  void Ouvrir();
  // Cancels and closes both record sets; reloads the agent's own record when an agent was edited.
  void Fermer();

  bool Actif(ActionAdministrationAgents action) const;
  // Runs an action; does nothing when it is disabled.
  void Executer(ActionAdministrationAgents action);

  bool AgentModifie() const { return agentModifie_; }
  // The caption of the "known customers only" check box: that field's display label.
  std::string LibelleAccepteClientConnu() const;

private:
  records::TdmGestionAgent& agents_;
  records::TDmGestionGroupe& groupe_;
  records::VirtualRecordSet& infosGroupe_;
  IBoitesDialogue& boites_;
  std::function<void()> rechargerAgentConnecte_;
  std::function<void()> fermerFenetre_;
  bool agentModifie_ = false;
  int ecoute_ = 0;
};

}  // namespace corvane::shell
