#pragma once
// The credentials provider of the automatic login: one try with the command line's login and
// password, no retry, no dialog. Main thread only.

#include "calls/Authentification.h"
#include "shell/LigneCommande.h"

namespace corvane::shell {

// The credentials interfaces belong to the agent controller's library.
using calls::ICorvaneAuthentification;
using calls::IFournisseurAuthentification;

class TAuthentificationLigneCommande final : public IFournisseurAuthentification {
public:
  TAuthentificationLigneCommande(std::string login, std::string password)
      : login_(std::move(login)), password_(std::move(password)) {}
  explicit TAuthentificationLigneCommande(const TInfosLigneCommande& infos)
      : TAuthentificationLigneCommande(infos.Login, infos.Password) {}

  // False without trying when no authentication was handed over.
  bool Authentifier() override;
  void SetAuthentification(ICorvaneAuthentification* authentification) override {
    authentification_ = authentification;
  }
  bool GroupeCree() const override { return false; }

private:
  std::string login_;
  std::string password_;
  ICorvaneAuthentification* authentification_ = nullptr;
};

}  // namespace corvane::shell
