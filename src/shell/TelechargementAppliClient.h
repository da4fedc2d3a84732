#pragma once
// Downloading the customer program for distribution: the save dialog's settings, the
// verification code asked first, the download URL under the service root, and the boxes that
// report the outcome. The download window does the transfer and reports back on the main thread;
// the main window does not wait for it.
//
// Threads: main thread only.

#include <functional>
#include <optional>
#include <string>

#include "shell/BoitesDialogue.h"

namespace corvane::shell {

inline constexpr const char* kNomAppliClient = "CorvaneClient.exe";
inline constexpr const char* kExtensionAppliClient = "exe";
inline constexpr const char* kFiltreAppliClient = "Application (*.exe)|*.exe";

// Root + "GetFile?FileID=CorvaneClient&ID=%s&CIID=%s&CIPass=%s", filled unencoded.
std::string UrlTelechargementClient(const std::string& racine, const std::string& groupeId,
                                    const std::string& verrou, const std::string& code);
// The question after a group was created in the log-in dialog.
std::string TexteProposerTelechargement();

class TTelechargementAppliClient {
public:
  struct Verrou {
    std::string identifiant;
    std::string code;
  };
  struct Environnement {
    std::function<std::string()> Racine;
    std::function<std::string()> GroupeID;
    // The verification-code dialog; nothing unless it closed with OK.
    std::function<std::optional<Verrou>()> SaisirVerrou;
    // Starts the download window; exactly one of the two notifications follows later.
    std::function<void(const std::string& url, const std::string& fichier, std::function<void()> succes,
                       std::function<void()> echec)>
        Demarrer;
  };
  TTelechargementAppliClient(IBoitesDialogue& boites, Environnement env) : boites_(boites), env_(std::move(env)) {}

  // The save dialog was accepted with this file: true when the download started.
  bool Telecharger(const std::string& fichier);

private:
  IBoitesDialogue& boites_;
  Environnement env_;
};

}  // namespace corvane::shell
