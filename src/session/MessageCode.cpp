#include "session/MessageCode.h"

namespace corvane::session {

std::string MessageCodeLine(TOLAMessageCode code) {
  std::string line;
  line += static_cast<char>(static_cast<uint8_t>(65 + code));
  line += "\r\n";
  return line;
}

TOLAMessageCode MessageCodeFromLine(std::string_view line) {
  if (line.empty()) return mcEmpty;
  if (line.size() > 1) return mcNone;
  return static_cast<TOLAMessageCode>(static_cast<uint8_t>(static_cast<uint8_t>(line[0]) - 65));
}

}  // namespace corvane::session
