#include "shell/AdministrationClientsModel.h"

namespace corvane::shell {

using A = ActionAdministrationClients;

TexteAction TexteActionClients(ActionAdministrationClients action) {
  switch (action) {
    case A::actAjouterClient: return {"Add", "Add Client"};
    case A::actSupprimerClient: return {"Delete", "Delete Client"};
    case A::actValiderClient: return {"Validate", "Validate"};
    case A::actAnnulerClient: return {"Cancel", "Cancel"};
    case A::actRafraichirListeClients: return {"Refresh", "Refresh"};
    case A::actFermer: return {"Close", "Close"};
  }
  return {"", ""};
}

TFrmAdministrationClientsModel::TFrmAdministrationClientsModel(records::TdmGestionClient& clients,
                                                               std::function<void()> fermerFenetre)
    : clients_(clients), fermerFenetre_(std::move(fermerFenetre)) {}

void TFrmAdministrationClientsModel::Ouvrir() { clients_.refresh(); }

void TFrmAdministrationClientsModel::Fermer() { clients_.cancelAndClose(); }

bool TFrmAdministrationClientsModel::Actif(ActionAdministrationClients action) const {
  const records::VirtualRecordSet& liste = clients_.recordSet();
  switch (action) {
    case A::actAjouterClient: return liste.active() && !liste.editing();
    case A::actSupprimerClient: return liste.active() && !liste.editing() && liste.recordCount() > 0;
    case A::actValiderClient:
    case A::actAnnulerClient: return liste.editing();
    case A::actRafraichirListeClients:
    case A::actFermer: return true;
  }
  return false;
}

void TFrmAdministrationClientsModel::Executer(ActionAdministrationClients action) {
  if (!Actif(action)) return;
  records::VirtualRecordSet& liste = clients_.EzListeClients();
  switch (action) {
    case A::actAjouterClient: liste.insert(); break;
    case A::actSupprimerClient: liste.deleteRecord(); break;
    case A::actValiderClient: liste.post(); break;
    case A::actAnnulerClient: liste.cancel(); break;
    case A::actRafraichirListeClients: clients_.refresh(); break;
    case A::actFermer:
      if (fermerFenetre_) fermerFenetre_();
      break;
  }
}

}  // namespace corvane::shell
