#pragma once
// The group sign-up wizard (TFrmInscription) and the verification-code dialog (TFrmSaisieVerrou)
// as plain logic over the sign-up service. A verification code ("lock") is a picture of PNG bytes
// and a lock identifier from ObtenirVerrou; the typed code is checked by the service in the call
// that uses it. The wizard fetches a new code when shown and at each page change, creates the
// group when leaving the first page and the administrator at Finish; a wrong code costs a new
// picture. Service errors propagate to the caller (the application-wide error handler) after the
// model has taken its new code, so the wizard stays usable.
//
// Threads: main thread only.

#include <functional>
#include <string>

#include "service/CorvaneInscription.h"

namespace corvane::shell {

class TFrmInscriptionModel {
public:
  enum class Page { CreerGroupe = 0, CreerAdministrateur = 1 };

  explicit TFrmInscriptionModel(service::ICorvaneInscription& service) : service_(service) {}

  // Boxes of the first page.
  std::string Nom, Message, Email, Site, CodeGroupe;
  // Boxes of the second page.
  std::string Login, MotDePasse, CodeAdministrateur;

  Page PageActive() const { return page_; }
  // The picture of the active page (PNG bytes) and the lock identifier it belongs to.
  const service::TByteDynArray& Image() const { return image_; }
  const std::string& Verrou() const { return verrou_; }
  const std::string& GroupeID() const { return groupeId_; }
  // Raised after a new picture arrived.
  std::function<void()> OnImageChange;

  // The wizard is shown: a first code.
  void Afficher() { NouveauCode(); }
  // "Next": creates the group; on success the second page is active with a new code. The code box
  // is emptied whatever the outcome; on an error the first page stays with a new code and the
  // error is rethrown.
  void Suivant();
  // "Finish": creates the administrator; true means the wizard closes with OK. On an error a new
  // code is fetched and the error rethrown.
  bool Terminer();

private:
  void NouveauCode();

  service::ICorvaneInscription& service_;
  Page page_ = Page::CreerGroupe;
  service::TByteDynArray image_;
  std::string verrou_;
  std::string groupeId_;
};

class TFrmSaisieVerrouModel {
public:
  explicit TFrmSaisieVerrouModel(service::ICorvaneInscription& service) : service_(service) {}

  // The dialog is shown: a code with an empty lock identifier.
  void Afficher();
  const service::TByteDynArray& Image() const { return image_; }
  const std::string& Verrou() const { return verrou_; }
  std::string Code;  // the code box

private:
  service::ICorvaneInscription& service_;
  service::TByteDynArray image_;
  std::string verrou_;
};

}  // namespace corvane::shell
