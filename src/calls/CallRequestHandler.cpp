#include "calls/CallRequestHandler.h"

#include "calls/CallsError.h"
#include "calls/ContextesAppel.h"
#include "calls/CorvaneAgent.h"
#include "calls/InformationPage.h"
#include "service/RemotableFaults.h"

namespace corvane::calls {

namespace {

ListenerAnswer Texte(int status, std::string body) {
  return ListenerAnswer{status, {}, std::move(body), "text/plain"};
}

ListenerAnswer EnTetesReponse(const TInfosDemande& demande) {
  ListenerAnswer answer;
  if (demande.Etat == TInfosDemande::Acceptee) {
    answer.headers.emplace_back(kHeaderReponse, "OK");
    answer.headers.emplace_back(kHeaderPort, std::to_string(demande.Port));
  } else if (demande.Etat == TInfosDemande::Refusee) {
    answer.headers.emplace_back(kHeaderReponse, "NOK");
  }
  return answer;
}

}  // namespace

ListenerAnswer RepondreRequete(TCorvaneAgent& agent, const ListenerRequest& request) {
  const auto userAgent = request.header("User-Agent");
  if (!userAgent || *userAgent != kUserAgentCorvaneClient) {
    const TCorvaneAgent::Informations infos = agent.LireInformations();
    const std::string page = BuildInformationPage(infos.agent.get(), infos.groupe.get(),
                                                  StyleSheetUrl(infos.racineServeur));
    return ListenerAnswer{200, {}, ToLatin1WithReferences(page), kInformationPageContentType};
  }
  CallRequest call;
  try {
    call = ParseCallRequest(request.header);
  } catch (const ECallRequestRejected& e) {
    return Texte(400, e.what());
  }
  return TraiterRequeteAppel(agent, call, request.peerAddress);
}

ListenerAnswer TraiterRequeteAppel(TCorvaneAgent& agent, const CallRequest& r,
                                   const std::string& peerAddress) {
  base::MainLoop& loop = agent.Loop();
  TContextesAppel& contextes = agent.Contextes();
  // An unknown action finds or creates the context but stores nothing: a context created that way
  // keeps Action 0 and can be purged, and a running call is not disturbed.
  const bool connue = r.Action >= TContexteAppel::NouvelAppel && r.Action <= TContexteAppel::FinAppel;
  auto store = [&](TContexteAppel& c) {
    if (!connue) return;
    c.Action = static_cast<uint8_t>(r.Action);
    c.NbreAgents = r.AgentCount;
    if (r.Action == TContexteAppel::NouvelAppel) {
      c.Demande.AssistanceID = r.AssistanceID;
      c.Demande.ClientNom = r.ClientNom;
      c.Demande.ClientEMail = r.ClientEMail;
      c.Demande.ClientID = r.ClientID;
      c.Demande.AdresseIP = peerAddress;
      c.Demande.Description = r.Description;
      c.Demande.TypeClient = r.TypeClient;
      c.Agent = &agent;
    }
  };
  auto held = contextes.Acquerir(r.AssistanceID, store);
  if (!held) {
    // Full: contexts without pending action are dropped first.
    if (!loop.invoke([&] { contextes.Purger(); })) return Texte(503, "The agent program is ending.");
    held = contextes.Acquerir(r.AssistanceID, store);
    if (!held) return Texte(503, "Too many calls in progress.");
  }
  if (!connue) return ListenerAnswer{};
  TContexteAppel& contexte = *held->contexte;
  try {
    const bool fin = r.Action == TContexteAppel::DebutSession || r.Action == TContexteAppel::FinAppel;
    // One hand-over: the purge (and the history delayer) follow the processing directly.
    const bool ran = loop.invoke([&] {
      contexte.Traiter();
      if (!fin) return;
      contextes.Purger();
      if (r.Action == TContexteAppel::FinAppel) agent.RelancerRetardateurHistorique();
    });
    if (!ran) return Texte(503, "The agent program is ending.");
    if (fin) return ListenerAnswer{};
  } catch (const service::ERemotableInvalideSession&) {
    loop.invoke([&] {
      agent.ArreterRafraichissement();
      contexte.Demande.Etat = TInfosDemande::Refusee;
    });
    agent.SignalerAppelSessionInvalide();
    return EnTetesReponse(contexte.Demande);
  }
  return EnTetesReponse(contexte.Demande);
}

}  // namespace corvane::calls
