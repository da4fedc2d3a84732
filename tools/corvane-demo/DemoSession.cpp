// The call, the session and its closing: steps 3 to 5 of the demo.

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "DemoError.h"
#include "DemoRun.h"
#include "session/InputChannel.h"
#include "session/ScreenOptions.h"

namespace corvane::demo {

namespace fs = std::filesystem;
using service::TStatusAgent;

namespace {

constexpr const char* kCustomerId = "C003";  // Sophie Moreau in the demo data
constexpr const char* kCustomerName = "Sophie Moreau";
constexpr const char* kHello = "Hello, I need some help with my printer.";
constexpr const char* kAgentChat = "Hello Sophie, I can see your screen. Let me look at the printer settings.";
constexpr const char* kCustomerReply = "Yes, I can see the pointer moving. Thank you!";
constexpr const char* kCustomerClipboard = "Printer model LX-2000, serial 4471-B";
constexpr const char* kAgentClipboard = "http://printers.demo.invalid/lx2000/driver";
constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 400;
constexpr size_t kFileBytes = 192 * 1024;

std::string Bytes(size_t count, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
  return bytes;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw DemoError("Cannot write " + path.string());
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// The last part of a path announced by the other side, never a way out of the folder it goes to.
std::string SafeBaseName(const std::string& announced) {
  const size_t slash = announced.find_last_of("/\\");
  std::string name = slash == std::string::npos ? announced : announced.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") name = "received-file";
  return name;
}

// Moves a file, also to another file system.
void MoveFile(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  fs::remove(from);
}

}  // namespace

// --- [3] the customer calls ----------------------------------------------------------------------

void DemoRun::CustomerCalls() {
  say_.Step("A customer asks for help: the call reaches the console");
  const fs::path customerFolder = temp_ / "customer";
  fs::create_directories(customerFolder);
  fs::create_directories(temp_ / "agent");
  const uint32_t seed = static_cast<uint32_t>(std::random_device{}());
  customerFile_ = (customerFolder / "printer-status-report.bin").string();
  agentFile_ = (temp_ / "agent" / "printer-driver-lx2000.bin").string();
  WriteBytes(customerFile_, Bytes(kFileBytes, seed));
  WriteBytes(agentFile_, Bytes(kFileBytes + 4321, seed + 1));
  const fs::path script = customerFolder / "chat-script.txt";
  {
    std::ofstream out(script);
    out << "# What the customer answers once the agent has spoken.\n"
        << "wait-chat\n"
        << "chat " << kCustomerReply << "\n";
  }

  const std::vector<std::string> args = {
      options_.clientProgram,
      "--service", root_,
      "--group", agent_->InfosAgent()->GroupeID,
      "--name", "Sophie",
      "--email", "sophie@customer.invalid",
      "--id", kCustomerId,
      "--description", "The printer does not print any more.\nIt has said \"offline\" since this morning.",
      "--screen", std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight),
      "--auto",
      "--hello", kHello,
      "--clipboard", kCustomerClipboard,
      "--chat-script", script.string(),
      "--send", customerFile_,
      "--receive-dir", Output("received-by-customer").string(),
      "--poll-interval", "250",
      "--ring-timeout", std::to_string(std::max<uint32_t>(options_.stepTimeoutMs / 1000, 1)),
  };
  customer_ = std::make_unique<ChildProcess>(loop_, args);
  say_.Say("started the customer program, unattended (pid " + std::to_string(customer_->Pid()) + "): known customer " +
           kCustomerId + ", group " + agent_->InfosAgent()->GroupeID);

  Await([&] { return dialogShown_ || customer_->Exited(); }, "the incoming-call dialog rings");
  Require(dialog_ != nullptr && dialog_->Visible(), "the dialog is shown");
  calls::TFrmAppelClientModel& d = *dialog_;
  say_.Say("dialog \"" + d.Caption() + "\":");
  say_.Say("  " + d.TexteTypeClient() + " | " + d.TexteClient() + " | " + d.LienEMail() + " | " + d.Adresse());
  say_.Say("  description: " + d.Description());
  say_.Say("  " + d.TexteNbreAgents() + (d.AlerteNbreAgents() ? " (shown in white on red)" : ""));
  say_.Check(d.LampeTypeClient() == calls::TFrmAppelClientModel::Lampe::Verte && d.TexteClient() == kCustomerName,
             std::string("the caller is the known customer ") + kCustomerName + ", looked up at the service");
  say_.Check(d.Description().find("offline") != std::string::npos, "the customer's description is shown");
  say_.Check(d.NbreAgents() == 1, "one agent contacted (only this one is available)");
  say_.Check(d.Adresse() == "127.0.0.1", "the caller's address is the loopback address");
  Require(CustomerSaidPrefix("CALL calling 127.0.0.1:" + std::to_string(callPort_)),
          "the service gave the customer the address the console published");

  say_.Say("the agent accepts");
  d.Accepter();
  Await([&] { return CustomerSaid("STATE connected") || customer_->Exited(); },
        "the customer program opens the session's connections");
  Require(!customer_->Exited(), "the customer program is running");
}

// --- [4] the session -----------------------------------------------------------------------------

void DemoRun::RunSession() {
  say_.Step("The assistance session");
  Await(
      [&] {
        auto m = Session();
        return m && m->EtatConnexion() == 2 && frames_ > 0;
      },
      "the eleven channels are bound and frames arrive");
  auto model = Session();
  sessionStartTick_ = loop_.tickCount();
  assistanceId_ = model->AssistanceID();
  say_.Check(model->CanauxLies() == 11, "eleven channel components bound", std::to_string(model->CanauxLies()));
  say_.Say("window caption: " + model->Caption());
  for (const auto& line : model->LignesClient()) say_.Say("  " + line.libelle + ": " + Trimmed(line.valeur));
  say_.Check(agent_->StatusAgent() == TStatusAgent::saOccupe, "the console's status is busy during the session");
  Require(CustomerLine("HELP assistance=").value_or("").rfind(assistanceId_ + " ", 0) == 0,
          "the session carries the assistance ID the service gave (" + assistanceId_ + ")");

  SessionChat(*model);
  SessionInputs(*model);
  SessionClipboard();
  SessionFiles(*model);
  SessionScreen(*model);

  const uint32_t elapsed = loop_.tickCount() - sessionStartTick_;
  if (elapsed < options_.sessionMs) {
    say_.Say("the session runs for " + std::to_string((options_.sessionMs - elapsed) / 1000.0).substr(0, 4) +
             " s more");
    Pause(options_.sessionMs - elapsed);
  }
  const double seconds = (loop_.tickCount() - sessionStartTick_) / 1000.0;
  std::ostringstream text;
  text.precision(1);
  text << std::fixed << frames_ << " frames in " << seconds << " s (" << frames_ / std::max(seconds, 0.001)
       << " per second): " << screen_.Patches() << " PNG patches, " << screen_.MovedRectangles()
       << " moved rectangles; duration shown: " << model->TexteDuree();
  say_.Say(text.str());
  Require(!interrupted_() && model->EtatConnexion() == 2, "the session is still running");
}

void DemoRun::SessionChat(assistance::TFrmInstanceCorvaneAgentModel& model) {
  auto customerWrote = [&](const std::string& text) {
    const auto& chat = model.JournalChat();
    return std::any_of(chat.begin(), chat.end(),
                       [&](const auto& line) { return !line.deLAgent && Trimmed(line.texte) == text; });
  };
  Await([&] { return customerWrote(kHello); }, "chat from the customer reaches the session window");
  Require(model.EnvoyerChat(kAgentChat) || CustomerSaid(std::string("CHAT agent ") + kAgentChat),
          "the agent's chat line is sent");
  Await([&] { return CustomerSaid(std::string("CHAT agent ") + kAgentChat); }, "the customer program shows it");
  Await([&] { return customerWrote(kCustomerReply); }, "the customer's answer comes back");
}

void DemoRun::SessionInputs(assistance::TFrmInstanceCorvaneAgentModel& model) {
  model.SetControleClavierSouris(true);
  session::TOLAServerSpeakingInputs& inputs = model.DADSpeakingInputs();
  const session::TKeyboardState keys;
  inputs.MouseMove(120, 80);
  inputs.MouseDown(session::mbLeft, 120, 80);
  inputs.MouseUp(session::mbLeft, 120, 80);
  inputs.MouseDown(session::mbRight, 300, 200);
  inputs.MouseUp(session::mbRight, 300, 200);
  inputs.MouseWheel(-120, 300, 200);
  for (uint16_t key : {uint16_t('P'), uint16_t('R'), uint16_t('I'), uint16_t('N'), uint16_t('T'), uint16_t(0x0D)}) {
    inputs.KeyDown(key, keys);
    inputs.KeyUp(key, keys);
  }
  model.SignalerEntreeEnvoyee();
  say_.Say("the agent clicks at (120, 80), right-clicks at (300, 200), turns the wheel and types \"print\" + Enter");
  Await([&] { return CustomerSaid("INPUT click left 120 80") && CustomerSaid("INPUT click right 300 200"); },
        "the customer program traced both clicks");
  Await([&] { return CustomerSaid("INPUT wheel -120"); }, "the customer program traced the wheel");
  Await([&] { return CustomerSaid("INPUT key Enter"); }, "the customer program traced the keys");
}

void DemoRun::SessionClipboard() {
  Await([&] { return clipboard_->HasText() && clipboard_->Text() == kCustomerClipboard; },
        "the customer's clipboard text is on the agent's clipboard");
  // The sending channel drops changes that come too close to the last one it handled.
  Pause(session::TOLAServerSpeakingClipboard::kMinSendIntervalMs + 100);
  clipboard_->SetText(kAgentClipboard);
  Await([&] { return CustomerSaid(std::string("CLIPBOARD agent ") + kAgentClipboard); },
        "the agent's clipboard text reaches the customer");
}

void DemoRun::SessionFiles(assistance::TFrmInstanceCorvaneAgentModel& model) {
  // The customer program sends its file as soon as the session runs.
  Await([&] { return toAgent_.done || toAgent_.cancelled; }, "the customer's file reached the console");
  Require(!toAgent_.cancelled, "the transfer was not cancelled");
  const fs::path kept = Output("received-by-agent") / SafeBaseName(toAgent_.name);
  fs::create_directories(kept.parent_path());
  MoveFile(toAgent_.path, kept);
  const std::string sent = ReadBytes(customerFile_);
  say_.Check(ReadBytes(kept) == sent,
             "exact bytes (" + std::to_string(sent.size()) + "), kept at " + kept.string());

  say_.Say("the agent sends " + fs::path(agentFile_).filename().string());
  model.EnvoyerFichier(agentFile_, std::string());
  Await([&] { return CustomerSaidPrefix("FILE received ") || CustomerSaidPrefix("FILE failed "); },
        "the customer program received the agent's file");
  const std::string path = CustomerLine("FILE received ").value_or("");
  Require(!path.empty(), "the file was stored on the customer's side");
  say_.Check(ReadBytes(path) == ReadBytes(agentFile_),
             "exact bytes (" + std::to_string(fs::file_size(agentFile_)) + "), stored at " + path);
  Await([&] { return toCustomer_.done; }, "the console's transfer ended as transferred");
}

void DemoRun::SessionScreen(assistance::TFrmInstanceCorvaneAgentModel& model) {
  const session::Image& picture = screen_.Picture();
  say_.Check(picture.width == kScreenWidth && picture.height == kScreenHeight,
             "the agent's copy of the screen is " + std::to_string(picture.width) + "x" + std::to_string(picture.height));
  Await([&] { return screen_.ColouredPixels() > 0; }, "the copy shows the customer's coloured desktop");
  const std::string colour = Output("customer-screen.png").string();
  screen_.SavePng(colour);
  say_.Say("saved " + colour);

  say_.Say("the agent switches the screen to grey scale");
  model.DADScreen().Options().SetGrayScale(true);
  Await([&] { return CustomerSaid("SCREEN option grayscale=1"); }, "the customer program applies the option");
  Await([&] { return screen_.ColouredPixels() == 0; }, "the frames that follow redraw the copy in grey");
  const std::string grey = Output("customer-screen-grey.png").string();
  screen_.SavePng(grey);
  say_.Say("saved " + grey);
}

void DemoRun::TransferProgress(const session::TOLAFileTransfertProgressInfos& infos) {
  const bool receive = infos.Direction == session::ftdReceive;
  Transfer& t = receive ? toAgent_ : toCustomer_;
  if (t.done || t.cancelled) return;
  const std::string what = std::string(receive ? "transfer in: " : "transfer out: ") + SafeBaseName(infos.FileName);
  if (t.name.empty()) {
    t.name = infos.FileName;
    say_.Say(what + " started");
  }
  if (infos.Status == session::ftsTransferred) {
    t.done = true;
    t.path = infos.LocalFileName;
    say_.Say(what + ", " + std::to_string(infos.Transferred) + " bytes transferred");
  } else if (infos.Status == session::ftsCancelled) {
    t.cancelled = true;
    say_.Say(what + " cancelled");
  }
}

// --- [5] closing ---------------------------------------------------------------------------------

void DemoRun::CloseSession() {
  say_.Step("The agent ends the session with a report");
  auto model = Session();
  Require(model != nullptr, "the session window is open");
  model->AjouterLigneRapport("Printer driver LX-2000 sent and installed; a test page printed.");
  model->AjouterLigneRapport("The customer confirmed that printing works again.");
  const size_t logMark = serviceLog_.size();
  historyChanged_ = false;
  model->InitierCloture();
  model.reset();  // the controller may now release the window
  Await([&] { return ServiceLogged("ICorvaneAgent.CloturerAssistance", logMark); },
        "the report reached the service (CloturerAssistance)");
  say_.Check(historyChanged_, "the console was told that the history changed");
  Await([&] { return CustomerSaid("STATE ended reason=agent"); }, "the customer program saw the agent end the session");
  Await([&] { return customer_->Exited(); }, "the customer program ended");
  say_.Check(customer_->ExitStatus() == 0, "its exit status says a session took place (0)",
             std::to_string(customer_->ExitStatus().value_or(-1)));
  Await([&] { return sessionClosed_; }, "the session window ran its disconnection sequence and closed");
  Await([&] { return agent_->NbreSessions() == 0 && agent_->StatusAgent() == TStatusAgent::saDisponible; },
        "the console is available again");
}

}  // namespace corvane::demo
