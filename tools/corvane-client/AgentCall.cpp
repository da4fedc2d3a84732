#include "AgentCall.h"

#include <charconv>

#include "ClientError.h"
#include "ClientLimits.h"
#include "base/CommaText.h"
#include "base/Cp1252.h"

namespace corvane::client {

namespace {

// Cuts at most max bytes without splitting a UTF-8 sequence.
std::string CutUtf8(std::string text, size_t max) {
  if (text.size() <= max) return text;
  size_t cut = max;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text;
}

// UTF-8 text in the charset of the call headers.
std::string Encoded(std::string text, HeaderCharset charset) {
  return charset == HeaderCharset::Windows1252 ? base::Utf8ToCp1252(text) : text;
}

// Cuts at most max bytes of text in the given charset (any byte boundary in Windows-1252).
std::string Cut(std::string text, size_t max, HeaderCharset charset) {
  if (charset == HeaderCharset::Utf8) return CutUtf8(std::move(text), max);
  if (text.size() > max) text.resize(max);
  return text;
}

std::string HeaderSafe(std::string_view value, HeaderCharset charset) {
  std::string out = Encoded(std::string(value), charset);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return Cut(std::move(out), kMaxCallHeaderValue, charset);
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::string current;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.push_back(std::move(current));
      current.clear();
    } else {
      current += text[i];
    }
  }
  if (!current.empty()) lines.push_back(std::move(current));
  return lines;
}

}  // namespace

std::string DescriptionHeader(std::string_view description, HeaderCharset charset) {
  std::vector<std::string> lines = Lines(description);
  for (auto& line : lines) {
    line = Encoded(std::move(line), charset);
    for (char& c : line)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  if (lines.empty()) return {};
  std::string text = base::MakeCommaText(lines);
  while (text.size() > kMaxCallHeaderValue && lines.size() > 1) {
    lines.pop_back();
    text = base::MakeCommaText(lines);
  }
  if (text.size() > kMaxCallHeaderValue) {
    // One line alone is too long: cut it, leaving room for quotes that may double.
    lines[0] = Cut(lines[0], kMaxCallHeaderValue / 2 - 2, charset);
    text = base::MakeCommaText(lines);
  }
  return text;
}

HeaderList CallHeaders(const CallerInfo& caller, int action, int agentCount) {
  HeaderList h;
  const HeaderCharset charset = caller.charset;
  h.emplace_back("DAD-AssistanceID", HeaderSafe(caller.assistanceId, charset));
  h.emplace_back("DAD-Action", std::to_string(action));
  h.emplace_back("DAD-AgentCount", std::to_string(agentCount));
  if (action == kActionNewCall) {
    std::string id = HeaderSafe(caller.identifier, charset);
    const size_t b = id.find_first_not_of(' ');
    id = b == std::string::npos ? std::string() : id.substr(b, id.find_last_not_of(' ') - b + 1);
    h.emplace_back("DAD-ClientNom", HeaderSafe(caller.name, charset));
    h.emplace_back("DAD-ClientEMail", HeaderSafe(caller.email, charset));
    h.emplace_back("DAD-ClientID", id);
    h.emplace_back("DAD-Description", DescriptionHeader(caller.description, charset));
    h.emplace_back("DAD-TypeClient", id.empty() ? "0" : "1");
  }
  return h;
}

CallAnswer ReadCallAnswer(const HttpAnswer& answer) {
  if (answer.status != 200)
    throw HttpError("The agent's call listener answered with status " + std::to_string(answer.status));
  CallAnswer result;
  const auto reponse = answer.Header("DAD-Reponse");
  if (!reponse) return result;
  if (*reponse == "NOK") {
    result.kind = CallAnswer::Kind::Refused;
  } else if (*reponse == "OK") {
    const std::string port = answer.Header("DAD-Port").value_or("");
    unsigned value = 0;
    auto [p, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (ec != std::errc() || p != port.data() + port.size() || value == 0 || value > 65535)
      throw HttpError("The agent accepted without a usable session port (\"" + port.substr(0, 32) + "\")");
    result.kind = CallAnswer::Kind::Accepted;
    result.port = static_cast<uint16_t>(value);
  }
  return result;
}

HttpRequest CallRequest(const AgentAddress& agent, const HeaderList& headers) {
  HttpRequest r;
  const bool ipv6 = agent.host.find(':') != std::string::npos;
  r.url = "http://" + (ipv6 ? "[" + agent.host + "]" : agent.host) + ":" + std::to_string(agent.port) + "/";
  r.userAgent = std::string(kCallUserAgent);
  r.headers = headers;
  r.connectTimeoutMs = kCallConnectTimeoutMs;
  r.timeoutMs = kCallRequestTimeoutMs;
  r.maxBody = kMaxCallAnswerBody;
  return r;
}

}  // namespace corvane::client
