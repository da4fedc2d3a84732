#include "ProgressOutput.h"

#include <cstdio>

namespace corvane::client {

void ProgressOutput::Line(std::string_view keyword, std::string_view detail) {
  std::string line(keyword);
  if (!detail.empty()) {
    line += ' ';
    line += detail;
  }
  std::lock_guard lock(mutex_);
  if (sink_) sink_(line);
}

void ProgressOutput::Verbose(std::string_view keyword, std::string_view detail) {
  if (verbose) Line(keyword, detail);
}

std::string ProgressOutput::Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (byte < 0x20 || byte == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace corvane::client
