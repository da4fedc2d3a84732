#include "shell/SelectionClientConnuModel.h"

#include "records/Variant.h"

namespace corvane::shell {

TFrmSelectionClientConnuModel::TFrmSelectionClientConnuModel(records::TdmGestionClient& clients,
                                                             calls::IFenetreSession& session,
                                                             std::function<void()> fermerFenetre)
    : liste_(clients, nullptr), session_(session), fermerFenetre_(std::move(fermerFenetre)) {}

void TFrmSelectionClientConnuModel::Ouvrir() { liste_.Ouvrir(); }

bool TFrmSelectionClientConnuModel::Ok() {
  records::VirtualRecordSet& set = liste_.Clients().EzListeClients();
  if (!set.active()) return false;
  set.post();
  if (set.recNo() < 0) return false;
  const std::string identifiant(records::Trimmed(service::ToText(set.fieldByName("Identifiant").value())));
  if (identifiant.empty()) return false;
  calls::TInfosClient& client = session_.Client();
  client.TypeClient = 1;
  client.Identifiant = identifiant;
  client.Nom = service::ToText(set.fieldByName("Nom").value());
  client.Prenom = service::ToText(set.fieldByName("Prenom").value());
  client.EMail = service::ToText(set.fieldByName("Email").value());
  session_.AppliquerIdentification();
  Annuler();
  return true;
}

void TFrmSelectionClientConnuModel::Annuler() {
  Fermeture();
  if (fermerFenetre_) fermerFenetre_();
}

void TFrmSelectionClientConnuModel::Fermeture() { liste_.Fermer(); }

}  // namespace corvane::shell
