#include "RawHttp.h"

#include <poll.h>
#include <sys/socket.h>

#include <cctype>

namespace corvane::load {

bool SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

std::string AsciiLower(std::string_view text) {
  std::string lower;
  lower.reserve(text.size());
  for (char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string ReadHttpRequest(int fd, const std::atomic<bool>& stopping, size_t maxBytes) {
  std::string data;
  size_t headerEnd = std::string::npos, wanted = std::string::npos;
  char buffer[16384];
  while (!stopping.load()) {
    if (headerEnd == std::string::npos && (headerEnd = data.find("\r\n\r\n")) != std::string::npos) {
      headerEnd += 4;
      wanted = headerEnd;
      const std::string lower = AsciiLower(std::string_view(data).substr(0, headerEnd));
      const size_t cl = lower.find("\r\ncontent-length:");
      if (cl != std::string::npos) wanted += std::strtoul(lower.c_str() + cl + 17, nullptr, 10);
    }
    if (wanted != std::string::npos && data.size() >= wanted) return data;
    if (data.size() > maxBytes) return {};
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, 100);
    if (ready < 0) return {};
    if (ready == 0) continue;
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return {};
    data.append(buffer, static_cast<size_t>(n));
  }
  return {};
}

std::string WithConnectionClose(const std::string& request) {
  const size_t headerEnd = request.find("\r\n\r\n");
  const std::string head = request.substr(0, headerEnd);
  std::string out;
  size_t start = 0;
  for (;;) {
    const size_t end = head.find("\r\n", start);
    const std::string line = head.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (AsciiLower(line).rfind("connection:", 0) != 0) out += line + "\r\n";
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return out + "Connection: close\r\n\r\n" + (headerEnd == std::string::npos ? "" : request.substr(headerEnd + 4));
}

}  // namespace corvane::load
