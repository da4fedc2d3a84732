#pragma once
// The log-in dialog's rules without the dialog: up to three attempts, Cancel, and the path
// through the group sign-up wizard (one try with the new administrator's credentials); the login
// box restored from and saved to the configuration; the "Create new group..." box shown only while
// the login box is empty, and the focus on the password box when a login is already there.
//
// The Qt dialog supplies Montrer (show modally, return what the user did) and the caller supplies
// Inscrire (run the sign-up wizard). Main thread only.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "calls/Authentification.h"

namespace corvane::shell {

class ConfigurationStore;

inline constexpr std::string_view kSectionFrmAuthentificationAgent = "FrmAuthentificationAgent";
inline constexpr std::string_view kCleIdentifiant = "edtIdentifiant_Text";
inline constexpr int kTentativesAuthentification = 3;

struct SaisieAuthentification {
  enum class Choix { Ok, Annuler, CreerGroupe };
  Choix choix = Choix::Annuler;
  std::string login;
  std::string motDePasse;
};

struct IdentifiantsInscription {
  std::string login;
  std::string motDePasse;
};

class TFrmAuthentificationAgentModel final : public calls::IFournisseurAuthentification {
public:
  // store may be null (no stored login).
  explicit TFrmAuthentificationAgentModel(ConfigurationStore* store);

  // Shows the dialog modally with the current login; returns the user's choice and the boxes.
  std::function<SaisieAuthentification(const TFrmAuthentificationAgentModel&)> Montrer;
  // Runs the sign-up wizard modally; nullopt when it was cancelled.
  std::function<std::optional<IdentifiantsInscription>()> Inscrire;

  bool Authentifier() override;
  void SetAuthentification(calls::ICorvaneAuthentification* a) override { authentification_ = a; }
  bool GroupeCree() const override { return groupeCree_; }

  const std::string& Identifiant() const { return identifiant_; }
  void SetIdentifiant(std::string login) { identifiant_ = std::move(login); }
  int Tentatives() const { return tentatives_; }

  // The dialog's layout rules, for a login box holding `login`.
  static bool GroupeCreationVisible(std::string_view login) { return login.empty(); }
  static bool FocusMotDePasse(std::string_view login) { return !login.empty(); }

  // Writes FormVersion and the login box into the configuration document.
  void Enregistrer();

private:
  bool Essayer(const std::string& login, const std::string& motDePasse);

  ConfigurationStore* store_;
  calls::ICorvaneAuthentification* authentification_ = nullptr;
  std::string identifiant_;
  int tentatives_ = 0;
  bool groupeCree_ = false;
};

}  // namespace corvane::shell
