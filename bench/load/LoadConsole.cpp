#include "LoadConsole.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <stdexcept>

#include "ServiceClock.h"
#include "calls/Authentification.h"
#include "service/CorvaneGroupeAgent.h"

namespace corvane::load {

namespace {

class FixedCredentials final : public calls::IFournisseurAuthentification {
public:
  bool Authentifier() override { return auth_ && auth_->EssayerConnexion("tech", "tech"); }
  void SetAuthentification(calls::ICorvaneAuthentification* a) override { auth_ = a; }
  bool GroupeCree() const override { return false; }

private:
  calls::ICorvaneAuthentification* auth_ = nullptr;
};

std::string Describe(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

service::TRemotableFiltre Around(int64_t nowMs, double daysBefore) {
  service::TRemotableFiltre f;
  f.DateDebutInclue = service::server::ServiceZoneTime(nowMs) - daysBefore;
  f.DateFinNonInclue = service::server::ServiceZoneTime(nowMs) + 2;
  f.IdentificationClient = service::TFiltreIdentificationClient::ficTous;
  f.RequeteClient = service::TFiltreRequeteClient::frcToutes;
  return f;
}

}  // namespace

// --- service ---------------------------------------------------------------------------------------

LoadService::LoadService(bool publishesAddress)
    : store(service::server::StoreOptions{":memory:", 0, {}, service::server::kQuickPasswordIterations}),
      demo(service::server::SeedDemo(store, service::server::SystemMilliseconds())),
      server(store, service::server::ServerOptions{"127.0.0.1", 0, "/scripts/ServiceCorvane.dll/", "", "", {}}) {
  service::TRemotableAgent tech;
  tech.GroupeID = demo.groupeId;
  tech.Login = "tech";
  tech.Nom = "Durand";
  tech.Prenom = "Alice";
  tech.EMail = "alice@demo.invalid";
  tech.AdresseIPAuto = publishesAddress;
  // A fixed call port, as an agent's record holds one: the listener opens on it again after the
  // agent went off-line.
  tech.Port = callPort.Port();
  tech.NiveauAdmin = 2;
  techId = store.SeedAgent(tech, "tech");
  server.start();
  root = server.rootUrl();
}

LoadService::~LoadService() { server.stop(); }

std::string LoadService::NewAssistance(const std::string& name) {
  return store.OpenHelpRequest(demo.groupeId, name, "customer@example.invalid", "", "Help needed", "127.0.0.1")
      .assistanceId;
}

std::string LoadService::Closing(const std::string& assistanceId) {
  const std::string session = store.LogIn("tech", "tech");
  for (const auto& a : store.ListeAssistances(session, Around(service::server::SystemMilliseconds(), 2)))
    if (a.AssistanceID == assistanceId) return a.Cloture;
  return "<none>";
}

size_t LoadService::AssistanceCount() {
  const std::string session = store.LogIn("tech", "tech");
  return store.ListeAssistances(session, Around(service::server::SystemMilliseconds(), 3650)).size();
}

// --- records -----------------------------------------------------------------------------------------

assistance::TFrmInstanceCorvaneAgentModel* SessionRecord::Model() const {
  if (closed || Destroyed()) return nullptr;
  return model;
}

bool SessionRecord::Reached(int state) const {
  return std::find(states.begin(), states.end(), state) != states.end();
}

// --- console -----------------------------------------------------------------------------------------

LoadConsole::LoadConsole(LoopDriver& driver, LoadService& service, ConsoleOptions options)
    : driver_(driver), service_(service), options_(std::move(options)) {
  const std::string root = options_.root.empty() ? service_.root : options_.root;
  agent_ = std::make_unique<calls::TCorvaneAgent>(driver_.Loop());
  agent_->SetRacineServeur(root);
  agent_->SetHoteEcoute("127.0.0.1");
  if (options_.agentProxy)
    agent_->SetProxies(options_.agentProxy, options_.groupProxy
                                                ? options_.groupProxy
                                                : std::make_shared<service::CorvaneGroupeAgentProxy>(root));
  if (!options_.publishAddress) agent_->RequeteAdresse = [](const std::string&) {};
  agent_->OnErreur = [this](std::exception_ptr e) { applicationErrors_.push_back(Describe(e)); };
  agent_->OnAvertissement = [this](const std::string& caption, const std::string&) {
    applicationWarnings_.push_back(caption);
  };
  agent_->OnFenetreAppelCreee = [this](calls::TFrmAppelClientModel& d) {
    auto record = std::make_unique<DialogRecord>();
    DialogRecord* r = record.get();
    r->dialog = &d;
    d.OnCacher = [r] { r->hidden = true; };
    d.OnDetruit = [r] { r->dialog = nullptr; };
    if (options_.autoAccept) d.Accepter();
    dialogs_.push_back(std::move(record));
  };
  assistance::InstallerFabriqueSessions(
      *agent_, driver_.Loop(),
      [this](assistance::TFrmInstanceCorvaneAgentModel& m) {
        auto record = std::make_unique<SessionRecord>();
        record->index = static_cast<int>(sessions_.size());
        record->model = &m;
        Follow(*record, m);
        sessions_.push_back(std::move(record));
      },
      "127.0.0.1");
  // The records learn when their window is destroyed through the controller's own reference.
  auto inner = agent_->FabriqueFenetreSession;
  agent_->FabriqueFenetreSession = [this, inner](calls::TCorvaneAgent& owner) {
    std::shared_ptr<calls::IFenetreSession> window = inner(owner);
    if (window && !sessions_.empty()) {
      sessions_.back()->window = window;
      sessions_.back()->windowSet = true;
    }
    return window;
  };

  FixedCredentials credentials;
  if (!agent_->Connecter(credentials))
    throw std::runtime_error("the console could not log in: " +
                             (applicationErrors_.empty() ? std::string() : applicationErrors_.back()));
  service::TRemotableAgent record = *agent_->InfosAgent();
  record.Ports = options_.ports;
  agent_->MettreAJourAgent(record);
  agent_->SetStatusAgent(service::TStatusAgent::saDisponible);
  Settle();
}

void LoadConsole::Settle() {
  auto answered = std::async(std::launch::async, [port = CallPort()] {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5);
    client.set_read_timeout(20);
    auto res = client.Get("/");
    return res && res->status == 200;
  });
  driver_.WaitFor([&] { return answered.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 30000);
  if (!answered.get()) throw std::runtime_error("the call listener does not answer");
}

LoadConsole::~LoadConsole() {
  try {
    agent_->Deconnecter();
  } catch (...) {
  }
  agent_.reset();
}

void LoadConsole::Follow(SessionRecord& r, assistance::TFrmInstanceCorvaneAgentModel& m) {
  m.OnEtatChange.Subscribe([&r](int state) {
    if (state != r.states.back()) r.states.push_back(state);
  });
  m.OnLigneChat.Subscribe([&r](const assistance::TFrmInstanceCorvaneAgentModel::LigneChat& line) {
    if (!line.deLAgent) r.customerChat.push_back(line.texte);
  });
  m.OnAfficher = [&r, &m] {
    r.shown = true;
    r.assistanceId = m.AssistanceID();
    r.port = m.Port();
  };
  m.OnFinImage.Subscribe([&r] {
    const auto now = Clock::now();
    if (r.frames++ == 0)
      r.firstFrame = now;
    else
      r.longestGap = std::max(r.longestGap, now - r.lastFrame);
    r.lastFrame = now;
  });
  m.OnErreur = [&r](const std::string& text) { r.errors.push_back(text); };
  m.OnAvertissement = [&r](const std::string& caption, const std::string&) { r.warnings.push_back(caption); };
  m.OnFermer = [&r] {
    r.closed = true;
    r.model = nullptr;
  };
  m.OnTransfertsInterrompus.Subscribe([&r] { r.transfersMarkedAborted = true; });
  // Each line of the transfers window is one transfer.
  auto progress = [this, &r](const assistance::TFrmTransfertProgressionModel& line) {
    auto it = r.activeTransfers.find(&line);
    size_t i;
    if (it == r.activeTransfers.end()) {
      i = r.transfers.size();
      r.transfers.emplace_back();
      r.activeTransfers[&line] = i;
    } else {
      i = it->second;
    }
    TransferRecord& t = r.transfers[i];
    t.outgoing = line.Direction() == session::ftdSend;
    t.fileName = line.FileName();
    if (!line.LocalFile().empty()) t.localFile = line.LocalFile();
    t.size = line.Size();
    t.transferred = line.Done();
    t.status = line.Etat();
    if (line.Termine() && !t.finished) {
      t.finished = true;
      t.cancelled = line.Etat() == session::ftsCancelled;
    }
    if (OnTransfer) OnTransfer(r, r.transfers[i]);
  };
  m.Transferts().OnLigneCreee.Subscribe(progress);
  m.Transferts().OnLigneModifiee.Subscribe(progress);
}

SessionRecord* LoadConsole::Shown(const std::string& assistanceId) const {
  for (const auto& r : sessions_)
    if (r->shown && r->assistanceId == assistanceId) return r.get();
  return nullptr;
}

int LoadConsole::LiveSessions() const {
  return static_cast<int>(std::count_if(sessions_.begin(), sessions_.end(), [](const auto& r) { return !r->Destroyed(); }));
}

// --- helpers -----------------------------------------------------------------------------------------

std::vector<std::string> CustomerArgs(int callPort, const std::string& assistanceId, const std::string& name,
                                      const std::string& receiveDir) {
  return {"--agent",        "127.0.0.1:" + std::to_string(callPort),
          "--assistance-id", assistanceId,
          "--name",          name,
          "--email",         "customer@example.invalid",
          "--description",   "Load test",
          "--screen",        "320x240",
          "--poll-interval", "100",
          "--close-wait",    "5",
          "--receive-dir",   receiveDir};
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteRandomFile(const std::string& path, size_t size, uint64_t seed) {
  std::mt19937_64 random(seed);
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; i += 8) {
    const uint64_t v = random();
    for (size_t k = 0; k < 8 && i + k < size; ++k) bytes[i + k] = static_cast<char>(v >> (8 * k));
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "corvane-load-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string ScratchFolder::Path(const std::string& name) const { return name.empty() ? path_ : path_ + "/" + name; }

}  // namespace corvane::load
