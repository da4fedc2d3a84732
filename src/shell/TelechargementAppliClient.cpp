#include "shell/TelechargementAppliClient.h"

#include <filesystem>

#include "base/Translate.h"

namespace corvane::shell {

std::string UrlTelechargementClient(const std::string& racine, const std::string& groupeId,
                                    const std::string& verrou, const std::string& code) {
  return racine + "GetFile?FileID=CorvaneClient&ID=" + groupeId + "&CIID=" + verrou + "&CIPass=" + code;
}

std::string TexteProposerTelechargement() {
  return base::Tr(
      "You've just created a new group.\r\nDo you want to download now the client application you must "
      "distribute to people you assist ?\r\n(You can do that when you want)");
}

bool TTelechargementAppliClient::Telecharger(const std::string& fichier) {
  const std::optional<Verrou> verrou = env_.SaisirVerrou();
  if (!verrou) return false;
  std::string complet = fichier;
  std::error_code ec;
  const auto absolu = std::filesystem::absolute(fichier, ec);
  if (!ec) complet = absolu.lexically_normal().string();
  const std::string url = UrlTelechargementClient(env_.Racine(), env_.GroupeID(), verrou->identifiant, verrou->code);
  IBoitesDialogue* boites = &boites_;
  env_.Demarrer(
      url, complet,
      [boites, complet] {
        boites->Afficher(TypeBoite::Information, base::Tr("Download successfull"),
                         base::Tr("Client application downloaded.") + "\r\n" + complet, {Bouton::Ok});
      },
      [boites] {
        boites->Afficher(TypeBoite::Avertissement, base::Tr("Download failed"),
                         base::Tr("Integrity control failed or server busy."), {Bouton::Ok});
      });
  return true;
}

}  // namespace corvane::shell
