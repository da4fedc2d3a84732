#include "DemoRun.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "DemoError.h"
#include "base/Translate.h"
#include "session/ThreadSafeClipboard.h"
#include "shell/AuthentificationLigneCommande.h"
#include "shell/CatalogueTranslator.h"
#include "shell/ErrorMapping.h"
#include "shell/LigneCommande.h"

namespace corvane::demo {

namespace fs = std::filesystem;
using service::TStatusAgent;

namespace {

constexpr int kStopGraceMs = 5000;
constexpr std::string_view kListeningPrefix = "corvane-service: listening on ";

std::string StatusName(TStatusAgent status) {
  switch (status) {
    case TStatusAgent::saDeconnecte: return "disconnected";
    case TStatusAgent::saOccupe: return "busy";
    case TStatusAgent::saDisponible: return "available";
  }
  return "?";
}

// The value of "key=" in a service log line, up to the next blank.
std::string LogField(const std::string& line, const std::string& key) {
  const size_t at = line.find(" " + key + "=");
  if (at == std::string::npos) return {};
  const size_t start = at + key.size() + 2;
  return line.substr(start, line.find(' ', start) - start);
}

// A request line of the service shortened to what it did; other lines as they are.
std::string ShortServiceLine(const std::string& line) {
  const std::string op = LogField(line, "op");
  if (op.empty()) return line;
  std::string text = op;
  const std::string agent = LogField(line, "agent");
  if (!agent.empty() && agent != "-") text += " (" + agent + ")";
  return text + " -> " + LogField(line, "outcome");
}

// A port of the loopback interface that nothing listens on now.
int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw DemoError("socket() failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  ::close(fd);
  if (port == 0) throw DemoError("No free port on the loopback interface");
  return port;
}

fs::path MakeTemporaryFolder() {
  std::string pattern = (fs::temp_directory_path() / "corvane-demo-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw DemoError("Cannot create a temporary folder");
  return pattern;
}

}  // namespace

DemoRun::DemoRun(DemoOptions options, Narrative& narrative, std::function<bool()> interrupted)
    : options_(std::move(options)), say_(narrative), interrupted_(std::move(interrupted)) {}

DemoRun::~DemoRun() {
  // Whatever happened, nothing outlives the demo: the console first (its sessions hold
  // connections to the customer), then the programs.
  agent_.reset();
  session::TThreadSafeClipboard::Instance().SetSystemClipboard(nullptr);
  customer_.reset();
  service_.reset();
  if (!temp_.empty() && !options_.keepTemporary) {
    std::error_code ec;
    fs::remove_all(temp_, ec);
  }
}

int DemoRun::Run() {
  say_.Title("Corvane Agent: the whole product on this machine, without windows");
  bool orderly = true;
  try {
    for (void (DemoRun::*step)() : {&DemoRun::StartService, &DemoRun::StartConsole, &DemoRun::CustomerCalls,
                                    &DemoRun::RunSession, &DemoRun::CloseSession, &DemoRun::ShowHistory}) {
      (this->*step)();
      Drain();
      if (interrupted_()) throw StepFailed("interrupted");
    }
  } catch (const StepFailed&) {
    orderly = false;
  } catch (const std::exception& e) {
    say_.Failure(std::string("unexpected error: ") + e.what());
    orderly = false;
  }
  if (!orderly) say_.Say("The story stops here; everything started is stopped.");
  try {
    Shutdown(orderly);
  } catch (const std::exception& e) {
    say_.Failure(std::string("while stopping: ") + e.what());
  }
  if (orderly) {
    try {
      ShowTranslations();
    } catch (const std::exception& e) {
      say_.Failure(std::string("translations: ") + e.what());
    }
  }
  if (interrupted_()) say_.Failure("the demo was interrupted");
  return say_.Summary();
}

// --- waiting -------------------------------------------------------------------------------------

bool DemoRun::WaitFor(const std::function<bool()>& done, uint32_t timeoutMs) {
  const bool held = loop_.runUntil(
      [&] {
        Drain();
        return interrupted_() || done();
      },
      static_cast<int>(timeoutMs));
  return held && !interrupted_();
}

void DemoRun::Await(const std::function<bool()>& done, const std::string& what) {
  if (WaitFor(done, options_.stepTimeoutMs)) {
    say_.Check(true, what);
    return;
  }
  say_.Check(false, what,
             interrupted_() ? "interrupted"
                            : "not seen within " + std::to_string(options_.stepTimeoutMs / 1000) + " s");
  throw StepFailed(what);
}

void DemoRun::Require(bool ok, const std::string& what, const std::string& whyNot) {
  if (!say_.Check(ok, what, whyNot)) throw StepFailed(what);
}

void DemoRun::Pause(uint32_t ms) { WaitFor([] { return false; }, ms); }

void DemoRun::Drain() {
  if (service_) {
    for (std::string& line : service_->TakeLines()) {
      say_.Peer("service", options_.verbose ? line : ShortServiceLine(line));
      serviceLog_.push_back(std::move(line));
    }
  }
  if (customer_) {
    for (std::string& line : customer_->TakeLines()) {
      say_.Peer("customer", line);
      customerLog_.push_back(std::move(line));
    }
  }
}

bool DemoRun::CustomerSaid(const std::string& line) const {
  return std::find(customerLog_.begin(), customerLog_.end(), line) != customerLog_.end();
}

bool DemoRun::CustomerSaidPrefix(const std::string& prefix) const { return CustomerLine(prefix).has_value(); }

std::optional<std::string> DemoRun::CustomerLine(const std::string& prefix) const {
  for (const std::string& line : customerLog_)
    if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
  return std::nullopt;
}

bool DemoRun::ServiceLogged(const std::string& operation, size_t from) const {
  for (size_t i = from; i < serviceLog_.size(); ++i)
    if (LogField(serviceLog_[i], "op") == operation && LogField(serviceLog_[i], "outcome") == "ok") return true;
  return false;
}

// --- [1] the reference web service ---------------------------------------------------------------

void DemoRun::StartService() {
  say_.Step("The reference web service");
  output_ = fs::absolute(options_.outputDir);
  fs::create_directories(output_);
  for (const char* folder : {"received-by-agent", "received-by-customer"}) fs::remove_all(output_ / folder);
  temp_ = MakeTemporaryFolder();
  say_.Say("temporary folder: " + temp_.string());

  const std::string database = (temp_ / "corvane-service.db").string();
  // The database is thrown away with the temporary folder and holds only the well-known demo
  // accounts: their password hashes need not cost the real work factor, which would make the
  // seeding and the log-in steps take seconds on a busy machine.
  service_ = std::make_unique<ChildProcess>(
      loop_, std::vector<std::string>{options_.serviceProgram, "--demo", "--listen", "127.0.0.1:0", "--db",
                                      database, "--pbkdf2-iterations", "1000"});
  say_.Say("started " + options_.serviceProgram + " --demo (pid " + std::to_string(service_->Pid()) + ")");
  Await(
      [&] {
        for (const std::string& line : serviceLog_)
          if (line.rfind(kListeningPrefix, 0) == 0) root_ = line.substr(kListeningPrefix.size());
        return !root_.empty() || service_->Exited();
      },
      "the service listens on a free loopback port");
  Require(!service_->Exited(), "the service is running", "it ended with status " + std::to_string(service_->ExitStatus().value_or(-1)));
  const bool seeded = std::any_of(serviceLog_.begin(), serviceLog_.end(),
                                  [](const std::string& l) { return l.rfind("demo: group", 0) == 0; });
  say_.Check(seeded, "demo data seeded in " + database);
  say_.Say("service root: " + root_);
}

// --- [2] the console starts ----------------------------------------------------------------------

void DemoRun::StartConsole() {
  say_.Step("The console starts: configuration, command line, log-in, status");
  const fs::path consoleFolder = temp_ / "console";
  fs::create_directories(consoleFolder);
  {
    // As the installer of a site would: the service root in the console's configuration file.
    shell::ConfigurationStore installer(consoleFolder.string(), consoleFolder.string());
    shell::ReglagesFrmPrincipale r;
    r.RacineServeur = root_;
    shell::EcrireReglagesFrmPrincipale(installer, r);
    say_.Say("configuration written: " + installer.Save());
  }
  configuration_ = std::make_unique<shell::ConfigurationStore>(consoleFolder.string(), consoleFolder.string());
  reglages_ = shell::LireReglagesFrmPrincipale(*configuration_);
  Require(reglages_.RacineEffective() == root_, "the console reads its service root from " + configuration_->loadedFrom(),
          "it found " + reglages_.RacineEffective());

  auto translator = shell::TraducteurCourant();
  const std::string language = translator ? translator->language() : std::string();
  const std::string source = translator ? translator->catalogueSource(base::kDomaineCorvane) : std::string();
  say_.Say("language: " + (language.empty() ? std::string("none set") : language) + ", texts " +
           (source.empty() ? std::string("in English") : "from " + source));

  // The command line a site would start the console with to log in unattended.
  const std::vector<std::string> commandLine = {"-login", "agent", "-pwd", "agent", "-status", "2"};
  const shell::TInfosLigneCommande infos = shell::ParseLigneCommande(commandLine);
  say_.Say("console command line: -login agent -pwd ***** -status 2");

  clipboard_ = std::make_shared<session::InMemoryClipboard>(loop_);
  session::TThreadSafeClipboard::Instance().SetSystemClipboard(clipboard_);
  agent_ = std::make_unique<calls::TCorvaneAgent>(loop_);
  agent_->SetRacineServeur(reglages_.RacineEffective());
  agent_->SetIntervalRafraichissementStatus(static_cast<int>(reglages_.IntervalRafraichissementStatus));
  agent_->SetHoteEcoute("127.0.0.1");
  agent_->OnErreur = [this](std::exception_ptr e) { ErrorBox(e); };
  agent_->OnAvertissement = [this](const std::string& caption, const std::string& text) {
    say_.Failure("warning box \"" + caption + "\": " + text);
  };
  agent_->OnStatusAgentChange = [this] { say_.Say("console status: " + StatusName(agent_->StatusAgent())); };
  agent_->OnHistoriqueChanged = [this] { historyChanged_ = true; };
  agent_->OnFenetreAppelCreee = [this](calls::TFrmAppelClientModel& d) { HookDialog(d); };
  assistance::InstallerFabriqueSessions(
      *agent_, loop_, [this](assistance::TFrmInstanceCorvaneAgentModel& m) { HookSession(m); }, "127.0.0.1");
  // The demo keeps a weak reference to each session model the controller owns.
  auto factory = agent_->FabriqueFenetreSession;
  agent_->FabriqueFenetreSession = [this, factory](calls::TCorvaneAgent& owner) {
    std::shared_ptr<calls::IFenetreSession> window = factory(owner);
    session_ = std::dynamic_pointer_cast<assistance::TFrmInstanceCorvaneAgentModel>(window);
    return window;
  };

  shell::TAuthentificationLigneCommande credentials(infos);
  Require(agent_->Connecter(credentials), "logged in as \"" + infos.Login + "\"");
  const service::TRemotableAgent& me = *agent_->InfosAgent();
  const service::TRemotableGroupeAgent* group = agent_->InfosGroupe();
  say_.Say("agent " + me.Prenom + " " + me.Nom + " (id " + me.AgentID + "), group \"" +
           (group ? group->Nom : std::string("?")) + "\" (id " + me.GroupeID + ")");

  // The demo data give the agent the call port 8200; on a shared machine it may be taken, so
  // the profile is saved with free ports first, as the agent would in the profile window.
  callPort_ = FreeLoopbackPort();
  service::TRemotableAgent& profile = *agent_->InfosAgentModifiable();
  const int stored = profile.Port;
  profile.Port = callPort_;
  const int first = std::min(callPort_ + 1, 65525);
  profile.Ports = std::to_string(first) + "-" + std::to_string(first + 10);
  agent_->EnregistrerAgent();
  say_.Say("profile saved: call port " + std::to_string(stored) + " -> " + std::to_string(callPort_) +
           ", assistance ports " + profile.Ports);

  const size_t logMark = serviceLog_.size();
  agent_->SetStatusAgent(static_cast<TStatusAgent>(infos.Status));
  Require(agent_->StatusAgent() == TStatusAgent::saDisponible, "status set from the command line: available");
  Require(agent_->PortEcoute() == callPort_, "the call listener listens on 127.0.0.1:" + std::to_string(callPort_),
          "it listens on " + std::to_string(agent_->PortEcoute()));
  Await([&] { return ServiceLogged("UpdateIP", logMark); },
        "the console published its address (UpdateIP); the service tells customers where it is");
}

// --- [7] shutdown --------------------------------------------------------------------------------

void DemoRun::Shutdown(bool orderly) {
  say_.Step(orderly ? "Log out and stop" : "Stopping everything");
  Drain();
  if (agent_) {
    try {
      if (!orderly) agent_->FermerSessions();
      const size_t logMark = serviceLog_.size();
      agent_->Deconnecter();
      if (orderly) {
        say_.Check(!agent_->Connecte() && agent_->StatusAgent() == TStatusAgent::saDeconnecte &&
                       agent_->PortEcoute() == 0,
                   "logged out: status disconnected, call listener closed");
        say_.Check(WaitFor([&] { return ServiceLogged("ICorvaneAgent.LogOut", logMark); }, options_.stepTimeoutMs),
                   "the service closed the agent's session");
      }
    } catch (const std::exception& e) {
      say_.Failure(std::string("log-out: ") + e.what());
    }
    if (configuration_) {
      try {
        shell::EcrireReglagesFrmPrincipale(*configuration_, reglages_);
        const std::string written = configuration_->Save();
        if (orderly) say_.Say("configuration saved at exit: " + written);
      } catch (const std::exception& e) {
        say_.Failure(std::string("configuration: ") + e.what());
      }
    }
    agent_.reset();
  }
  session::TThreadSafeClipboard::Instance().SetSystemClipboard(nullptr);
  if (customer_) {
    const bool ended = customer_->Exited();
    if (!ended) customer_->Stop(kStopGraceMs);
    if (orderly) say_.Check(ended, "the customer program had ended by itself");
  }
  if (service_) {
    const bool byItself = service_->Stop(kStopGraceMs);
    Drain();
    if (orderly)
      say_.Check(byItself && service_->ExitStatus() == 0, "the service stopped cleanly on SIGTERM",
                 "exit status " + std::to_string(service_->ExitStatus().value_or(-1)));
  }
  const bool allEnded = (!customer_ || customer_->Exited()) && (!service_ || service_->Exited());
  say_.Check(allEnded, "no process of the demo is left");
  if (!temp_.empty()) {
    if (options_.keepTemporary) {
      say_.Say("temporary folder kept: " + temp_.string());
    } else {
      std::error_code ec;
      fs::remove_all(temp_, ec);
      if (orderly) say_.Check(!ec && !fs::exists(temp_), "temporary folder removed");
      temp_.clear();
    }
  }
  if (orderly) say_.Say("outputs are in " + output_.string());
}

// --- the console's events ------------------------------------------------------------------------

void DemoRun::ErrorBox(std::exception_ptr error) {
  shell::ErrorContext context;
  context.racineServeur = root_;
  context.portNegociation = callPort_;
  const shell::ErrorReaction reaction = shell::MapError(shell::DescribeError(error), context);
  say_.Failure("error box: " + (reaction.text.empty() ? shell::DescribeError(error).message : reaction.text));
}

void DemoRun::HookDialog(calls::TFrmAppelClientModel& dialog) {
  dialog_ = &dialog;
  dialog.OnAfficher = [this] { dialogShown_ = true; };
  dialog.OnDetruit = [this, &dialog] {
    if (dialog_ == &dialog) dialog_ = nullptr;
  };
}

void DemoRun::HookSession(assistance::TFrmInstanceCorvaneAgentModel& model) {
  lastEtat_ = -1;
  sessionClosed_ = false;
  screen_.Attach(model);
  // Files from the customer are written under the temporary folder, then moved to the output.
  const std::string incoming = (temp_ / "agent-incoming").string();
  fs::create_directories(incoming);
  model.Racine().ForEachComponent([&](session::TComponent& c) {
    if (auto* manager = dynamic_cast<session::TOLAServerFileTransfertManager*>(&c)) manager->TempFolder = incoming;
  });
  model.OnFinImage.Subscribe([this] { ++frames_; });
  model.OnEtatChange.Subscribe([this](int) { SessionChanged(); });
  model.OnErreur = [this](const std::string& text) { say_.Failure("error box: " + text); };
  model.OnAvertissement = [this](const std::string& caption, const std::string& text) {
    say_.Failure("warning box \"" + caption + "\": " + text);
  };
  model.OnFermer = [this] {
    sessionClosed_ = true;
    say_.Say("session window closed");
  };
  // What the transfers window's lines show, as the progress record the narrative reads.
  auto progress = [this](const assistance::TFrmTransfertProgressionModel& line) {
    session::TOLAFileTransfertProgressInfos infos;
    infos.Direction = line.Direction();
    infos.FileName = line.FileName();
    infos.LocalFileName = line.LocalFile();
    infos.Status = line.Etat();
    infos.Transferred = line.Done();
    TransferProgress(infos);
  };
  model.Transferts().OnLigneCreee.Subscribe(progress);
  model.Transferts().OnLigneModifiee.Subscribe(progress);
}

void DemoRun::SessionChanged() {
  auto model = Session();
  if (!model) return;
  const int etat = model->EtatConnexion();
  if (etat == lastEtat_) return;
  lastEtat_ = etat;
  const std::string banner = model->BanniereVisible() ? model->TexteBanniere() : std::string("(no banner: running)");
  say_.Say("session window: state " + std::to_string(etat) + ", " + banner);
}

}  // namespace corvane::demo
