#include "ClientOptions.h"

#include <charconv>
#include <cmath>
#include <filesystem>

#include "ClientError.h"

namespace corvane::client {

namespace {

bool ParseUnsigned(const std::string& text, uint64_t& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && p == end;
}

// Seconds, with up to three decimals ("1.5"), to milliseconds; at most a day.
uint32_t ParseSeconds(const std::string& option, const std::string& text) {
  uint64_t whole = 0;
  uint64_t millis = 0;
  const size_t dot = text.find('.');
  const std::string head = text.substr(0, dot);
  bool ok = ParseUnsigned(head, whole);
  if (ok && dot != std::string::npos) {
    std::string tail = text.substr(dot + 1);
    ok = !tail.empty() && tail.size() <= 3 && ParseUnsigned(tail, millis);
    while (ok && tail.size() < 3) {
      tail += '0';
      millis *= 10;
    }
  }
  if (!ok || whole > 86400)
    throw CommandLineError(option + " expects a number of seconds (at most 86400), not \"" + text +
                           "\"");
  return static_cast<uint32_t>(whole * 1000 + millis);
}

uint32_t ParseMilliseconds(const std::string& option, const std::string& text, uint32_t min,
                           uint32_t max) {
  uint64_t value = 0;
  if (!ParseUnsigned(text, value) || value < min || value > max)
    throw CommandLineError(option + " expects milliseconds from " + std::to_string(min) + " to " +
                           std::to_string(max) + ", not \"" + text + "\"");
  return static_cast<uint32_t>(value);
}

void ParseScreen(const std::string& text, ClientOptions& o) {
  const size_t x = text.find_first_of("xX");
  uint64_t w = 0, h = 0;
  if (x == std::string::npos || !ParseUnsigned(text.substr(0, x), w) ||
      !ParseUnsigned(text.substr(x + 1), h) || w < kMinScreenSide || h < kMinScreenSide ||
      w > kMaxScreenWidth || h > kMaxScreenHeight)
    throw CommandLineError("--screen expects WIDTHxHEIGHT from " + std::to_string(kMinScreenSide) +
                           "x" + std::to_string(kMinScreenSide) + " to " +
                           std::to_string(kMaxScreenWidth) + "x" +
                           std::to_string(kMaxScreenHeight) + ", not \"" + text + "\"");
  o.screenWidth = static_cast<int>(w);
  o.screenHeight = static_cast<int>(h);
}

}  // namespace

std::optional<AgentAddress> ParseAgentAddress(const std::string& text) {
  std::string host;
  std::string port;
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
      return std::nullopt;
    host = text.substr(1, close - 1);
    port = text.substr(close + 2);
  } else {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (host.find(':') != std::string::npos) return std::nullopt;
  }
  uint64_t value = 0;
  if (host.empty() || host.size() > kMaxAgentHostLength || !ParseUnsigned(port, value) ||
      value == 0 || value > 65535)
    return std::nullopt;
  for (const char c : host)
    if (static_cast<unsigned char>(c) <= ' ' || c == '/' || c == '@' || c == '?' || c == '#' ||
        c == '[' || c == ']' || static_cast<unsigned char>(c) >= 0x7F)
      return std::nullopt;
  return AgentAddress{host, static_cast<uint16_t>(value)};
}

ClientOptions ParseCommandLine(const std::vector<std::string>& args) {
  ClientOptions o;
  bool sawService = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      const size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        inlineValue = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
      }
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size()) throw CommandLineError(arg + " expects a value");
      return args[++i];
    };
    auto flag = [&] {
      if (inlineValue) throw CommandLineError(arg + " takes no value");
    };

    if (arg == "--help" || arg == "-h") {
      flag();
      o.help = true;
    } else if (arg == "--service") {
      o.serviceUrl = value();
      sawService = true;
    } else if (arg == "--group") {
      o.groupId = value();
    } else if (arg == "--agent") {
      const std::string text = value();
      auto address = ParseAgentAddress(text);
      if (!address) throw CommandLineError("--agent expects HOST:PORT, not \"" + text + "\"");
      if (o.agents.size() >= kMaxAgentsCalled)
        throw CommandLineError("At most " + std::to_string(kMaxAgentsCalled) + " agents can be called");
      o.agents.push_back(*address);
    } else if (arg == "--assistance-id") {
      o.assistanceId = value();
    } else if (arg == "--name") {
      o.name = value();
    } else if (arg == "--email") {
      o.email = value();
    } else if (arg == "--id") {
      o.identifier = value();
    } else if (arg == "--description") {
      o.description = value();
    } else if (arg == "--header-charset") {
      const std::string text = value();
      if (text == "utf-8")
        o.headerCharset = HeaderCharset::Utf8;
      else if (text == "windows-1252")
        o.headerCharset = HeaderCharset::Windows1252;
      else
        throw CommandLineError("--header-charset expects utf-8 or windows-1252, not \"" + text + "\"");
    } else if (arg == "--screen") {
      ParseScreen(value(), o);
    } else if (arg == "--send") {
      o.sendPaths.push_back(value());
      // "--send a b c": the following words that are not options are paths too.
      if (!inlineValue)
        while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) o.sendPaths.push_back(args[++i]);
    } else if (arg == "--receive-dir") {
      o.receiveDir = value();
    } else if (arg == "--chat-script") {
      o.scriptPath = value();
    } else if (arg == "--auto") {
      flag();
      o.autoMode = true;
    } else if (arg == "--hello") {
      o.hello = value();
    } else if (arg == "--clipboard") {
      o.clipboard = value();
    } else if (arg == "--duration") {
      o.durationMs = ParseSeconds(arg, value());
    } else if (arg == "--poll-interval") {
      o.pollIntervalMs = ParseMilliseconds(arg, value(), 50, 9000);
    } else if (arg == "--ring-timeout") {
      o.ringTimeoutMs = ParseSeconds(arg, value());
    } else if (arg == "--close-wait") {
      o.closeWaitMs = ParseSeconds(arg, value());
    } else if (arg == "--verbose") {
      flag();
      o.verbose = true;
    } else {
      throw CommandLineError("Unknown option \"" + args[i] + "\" (see --help)");
    }
  }
  if (o.help) return o;

  if (sawService && !o.agents.empty())
    throw CommandLineError("--service and --agent exclude each other");
  if (o.agents.empty()) {
    if (o.serviceUrl.empty() || o.groupId.empty())
      throw CommandLineError("Give --service URL and --group ID, or --agent HOST:PORT");
    if (o.serviceUrl.rfind("http://", 0) != 0 && o.serviceUrl.rfind("https://", 0) != 0)
      throw CommandLineError("--service expects an http:// or https:// URL");
    if (o.serviceUrl.back() != '/') o.serviceUrl += '/';
    if (!o.assistanceId.empty())
      throw CommandLineError("--assistance-id is only for direct calls (--agent)");
  }
  if (o.ringTimeoutMs < o.pollIntervalMs)
    throw CommandLineError("--ring-timeout must be longer than the poll interval");

  namespace fs = std::filesystem;
  std::error_code ec;
  for (const std::string& path : o.sendPaths)
    if (!fs::exists(path, ec)) throw CommandLineError("--send: \"" + path + "\" does not exist");
  if (!o.scriptPath.empty() && !fs::is_regular_file(o.scriptPath, ec))
    throw CommandLineError("--chat-script: \"" + o.scriptPath + "\" is not a readable file");
  if (!o.receiveDir.empty() && fs::exists(o.receiveDir, ec) && !fs::is_directory(o.receiveDir, ec))
    throw CommandLineError("--receive-dir: \"" + o.receiveDir + "\" is not a folder");
  return o;
}

std::string UsageText() {
  return R"(Usage: corvane-client [options]

The customer's program of the Corvane assistance service. It asks the service for help, calls the
group's available agents, and once an agent accepts, opens the eleven channels of the session:
a synthetic screen (a desktop picture with a clock, a moving square and a trace of the agent's
clicks and typed keys), the agent's mouse and keyboard, the cursor, clipboard text both ways, chat
and commands both ways, and file transfers both ways.

Where help comes from (one of the two):
  --service URL          root URL of the web service (e.g. http://127.0.0.1:8090/scripts/ServiceCorvane.dll/)
  --group ID             the group asked for help (with --service)
  --agent HOST:PORT      call this agent's call listener directly, without the service (repeatable)
  --assistance-id ID     assistance identifier of a direct call (default: generated)

Who asks:
  --name TEXT            the customer's name (default "Customer")
  --email TEXT           the customer's e-mail
  --id TEXT              the customer identifier within the group (makes a known customer)
  --description TEXT     the problem; line breaks separate lines
  --header-charset NAME  how these texts travel to the agents: utf-8 (default) or windows-1252,
                         as older customer programs send them (other characters become "?")

The session:
  --screen WxH           size of the synthetic screen (default 1024x768)
  --send PATH...         files or folders sent to the agent once the session runs
  --receive-dir DIR      where files from the agent are put (default: the current folder)
  --chat-script FILE     runs a script (below) once the session runs
  --auto                 unattended: standard input is not read, --hello is sent as chat
  --hello TEXT           the chat line of --auto (default "Hello, I need some help.")
  --clipboard TEXT       clipboard text offered to the agent once the session runs
  --duration SECONDS     the customer leaves the session after this long
  --poll-interval MS     time between two polls of the ringing agents (default 1000)
  --ring-timeout SECONDS how long the agents may ring (default 120)
  --close-wait SECONDS   after leaving, how long to wait for the agent's goodbye (default 10)
  --verbose              also report every frame and mouse move
  --help                 this text

Standard input (unless --auto): a line is sent as chat; "/clip TEXT" offers clipboard text,
"/send PATH" sends a file or folder, "/command TEXT" sends a raw command, "." or "/quit" leaves.

Chat script, one step per line ("#" starts a comment):
  chat TEXT | clip TEXT | send PATH | command TEXT | wait SECONDS | wait-chat | quit

Progress lines on standard output, one event per line:
  STATE requesting | calling | connecting HOST:PORT | connected | leaving | ended reason=agent|customer
        | lost | unanswered | abandoned | unauthorized | failed
  HELP assistance=ID agents=N
  CALL calling|accepted|refused|ignored|unreachable|dropped|abandoned|ended HOST:PORT ...
  CLOSING LETTER      I ignored, R refused, N network problem, U unauthorized, A abandoned
  SCREEN size WxH | option NAME=VALUE       INPUT click BUTTON X Y | key KEY | wheel DELTA
  CHAT agent|sent TEXT    CLIPBOARD agent|sent TEXT    COMMAND [sent] TEXT    NEWID ID
  FILE|FOLDER requested|accepted|refused|sent|cancelled|receiving|received|failed ...
  ERROR TEXT
Texts are escaped: \\ \r \n and \xHH for other control bytes.

Exit status: 0 a session took place and ended; 1 bad command line; 2 the service refused or could
not be reached; 3 no agent took the call; 4 the session was lost (network problem).
)";
}

}  // namespace corvane::client
