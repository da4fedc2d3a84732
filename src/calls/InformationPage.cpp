#include "calls/InformationPage.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "base/Cp1252.h"
#include "base/Format.h"
#include "base/Translate.h"
#include "calls/TextHelpers.h"

namespace corvane::calls {

namespace {

constexpr const char* kCrLf = "\r\n";

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string ValueText(const service::PropertyInfo& p, const service::TRemotable& record) {
  const service::PropertyValue v = p.get(record);
  if (p.type == service::PropertyType::Enumeration && p.enumType && std::holds_alternative<int64_t>(v))
    return std::string(p.enumType->identifier(static_cast<int>(std::get<int64_t>(v))));
  if (const bool* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
  if (const int64_t* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
  if (const std::string* s = std::get_if<std::string>(&v)) return *s;
  return service::ToText(v);
}

std::string Row(std::string_view name, const std::string& value) {
  const std::string n = EscapeHtml(name);
  const std::string v = EscapeHtml(value);
  const std::string lower = Lower(value);
  // Only a value that is an http address becomes a link: a value merely containing one could
  // otherwise carry another scheme into the href.
  if (lower.rfind("http://", 0) == 0)
    return base::Format("      <tr><th>%s</th><td><a href=\"%1:s\">%1:s</a></td></tr>", {n, v});
  if (Lower(name).find("email") != std::string::npos)
    return base::Format("      <tr><th>%s</th><td><a href=\"mailto:%1:s\">%1:s</a></td></tr>", {n, v});
  return base::Format("      <tr><th>%s</th><td>%s</td></tr>", {n, v});
}

std::string Block(const std::string& id, const std::string& title, const service::TRemotable& record) {
  std::vector<std::string> lines;
  lines.push_back("<div id=\"" + id + "\">");
  lines.push_back("<h2>" + EscapeHtml(title) + "</h2>");
  lines.push_back("  <table>");
  lines.push_back("    <tbody>");
  for (const service::PropertyInfo& p : record.remotableType().properties) {
    if (p.name.find("ID") != std::string_view::npos || p.name.find("tatu") != std::string_view::npos)
      continue;
    lines.push_back(Row(p.name, ValueText(p, record)));
  }
  lines.push_back("    </tbody>");
  lines.push_back("  </table>");
  lines.push_back("</div>");
  std::string out;
  for (const std::string& l : lines) out += "    " + l + kCrLf;
  return out;
}

}  // namespace

std::string BuildInformationPage(const service::TRemotableAgent* agent,
                                 const service::TRemotableGroupeAgent* groupe,
                                 const std::string& styleSheetUrl) {
  std::string head;
  for (const std::string& line : std::vector<std::string>{
           "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>",
           "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" \"DTD/xhtml1-strict.dtd\">",
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"fr\">",
           "  <head>",
           "    <meta http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\" />",
           "    <title>" + EscapeHtml(base::Tr("Agent informations - Corvane Pro - Tarvenholt")) + "</title>",
           "    <style type=\"text/css\" media=\"all\" title=\"" + EscapeHtml(base::Tr("Tarvenholt style sheet")) +
               "\">@import url(\"" + EscapeHtml(styleSheetUrl) + "\");</style>",
           "  </head>",
           "  <body>"})
    head += line + kCrLf;

  std::string body;
  if (agent) {
    body = "  <h1>" + EscapeHtml(base::Tr("Corvane Pro Agent")) + "</h1>" + kCrLf;
    body += Block("InfosAgent", base::Tr("Agent"), *agent);
  } else {
    body = "  <h1>" + EscapeHtml(base::Tr("No connected agent.")) + "</h1>" + kCrLf;
  }
  const std::string group = groupe ? Block("InfosGroupe", base::Tr("Group"), *groupe) : std::string();
  const std::string tail = std::string("  </body>") + kCrLf + "</html>" + kCrLf;
  return head + kCrLf + body + kCrLf + group + kCrLf + tail;
}

std::string ToLatin1WithReferences(const std::string& utf8) {
  const std::u16string units = base::Utf8ToUtf16(utf8);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t cp = units[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    if (cp <= 0xFF)
      out += static_cast<char>(cp);
    else
      out += "&#" + std::to_string(cp) + ";";
  }
  return out;
}

std::string StyleSheetUrl(const std::string& racineServeur) {
  const size_t scheme = racineServeur.find("://");
  if (scheme == std::string::npos) return "agent.css";
  const size_t path = racineServeur.find('/', scheme + 3);
  return racineServeur.substr(0, path) + "/css/agent.css";
}

}  // namespace corvane::calls
