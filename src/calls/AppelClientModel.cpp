#include "calls/AppelClientModel.h"

#include <filesystem>
#include <system_error>

#include "base/Format.h"
#include "base/Translate.h"
#include "calls/TextHelpers.h"

namespace corvane::calls {

namespace {

constexpr std::string_view kSonAppel = "Appel.wav";

}  // namespace

std::string TFrmAppelClientModel::Caption() { return base::Tr("Calling"); }

TFrmAppelClientModel::TFrmAppelClientModel(base::MainLoop& loop, std::string programDirectory)
    : loop_(loop), programDirectory_(std::move(programDirectory)), timerOut_(loop, kPeriodeTimerOut) {
  timerOut_.onTimer = [this] { Tick(); };
  SetNbreAgents(0);
  Remplir(TInfosClient{});
}

TFrmAppelClientModel::~TFrmAppelClientModel() {
  timerOut_.stop();
  if (sonEnCours_ && OnArreterSon) OnArreterSon();
  if (OnDetruit) OnDetruit();
}

void TFrmAppelClientModel::Changed() {
  if (OnChange) OnChange();
}

void TFrmAppelClientModel::Remplir(const TInfosClient& client) {
  connu_ = client.TypeClient == 1;
  if (connu_) {
    texteTypeClient_ = base::Format(base::Tr("ID = %s"), {client.Identifiant});
    texteClient_ = Trim(base::Format("%s %s", {client.Prenom, client.Nom}));
  } else {
    texteTypeClient_ = base::Tr("Unknown client");
    texteClient_ = client.Nom;
  }
  // The label shows rich text: the caller's address must not be able to inject markup.
  const std::string email = EscapeHtml(client.EMail);
  lienEMail_ = base::Format("<a href=\"mailto:%s\">%s</a>", {email, email});
  adresse_ = client.AdresseIP;
  Changed();
}

void TFrmAppelClientModel::SetDescription(const std::string& description) {
  description_ = description;
  Changed();
}

void TFrmAppelClientModel::SetNbreAgents(int count) {
  nbreAgents_ = count;
  alerteNbreAgents_ = count == 1;
  if (count <= 0)
    texteNbreAgents_ = base::Tr("An outdated client software is calling...");
  else if (count == 1)
    texteNbreAgents_ = base::Tr("You are the only agent able to respond");
  else
    texteNbreAgents_ = base::Format(base::Tr("There are %d contacted agents"), {count});
  Changed();
}

void TFrmAppelClientModel::Afficher() {
  const std::filesystem::path son = std::filesystem::path(programDirectory_) / kSonAppel;
  std::error_code ec;
  if (!programDirectory_.empty() && std::filesystem::is_regular_file(son, ec)) {
    sonEnCours_ = true;
    if (OnJouerSon) OnJouerSon(son.string());
  }
  timerOut_.start();
  derniereInterrogation_ = loop_.tickCount();
  lampeBleue_ = false;
  visible_ = true;
  if (OnAfficher) OnAfficher();
  Changed();
}

void TFrmAppelClientModel::SignalerInterrogation() {
  derniereInterrogation_ = loop_.tickCount();
  if (OnFlash) OnFlash(kFlashFois, kFlashPeriode);
}

void TFrmAppelClientModel::Accepter() {
  reponse_ = Acceptee;
  Changed();
}

void TFrmAppelClientModel::Refuser() {
  reponse_ = Refusee;
  Changed();
}

void TFrmAppelClientModel::Fermer() {
  if (!visible_) {
    if (OnLiberer) OnLiberer(*this);  // may destroy this object later, never now
    return;
  }
  visible_ = false;
  reponse_ = Refusee;
  if (sonEnCours_) {
    sonEnCours_ = false;
    if (OnArreterSon) OnArreterSon();
  }
  if (OnCacher) OnCacher();
  Changed();
}

void TFrmAppelClientModel::Tick() {
  const bool silence =
      static_cast<uint32_t>(loop_.tickCount() - derniereInterrogation_) > kDelaiSansInterrogation;
  if (visible_) {
    lampeBleue_ = !lampeBleue_;
    Changed();
    if (silence) Fermer();
  }
  // Hidden, the dialog only watches for its caller: one that stayed silent this long is gone.
  if (!visible_ && silence) {
    timerOut_.stop();
    if (OnAbandon) OnAbandon(*this);
  }
}

}  // namespace corvane::calls
