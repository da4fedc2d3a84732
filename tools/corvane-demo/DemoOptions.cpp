#include "DemoOptions.h"

#include <charconv>

#include "DemoError.h"

namespace corvane::demo {

namespace {

// Whole or decimal seconds ("2", "0.5") within [min, max], in milliseconds.
uint32_t Seconds(const std::string& option, const std::string& text, double min, double max) {
  double value = 0;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || p != end || !(value >= min && value <= max))
    throw DemoUsageError(option + " expects seconds from " + std::to_string(static_cast<int>(min)) + " to " +
                         std::to_string(static_cast<int>(max)) + ", not \"" + text + "\"");
  return static_cast<uint32_t>(value * 1000 + 0.5);
}

}  // namespace

DemoOptions ParseDemoOptions(const std::vector<std::string>& args) {
  DemoOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw DemoUsageError(arg + " expects a value");
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--duration") {
      o.sessionMs = Seconds(arg, value(), 0, 600);
    } else if (arg == "--output") {
      o.outputDir = value();
      if (o.outputDir.empty()) throw DemoUsageError("--output expects a folder");
    } else if (arg == "--lang") {
      o.language = value();
      if (o.language != "fr" && o.language != "en") throw DemoUsageError("--lang expects fr or en");
    } else if (arg == "--service-program") {
      o.serviceProgram = value();
    } else if (arg == "--client-program") {
      o.clientProgram = value();
    } else if (arg == "--step-timeout") {
      o.stepTimeoutMs = Seconds(arg, value(), 1, 600);
    } else if (arg == "--keep-temp") {
      o.keepTemporary = true;
    } else if (arg == "--verbose") {
      o.verbose = true;
    } else {
      throw DemoUsageError("Unknown option \"" + arg + "\" (see --help)");
    }
  }
  return o;
}

std::string DemoUsage() {
  return R"(Usage: corvane-demo [options]

Runs the whole product on this machine, without windows: the reference web service and the
customer program as real processes on loopback, and the console's core in this process (agent
controller, call listener, incoming-call dialog, assistance-session model, history, exports,
configuration, command line and translations). Prints what happens step by step.

  --duration SECONDS        how long the assistance session runs (default 8)
  --output DIR              where the pictures of the customer's screen, the transferred files and
                            the history exports go (default ./corvane-demo-output)
  --lang fr|en              language of the console's texts (default: from LANG)
  --service-program FILE    the reference web service (default: beside this program, else the
                            one of this build)
  --client-program FILE     the customer program (same default)
  --step-timeout SECONDS    longest wait for one awaited event (default 20)
  --keep-temp               keep the temporary folder (service database, console configuration)
  --verbose                 also show every request the service logs
  --help                    this text

Exit status: 0 every check held; 1 a check failed or the demo was interrupted; 2 bad command line.
)";
}

}  // namespace corvane::demo
