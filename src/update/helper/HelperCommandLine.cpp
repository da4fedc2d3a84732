#include "update/helper/HelperCommandLine.h"

#include <strings.h>

namespace corvane::update::helper {

namespace {

constexpr std::string_view kQuoteEntity = "&quote;";

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

}  // namespace

HelperSwitches ReadSwitches(const std::vector<std::string>& args) {
  HelperSwitches s;
  struct Name {
    const char* name;
    std::string* value;
  } names[] = {{"src", &s.src}, {"dest", &s.dest}, {"params", &s.params}, {"pid", &s.pid}, {"action", &s.action}};
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i].size() < 2 || args[i][0] != '-') continue;
    for (const Name& n : names)
      if (strcasecmp(args[i].c_str() + 1, n.name) == 0) *n.value = args[i + 1];
  }
  return s;
}

std::string QuoteArgument(std::string_view arg, bool alwaysQuote) {
  bool quote = arg.empty() || alwaysQuote;
  for (char ch : arg)
    if (IsBlank(ch)) quote = true;
  std::string out = quote ? "\"" : "";
  for (size_t i = 0; i < arg.size(); ++i) {
    const char ch = arg[i];
    if (ch == '"' || ch == '\\') out += '\\';
    out += ch;
    // An argument's own "&quote;" must not read as the entity: escape what follows every "&".
    if (ch == '&' && i + 1 < arg.size()) {
      out += '\\';
      out += arg[++i];
    }
  }
  if (quote) out += '"';
  return out;
}

std::string EncodeParams(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& a : arguments) {
    if (!text.empty()) text += ' ';
    text += QuoteArgument(a);
  }
  std::string out;
  for (char ch : text) {
    if (ch == '"')
      out += kQuoteEntity;
    else
      out += ch;
  }
  return out;
}

std::string DecodeParams(std::string_view params, const std::string& helperPath) {
  std::string out;
  for (size_t i = 0; i < params.size();) {
    if (params.size() - i >= kQuoteEntity.size() &&
        strncasecmp(params.data() + i, kQuoteEntity.data(), kQuoteEntity.size()) == 0) {
      out += '"';
      i += kQuoteEntity.size();
    } else {
      out += params[i++];
    }
  }
  out += std::string(" -") + kSwitchLastUsedUpdateExe + " " + QuoteArgument(helperPath, true);
  return out;
}

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> args;
  size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    std::string arg;
    bool quoted = false;
    for (; i < text.size(); ++i) {
      const char ch = text[i];
      if (ch == '\\' && i + 1 < text.size()) {
        arg += text[++i];
      } else if (ch == '"') {
        quoted = !quoted;
      } else if (IsBlank(ch) && !quoted) {
        break;
      } else {
        arg += ch;
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

long ParseDecimal(std::string_view text) {
  if (text.empty() || text.size() > 18) return 0;
  long value = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return 0;
    value = value * 10 + (ch - '0');
  }
  return value;
}

}  // namespace corvane::update::helper
