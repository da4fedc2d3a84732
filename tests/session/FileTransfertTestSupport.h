#pragma once
// Helpers shared by the file-transfer tests: a temporary folder, file contents, the wire form of
// transfer messages and a parser for what a sender wrote.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <future>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "SessionHost.h"
#include "session/ComponentStream.h"
#include "session/MessageCode.h"
#include "session/MessageData.h"
#include "support/TempFolder.h"

namespace corvane::session::testing {

using corvane::testing::TempFolder;

inline std::string RandomBytes(size_t n, unsigned seed = 7) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string Block(const std::string& bytes) {
  return BigEndian(static_cast<uint32_t>(bytes.size())) + bytes;
}

// Code 37 with the header record, as a sender writes it.
inline std::string HeaderMessage(const std::string& fileName, int64_t fileSize,
                                 const std::string& directoryName = {}) {
  TOLAFileTransfertMessageData header;
  header.FileName = fileName;
  header.FileSize = fileSize;
  header.DirectoryName = directoryName;
  header.Authorizations = AuthorizationBit(aeoCanSave);
  return MessageCodeLine(mcFileHeader) + Block(EncodeComponent(header));
}

inline std::string BlockMessage(const std::string& bytes) {
  return MessageCodeLine(mcFileBlock) + Block(bytes);
}

inline uint32_t BigEndianValue(const std::string& b) {
  return (uint32_t(uint8_t(b[0])) << 24) | (uint32_t(uint8_t(b[1])) << 16) |
         (uint32_t(uint8_t(b[2])) << 8) | uint8_t(b[3]);
}

// One message of a transfer as it went out: its code and, for 37 and 38, the block that follows.
struct WireMessage {
  TOLAMessageCode code;
  std::string payload;
};

// Splits the bytes a sender wrote into messages (codes 37 to 40).
inline std::vector<WireMessage> ParseTransferWire(std::string_view wire) {
  std::vector<WireMessage> out;
  while (!wire.empty()) {
    const size_t lf = wire.find('\n');
    if (lf == std::string_view::npos) throw std::runtime_error("unterminated code line");
    std::string_view line = wire.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    wire.remove_prefix(lf + 1);
    WireMessage m{MessageCodeFromLine(line), {}};
    if (m.code == mcFileHeader || m.code == mcFileBlock) {
      if (wire.size() < 4) throw std::runtime_error("missing length");
      const uint32_t n = BigEndianValue(std::string(wire.substr(0, 4)));
      if (wire.size() < 4 + size_t{n}) throw std::runtime_error("short block");
      m.payload = std::string(wire.substr(4, n));
      wire.remove_prefix(4 + size_t{n});
    }
    out.push_back(std::move(m));
  }
  return out;
}

// Runs a blocking peer step on a thread of its own while the test's main loop serves the agent's
// event hand-overs, and returns its result.
template <class F>
auto OffMainThread(SessionHost& host, F&& step) {
  auto result = std::async(std::launch::async, std::forward<F>(step));
  host.WaitFor([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
               30000);
  return result.get();
}

inline TOLAFileTransfertMessageData DecodeHeader(const std::string& payload) {
  TOLAFileTransfertMessageData header;
  DecodeComponent(payload, header);
  return header;
}

}  // namespace corvane::session::testing
