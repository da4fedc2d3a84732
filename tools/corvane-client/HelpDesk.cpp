#include "HelpDesk.h"

#include <algorithm>

#include "ClientError.h"
#include "ClientLimits.h"
#include "HttpClient.h"

namespace corvane::client {

namespace {

HttpRequest Post(const std::string& url, const std::vector<std::pair<std::string, std::string>>& fields) {
  HttpRequest r;
  r.url = url;
  r.post = true;
  r.body = FormEncode(fields);
  r.contentType = "application/x-www-form-urlencoded";
  r.userAgent = "CorvaneClient";
  r.connectTimeoutMs = kServiceConnectTimeoutMs;
  r.timeoutMs = kServiceRequestTimeoutMs;
  r.maxBody = kMaxServiceAnswer;
  return r;
}

bool ValidIdentifier(std::string_view id) {
  if (id.empty() || id.size() > kMaxAssistanceIdLength) return false;
  for (const char c : id)
    if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F) return false;
  return true;
}

}  // namespace

std::string WindowsLineBreaks(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

HelpRequestAnswer ParseHelpRequestAnswer(std::string_view body) {
  HelpRequestAnswer answer;
  bool haveId = false;
  size_t start = 0;
  while (start < body.size()) {
    size_t end = body.find('\n', start);
    if (end == std::string_view::npos) end = body.size();
    std::string_view line = body.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.rfind("AssistanceID=", 0) == 0 && !haveId) {
      std::string_view id = line.substr(13);
      if (!ValidIdentifier(id)) throw ServiceError(ServiceError::Kind::BadAnswer, "The service gave an unusable assistance identifier");
      answer.assistanceId = std::string(id);
      haveId = true;
    } else if (line.rfind("Jeton=", 0) == 0 && answer.token.empty()) {
      std::string_view token = line.substr(6);
      if (!ValidIdentifier(token)) throw ServiceError(ServiceError::Kind::BadAnswer, "The service gave an unusable token");
      answer.token = std::string(token);
    } else if (line.rfind("Agent=", 0) == 0 && answer.agents.size() < kMaxAgentsCalled) {
      std::string text(line.substr(6));
      // An IPv6 address comes without brackets: the port is after the last colon.
      if (text.find('[') == std::string::npos && std::count(text.begin(), text.end(), ':') > 1)
        text = "[" + text.substr(0, text.rfind(':')) + "]" + text.substr(text.rfind(':'));
      if (auto address = ParseAgentAddress(text)) answer.agents.push_back(*address);
    }
  }
  if (!haveId)
    throw ServiceError(ServiceError::Kind::BadAnswer, "The service's answer holds no assistance identifier");
  return answer;
}

HelpRequestAnswer HelpDesk::OpenHelpRequest(const std::string& groupId, const std::string& name,
                                            const std::string& email, const std::string& identifier,
                                            const std::string& description) const {
  const HttpAnswer answer = PerformHttp(Post(root_ + "client/DemandeAssistance",
                                             {{"GroupeID", groupId},
                                              {"Nom", name},
                                              {"EMail", email},
                                              {"Identifiant", identifier},
                                              {"Description", WindowsLineBreaks(description)}}));
  switch (answer.status) {
    case 200:
      return ParseHelpRequestAnswer(answer.body);
    case 403:
      throw ServiceError(ServiceError::Kind::Unauthorized,
                         "The group only helps its known customers");
    case 404:
      throw ServiceError(ServiceError::Kind::UnknownGroup, "The service knows no group \"" + groupId + "\"");
    default:
      throw ServiceError(ServiceError::Kind::Unavailable,
                         "The service answered the help request with status " + std::to_string(answer.status));
  }
}

void HelpDesk::RecordClosing(const std::string& assistanceId, const std::string& token, char letter) const {
  const HttpAnswer answer = PerformHttp(Post(
      root_ + "client/Cloture",
      {{"AssistanceID", assistanceId}, {"Jeton", token}, {"Lettre", std::string(1, letter)}}));
  if (answer.status != 200)
    throw ServiceError(ServiceError::Kind::BadAnswer,
                       "The service refused the closing letter (status " + std::to_string(answer.status) + ")");
}

}  // namespace corvane::client
