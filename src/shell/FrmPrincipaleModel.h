#pragma once
// The main window's rules without the window: its actions (caption, category, hint, enabling
// rule), the action states in the four agent states, the four status-bar panels, the notification
// icon's picture and hint, the filter label and its click, the group change that clears the
// history's cache, and the mouse-wheel rule. The Qt window shows this state and forwards events.
//
// Main thread only.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "service/Enumerations.h"
#include "service/Remotables.h"

namespace corvane::shell {

enum class ActionPrincipale : uint8_t {
  Connecter,
  Deconnecter,
  ChangerMotDePasse,
  ModifierProfil,
  ChangerStatus,
  ChangerStatusDisponible,
  ChangerStatusOccupe,
  ChangerStatusDeconnecte,
  RafraichirHistorique,
  AfficherFiltres,
  AfficherDetails,
  Exporter,
  ExporterPressePapier,
  AdministrerGroupeAgents,
  AdministrerClients,
  EnregistrerSousAppliClient,
  IntegrationSiteWeb,
  VerifierMAJ,
  Manuel,
  AProposDe,
  Afficher,
  Quitter,
  Reloguer,
  MettreAJourInfosAgentDepuisServeur,
  TelechargerEtEnregistrerAppliCliente,
};
inline constexpr size_t kNombreActionsPrincipales = 25;

// When an action is enabled outside of any user action.
enum class RegleActivation : uint8_t { Toujours, Connecte, Deconnecte, StatusDifferent };

struct DefinitionAction {
  ActionPrincipale id;
  std::string_view nom;       // the component name ("actConnecter")
  std::string_view caption;   // untranslated; empty for the actions in no menu
  std::string_view category;
  std::string_view hint;      // "short|long" or one text for both
  RegleActivation regle;
  service::TStatusAgent status = service::TStatusAgent::saDeconnecte;  // StatusDifferent only
};

const std::array<DefinitionAction, kNombreActionsPrincipales>& ActionsPrincipales();
const DefinitionAction& DefinitionDe(ActionPrincipale action);

// A hint's two parts: the short one is the tooltip, the long one goes to status panel 3. Without
// "|" both are the whole hint. Texts are translated by the caller, part by part.
struct PartiesHint {
  std::string courte;
  std::string longue;
};
PartiesHint DecouperHint(std::string_view hint);

// Picture index of the notification icon and of "Change status".
inline constexpr int kImageDisponible = 0;
inline constexpr int kImageOccupe = 1;
inline constexpr int kImageDeconnecte = 2;
inline constexpr int kImageNonConnecte = 3;
int ImageStatus(service::TStatusAgent status);
// The untranslated caption of the action of a status ("?" for a value outside the enumeration).
std::string_view CaptionStatus(service::TStatusAgent status);

// The wheel rule: outside assistance session windows a notch becomes a down-arrow key (delta 0 or
// negative) or an up-arrow key (positive); inside them the wheel is left alone.
enum class ToucheMolette : uint8_t { Aucune, Haut, Bas };
ToucheMolette RegleMolette(int delta, bool fenetreSessionActive);

inline constexpr std::string_view kAgentNonConnecte = "(agent not logged in)";
inline constexpr std::string_view kTransfert = "Transfering...";
inline constexpr std::string_view kFormatAdresseAuto = "AutoIPAddress:%d";
inline constexpr std::string_view kTotal = "Total";
inline constexpr std::string_view kFormatHint = "%s - %s - %s [%s]";
inline constexpr std::string_view kCaptionFrmPrincipale = "Corvane - Agent";

class TFrmPrincipaleModel {
public:
  // titreApplication: the translated application title.
  explicit TFrmPrincipaleModel(std::string titreApplication);

  bool Active(ActionPrincipale action) const { return actives_[Index(action)]; }
  // The status entry shown checked (the current status).
  service::TStatusAgent StatusCoche() const { return status_; }
  bool Connecte() const { return connecte_; }

  const std::string& Panneau(int index) const { return panneaux_.at(static_cast<size_t>(index)); }
  int ImageIcone() const { return imageIcone_; }
  int ImageChangerStatus() const { return imageChangerStatus_; }
  const std::string& HintIcone() const { return hintIcone_; }
  const std::string& LibelleFiltre() const { return libelleFiltre_; }
  bool Occupe() const { return travail_ > 0; }  // a service call is running: busy cursor

  // Refreshing the action states after start-up, login, logout and re-login. Returns true when
  // "Refresh historic" must run now (logged in); logged out, the icon goes back to "not logged in"
  // and the caller closes the history and agents record sets.
  bool RafraichirActions(bool connecte);
  // OnStatusAgentChange: pictures and the three status actions.
  void SurStatusAgentChange(service::TStatusAgent status);
  // Panels 0 and 1 and the icon hint from the agent record (null: none held).
  void RafraichirBarreEtat(const service::TRemotableAgent* agent, service::TStatusAgent status);
  // OnLogIn: remembers the login; returns true when the history's cache must be cleared (another
  // group than the previous login's). During a re-login nothing else happens (returns false).
  bool SurLogIn(const std::string& login, const std::string& groupeId, bool reloginEnCours);
  // OnLogOut: panel 2 emptied and the filter label says that nobody is logged in (the caller then
  // refreshes the action states).
  void SurLogOut();
  // The history record set came into browse state.
  void SurHistoriqueOuvert(int nombreLignes, std::string libelleFiltre);
  // BeforeWork / AfterWork around service calls.
  void DebutTravail();
  void FinTravail();
  // The long hint of the control under the mouse.
  void SetHintLong(std::string texte) { panneaux_[3] = std::move(texte); }
  // What clicking the filter label runs.
  ActionPrincipale ActionClicFiltre() const {
    return connecte_ ? ActionPrincipale::AfficherFiltres : ActionPrincipale::Connecter;
  }

  const std::string& LoginAgent() const { return loginAgent_; }
  const std::string& DernierGroupe() const { return dernierGroupe_; }

private:
  static size_t Index(ActionPrincipale a) { return static_cast<size_t>(a); }
  void ReglerStatusActions();

  std::string titre_;
  std::array<bool, kNombreActionsPrincipales> actives_{};
  bool connecte_ = false;
  service::TStatusAgent status_ = service::TStatusAgent::saDeconnecte;
  std::array<std::string, 4> panneaux_;
  int imageIcone_ = kImageNonConnecte;
  int imageChangerStatus_ = kImageDeconnecte;
  std::string hintIcone_;
  std::string libelleFiltre_;
  std::string loginAgent_;
  std::string dernierGroupe_;
  int travail_ = 0;
};

}  // namespace corvane::shell
