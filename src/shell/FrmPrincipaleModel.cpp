#include "shell/FrmPrincipaleModel.h"

#include "base/Format.h"
#include "base/Translate.h"

namespace corvane::shell {

namespace {

using A = ActionPrincipale;
using R = RegleActivation;
using service::TStatusAgent;

constexpr std::array<DefinitionAction, kNombreActionsPrincipales> kActions{{
    {A::Connecter, "actConnecter", "Log in", "Agent", "Log in", R::Deconnecte},
    {A::Deconnecter, "actDeconnecter", "Log out", "Agent", "Log out", R::Connecte},
    {A::ChangerMotDePasse, "actChangerMotDePasse", "Change password", "Agent", "Change current password", R::Connecte},
    {A::ModifierProfil, "actModifierProfil", "Modify profile", "Agent", "Modify agent's profile informations", R::Connecte},
    {A::ChangerStatus, "actChangerStatus", "Change status", "Status", "Change status", R::Connecte},
    {A::ChangerStatusDisponible, "actChangerStatusDisponible", "Available", "Status", "Available", R::StatusDifferent,
     TStatusAgent::saDisponible},
    {A::ChangerStatusOccupe, "actChangerStatusOccupe", "Busy", "Status", "Busy", R::StatusDifferent,
     TStatusAgent::saOccupe},
    {A::ChangerStatusDeconnecte, "actChangerStatusDeconnecte", "Disconected", "Status", "Disconected",
     R::StatusDifferent, TStatusAgent::saDeconnecte},
    {A::RafraichirHistorique, "actRafraichirHistorique", "Refresh historic", "Historique", "Refresh historic", R::Connecte},
    {A::AfficherFiltres, "actAfficherFiltres", "Assistances filters", "Historique", "Show filter form", R::Connecte},
    {A::AfficherDetails, "actAfficherDetails", "Assistance details", "Historique", "Show/Hide assistance details",
     R::Toujours},
    {A::Exporter, "actExporter", "Export to file", "Historique", "File export|Export current historic to file",
     R::Connecte},
    {A::ExporterPressePapier, "actExporterPressePapier", "Export to clipboard", "Historique",
     "Clipboard export|Copy current historic to clipboard as tab separated values", R::Connecte},
    {A::AdministrerGroupeAgents, "actAdministrerGroupeAgents", "Manage group", "Administration",
     "Manage group and agents", R::Connecte},
    {A::AdministrerClients, "actAdministrerClients", "Manage customers", "Administration", "Manage customers",
     R::Connecte},
    {A::EnregistrerSousAppliClient, "actEnregistrerSousAppliClient", "Download client application", "Outils logiciel",
     "Download client application", R::Connecte},
    {A::IntegrationSiteWeb, "actIntegrationSiteWeb", "Web site integration", "Outils logiciel",
     "how to integrate the avaibility status in you're web site using a picture", R::Connecte},
    {A::VerifierMAJ, "actVerifierMAJ", "Check update", "Outils logiciel",
     "Check for avaible updates on Tarvenholt web server", R::Toujours},
    {A::Manuel, "actManuel", "Open user manual", "Aide", "Open the manual in the system PDF reader", R::Toujours},
    {A::AProposDe, "actAProposDe", "About...", "Aide", "About this software", R::Toujours},
    {A::Afficher, "actAfficher", "Show", "Application", "Restore the application", R::Toujours},
    {A::Quitter, "actQuitter", "Exit", "Application", "Terminate the application", R::Toujours},
    {A::Reloguer, "actReloguer", "", "Agent", "", R::Toujours},
    {A::MettreAJourInfosAgentDepuisServeur, "actMettreAJourInfosAgentDepuisServeur", "", "Agent", "", R::Toujours},
    {A::TelechargerEtEnregistrerAppliCliente, "actTelechargerEtEnregistrerAppliCliente", "", "Outils logiciel", "",
     R::Toujours},
}};

constexpr bool TableInOrder() {
  for (size_t i = 0; i < kActions.size(); ++i)
    if (static_cast<size_t>(kActions[i].id) != i) return false;
  return true;
}
static_assert(TableInOrder(), "the action table follows the enumeration");

}  // namespace

const std::array<DefinitionAction, kNombreActionsPrincipales>& ActionsPrincipales() { return kActions; }

const DefinitionAction& DefinitionDe(ActionPrincipale action) { return kActions[static_cast<size_t>(action)]; }

PartiesHint DecouperHint(std::string_view hint) {
  const size_t bar = hint.find('|');
  if (bar == std::string_view::npos) return {std::string(hint), std::string(hint)};
  return {std::string(hint.substr(0, bar)), std::string(hint.substr(bar + 1))};
}

int ImageStatus(TStatusAgent status) {
  switch (status) {
    case TStatusAgent::saDisponible: return kImageDisponible;
    case TStatusAgent::saOccupe: return kImageOccupe;
    case TStatusAgent::saDeconnecte: return kImageDeconnecte;
  }
  return kImageDeconnecte;
}

std::string_view CaptionStatus(TStatusAgent status) {
  switch (status) {
    case TStatusAgent::saDisponible: return DefinitionDe(A::ChangerStatusDisponible).caption;
    case TStatusAgent::saOccupe: return DefinitionDe(A::ChangerStatusOccupe).caption;
    case TStatusAgent::saDeconnecte: return DefinitionDe(A::ChangerStatusDeconnecte).caption;
  }
  return "?";
}

ToucheMolette RegleMolette(int delta, bool fenetreSessionActive) {
  if (fenetreSessionActive) return ToucheMolette::Aucune;
  return delta > 0 ? ToucheMolette::Haut : ToucheMolette::Bas;
}

TFrmPrincipaleModel::TFrmPrincipaleModel(std::string titreApplication)
    : titre_(std::move(titreApplication)), hintIcone_(titre_), libelleFiltre_(base::Tr(kAgentNonConnecte)) {
  for (const auto& d : kActions) actives_[Index(d.id)] = d.regle == R::Toujours || d.regle == R::Deconnecte;
  ReglerStatusActions();
}

bool TFrmPrincipaleModel::RafraichirActions(bool connecte) {
  connecte_ = connecte;
  for (const auto& d : kActions) {
    if (d.regle == R::Connecte) actives_[Index(d.id)] = connecte;
    if (d.regle == R::Deconnecte) actives_[Index(d.id)] = !connecte;
  }
  if (!connecte) imageIcone_ = kImageNonConnecte;
  return connecte;
}

void TFrmPrincipaleModel::ReglerStatusActions() {
  for (const auto& d : kActions)
    if (d.regle == R::StatusDifferent) actives_[Index(d.id)] = d.status != status_;
}

void TFrmPrincipaleModel::SurStatusAgentChange(TStatusAgent status) {
  status_ = status;
  imageChangerStatus_ = ImageStatus(status);
  imageIcone_ = ImageStatus(status);
  ReglerStatusActions();
}

void TFrmPrincipaleModel::RafraichirBarreEtat(const service::TRemotableAgent* agent, TStatusAgent status) {
  if (!agent) {
    panneaux_[0].clear();
    panneaux_[1].clear();
    hintIcone_ = titre_;
    return;
  }
  panneaux_[0] = agent->Prenom + " " + agent->Nom;
  panneaux_[1] = agent->AdresseIPAuto
                     ? base::Format(base::Tr(kFormatAdresseAuto), {agent->Port})
                     : base::Format("%s:%d", {agent->AdresseIP, agent->Port});
  hintIcone_ = base::Format(kFormatHint, {titre_, panneaux_[0], base::Tr(CaptionStatus(status)), panneaux_[1]});
}

bool TFrmPrincipaleModel::SurLogIn(const std::string& login, const std::string& groupeId, bool reloginEnCours) {
  loginAgent_ = login;
  if (reloginEnCours) return false;
  const bool autreGroupe = groupeId != dernierGroupe_;
  dernierGroupe_ = groupeId;
  return autreGroupe;
}

void TFrmPrincipaleModel::SurLogOut() {
  panneaux_[2].clear();
  libelleFiltre_ = base::Tr(kAgentNonConnecte);
}

void TFrmPrincipaleModel::SurHistoriqueOuvert(int nombreLignes, std::string libelleFiltre) {
  panneaux_[2] = base::Tr(kTotal) + base::Format(": %d", {nombreLignes});
  libelleFiltre_ = std::move(libelleFiltre);
}

void TFrmPrincipaleModel::DebutTravail() {
  ++travail_;
  panneaux_[3] = base::Tr(kTransfert);
}

void TFrmPrincipaleModel::FinTravail() {
  if (travail_ > 0) --travail_;
  panneaux_[3].clear();
}

}  // namespace corvane::shell
