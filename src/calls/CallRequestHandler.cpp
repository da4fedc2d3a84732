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

// The caller's answer to work refused while the listener stops, whatever the action.
ListenerAnswer Refus() {
  ListenerAnswer answer;
  answer.headers.emplace_back(kHeaderReponse, "NOK");
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
    // Full: contexts without pending action are dropped first (not while the listener stops).
    bool arret = false;
    if (!loop.invoke([&] {
          arret = agent.Ecouteur().Stopping();
          if (!arret) contextes.Purger();
        }))
      return Texte(503, "The agent program is ending.");
    if (arret) return Refus();
    held = contextes.Acquerir(r.AssistanceID, store);
    if (!held) return Texte(503, "Too many calls in progress.");
  }
  if (!connue) return ListenerAnswer{};
  TContexteAppel& contexte = *held->contexte;
  try {
    const bool fin = r.Action == TContexteAppel::DebutSession || r.Action == TContexteAppel::FinAppel;
    bool refusee = false;
    // One hand-over: the purge (and the history delayer) follow the processing directly.
    const bool ran = loop.invoke([&] {
      // The listener is stopping (log-out, or a status change to disconnected) while this work
      // waited: nothing of the call runs any more, neither a new dialog nor a session shown in
      // the middle of the log-out. The call ends refused and its context is purged later.
      if (agent.Ecouteur().Stopping()) {
        refusee = true;
        contexte.Demande.Etat = TInfosDemande::Refusee;
        contexte.Action = TContexteAppel::AucuneAction;
        return;
      }
      contexte.Traiter();
      if (!fin) return;
      contextes.Purger();
      if (r.Action == TContexteAppel::FinAppel) agent.RelancerRetardateurHistorique();
    });
    if (!ran) return Texte(503, "The agent program is ending.");
    if (refusee) return Refus();
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
