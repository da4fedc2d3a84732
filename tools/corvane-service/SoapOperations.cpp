#include "SoapOperations.h"

#include <functional>
#include <map>

#include "RequestLog.h"
#include "service/RemotableFaults.h"
#include "service/SoapReader.h"
#include "service/SoapWriter.h"

namespace corvane::service::server {
namespace {

// One decoded request: reads parameters by name from the operation element.
struct Request {
  const SoapReader& reader;
  const xmlNode* op;
  const std::string& peer;  // the caller's address
  std::string text(std::string_view name) const { return reader.readString(SoapReader::child(op, name)); }
  template <class R>
  R record(std::string_view name) const {
    R r;
    reader.readRecord(SoapReader::child(op, name), r);
    return r;
  }
};

using Operation = std::function<void(ServiceStore&, const Request&, SoapWriter&)>;
using OperationTable = std::map<std::string, Operation, std::less<>>;

const OperationTable& AgentOperations() {
  static const OperationTable table = {
      {"LogIn", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         w.addString("return", s.LogIn(r.text("User"), r.text("Password"), r.peer));
       }},
      {"ChangePassword", [](ServiceStore& s, const Request& r, SoapWriter&) {
         s.ChangePassword(r.text("Session"), r.text("AgentId"), r.text("CurrentPassword"),
                          r.text("NewPassword"));
       }},
      {"LogOut", [](ServiceStore& s, const Request& r, SoapWriter&) { s.LogOut(r.text("Session")); }},
      {"ModifierStatus", [](ServiceStore& s, const Request& r, SoapWriter&) {
         s.ModifierStatus(r.text("Session"),
                          r.reader.readEnum<TStatusAgent>(SoapReader::child(r.op, "NouveauStatus")));
       }},
      {"ModifierPhoto", [](ServiceStore& s, const Request& r, SoapWriter&) {
         s.ModifierPhoto(r.text("Session"), r.reader.readBytes(SoapReader::child(r.op, "Photo")));
       }},
      {"ObtenirPhoto", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         w.addBytes("return", s.ObtenirPhoto(r.text("Session"), r.text("AgentId")));
       }},
      {"ObtenirAgent", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         auto agent = std::make_shared<TRemotableAgent>(s.ObtenirAgent(r.text("Session"), r.text("AgentId")));
         w.addRecord("return", *agent);
         w.keepAlive(agent);
       }},
      {"MettreAJourAgent", [](ServiceStore& s, const Request& r, SoapWriter&) {
         s.MettreAJourAgent(r.text("Session"), r.record<TRemotableAgent>("Agent"));
       }},
      {"ListeAssistances", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         auto list = std::make_shared<TRemotableAssistances>(
             s.ListeAssistances(r.text("Session"), r.record<TRemotableFiltre>("Filtre")));
         w.addArray("return", *list);
         w.keepAlive(list);
       }},
      {"AjouterUnAgent", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         w.addString("return", s.AjouterUnAgent(r.text("Session"), r.record<TRemotableAgent>("Agent")));
       }},
      {"ListeAgents", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         auto list = std::make_shared<TRemotableAgents>(s.ListeAgents(r.text("Session")));
         w.addArray("return", *list);
         w.keepAlive(list);
       }},
      {"SupprimerUnAgent", [](ServiceStore& s, const Request& r, SoapWriter&) {
         s.SupprimerUnAgent(r.text("Session"), r.text("AgentID"));
       }},
      {"CloturerAssistance", [](ServiceStore& s, const Request& r, SoapWriter&) {
         s.CloturerAssistance(r.text("Session"), r.record<TRemotableClotureAssistance>("Cloture"));
       }},
      {"AjouterUnClient", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         w.addString("return", s.AjouterUnClient(r.text("Session"), r.record<TRemotableClient>("Client")));
       }},
      {"ObtenirClient", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         auto client = std::make_shared<TRemotableClient>(s.ObtenirClient(r.text("Session"), r.text("ClientId")));
         w.addRecord("return", *client);
         w.keepAlive(client);
       }},
      {"ObtenirClientParIdentifiant", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         auto client = std::make_shared<TRemotableClient>(s.ObtenirClientParIdentifiant(
             r.text("Session"), r.text("GroupeID"), r.text("Identifiant")));
         w.addRecord("return", *client);
         w.keepAlive(client);
       }},
      {"MettreAJourClient", [](ServiceStore& s, const Request& r, SoapWriter&) {
         s.MettreAJourClient(r.text("Session"), r.record<TRemotableClient>("Client"));
       }},
      {"SupprimerUnClient", [](ServiceStore& s, const Request& r, SoapWriter&) {
         s.SupprimerUnClient(r.text("Session"), r.text("ClientID"));
       }},
      {"ListeClients", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         auto list = std::make_shared<TRemotableClients>(s.ListeClients(r.text("Session")));
         w.addArray("return", *list);
         w.keepAlive(list);
       }},
  };
  return table;
}

const OperationTable& GroupOperations() {
  static const OperationTable table = {
      {"CreerGroupe", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         auto groupe = std::make_shared<TRemotableGroupeAgent>(r.record<TRemotableGroupeAgent>("Groupe"));
         s.CreerGroupe(r.text("Session"), *groupe);
         w.addRecord("Groupe", *groupe);
         w.keepAlive(groupe);
       }},
      {"ModifierGroupe", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         auto groupe = std::make_shared<TRemotableGroupeAgent>(r.record<TRemotableGroupeAgent>("Groupe"));
         s.ModifierGroupe(r.text("Session"), *groupe);
         w.addRecord("Groupe", *groupe);
         w.keepAlive(groupe);
       }},
      {"SupprimerGroupe", [](ServiceStore& s, const Request& r, SoapWriter&) {
         s.SupprimerGroupe(r.text("Session"), r.text("GroupeID"));
       }},
      {"ObtenirGroupe", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         auto groupe = std::make_shared<TRemotableGroupeAgent>(s.ObtenirGroupe(r.text("Session"), r.text("GroupeID")));
         w.addRecord("return", *groupe);
         w.keepAlive(groupe);
       }},
      {"ListeGroupes", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         auto list = std::make_shared<TRemotableGroupesAgent>(s.ListeGroupes(r.text("Session")));
         w.addArray("return", *list);
         w.keepAlive(list);
       }},
  };
  return table;
}

const OperationTable& InscriptionOperations() {
  static const OperationTable table = {
      {"ObtenirVerrou", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         std::string code;
         std::string id = s.NewChallenge(r.text("ID"), code);
         w.addBytes("return", DrawCodePng(code));
         w.addString("ID", id);
       }},
      {"CreerGroupe", [](ServiceStore& s, const Request& r, SoapWriter& w) {
         w.addString("return", s.CreerGroupeInscription(r.text("ID"), r.text("Verrou"),
                                                        r.record<TRemotableInfosGroupe>("InfosGroupe")));
       }},
      {"CreerSuperAgent", [](ServiceStore& s, const Request& r, SoapWriter&) {
         s.CreerSuperAgent(r.text("ID"), r.text("Verrou"), r.record<TRemotableInfosAgent>("InfosAgent"));
       }},
  };
  return table;
}

const OperationTable& TableOf(const InterfaceInfo& iface) {
  if (iface.name == kICorvaneGroupeAgent.name) return GroupOperations();
  if (iface.name == kICorvaneInscription.name) return InscriptionOperations();
  return AgentOperations();
}

const char* const kInternalErrorText = "Internal error of the service";

SoapOutcome FaultOutcome(std::string_view code, const ERemotableException& error) {
  RequestLog& log = CurrentRequestLog();
  log.outcome = "fault " + (error.typeName().empty() ? std::string("(generic) ") + error.message()
                                                     : std::string(error.typeName()));
  return {500, SoapWriter::Fault(code, error)};
}

}  // namespace

SoapOutcome HandleSoapRequest(ServiceStore& store, const InterfaceInfo& iface, std::string_view body,
                              const std::string& peer) {
  RequestLog& log = CurrentRequestLog();
  log.operation = std::string(iface.name);
  try {
    SoapReader reader(body);
    const xmlNode* op = reader.mainElement();
    std::string name(SoapReader::localName(op));
    log.operation += "." + name;
    const OperationTable& table = TableOf(iface);
    auto it = table.find(name);
    if (it == table.end() || SoapReader::namespaceUri(op) != iface.operationNs)
      return FaultOutcome("SOAP-ENV:Client",
                          ERemotableException("Unknown operation " + name + " of " + std::string(iface.name)));
    SoapWriter writer(iface.operationNs, name + "Response");
    it->second(store, Request{reader, op, peer}, writer);
    log.outcome = "ok";
    return {200, writer.finish()};
  } catch (const ERemotableException& e) {
    return FaultOutcome("SOAP-ENV:Server", e);
  } catch (const EStoreError& e) {
    // Database texts are for the log only; the caller learns that the service failed.
    log.detail = e.message();
    return FaultOutcome("SOAP-ENV:Server", ERemotableException(kInternalErrorText));
  } catch (const ENotWellFormedAnswer&) {
    return FaultOutcome("SOAP-ENV:Client", ERemotableException("The request is not well-formed XML."));
  } catch (const EServiceError& e) {
    // Not well-formed, not SOAP, or a value of the wrong type: the caller's fault.
    return FaultOutcome("SOAP-ENV:Client", ERemotableException(e.message()));
  } catch (const std::exception& e) {
    log.detail = e.what();
    return FaultOutcome("SOAP-ENV:Server", ERemotableException(kInternalErrorText));
  }
}

}  // namespace corvane::service::server
