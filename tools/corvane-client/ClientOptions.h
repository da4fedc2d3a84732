#pragma once
// The customer program's command line.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ClientLimits.h"

namespace corvane::client {

// An agent's call listener: host name or address and port.
struct AgentAddress {
  std::string host;
  uint16_t port = 0;
  std::string Text() const { return host + ":" + std::to_string(port); }
  bool operator==(const AgentAddress&) const = default;
};

// How the caller's texts travel in the call headers: UTF-8, or the 8-bit Windows code page of
// older customer programs (the agent's console reads both).
enum class HeaderCharset { Utf8, Windows1252 };

struct ClientOptions {
  // Where help comes from: the service's help request, or agents called directly.
  std::string serviceUrl;  // root URL of the web service, ending with '/'
  std::string groupId;
  std::vector<AgentAddress> agents;
  std::string assistanceId;  // direct calls only; generated when empty

  // Who asks, and why.
  std::string name = "Customer";
  std::string email;
  std::string identifier;  // customer identifier within the group; empty for an unknown customer
  std::string description;
  HeaderCharset headerCharset = HeaderCharset::Utf8;

  // The session.
  int screenWidth = 1024;
  int screenHeight = 768;
  std::vector<std::string> sendPaths;  // files or folders sent once the session runs
  std::string receiveDir = ".";
  std::string scriptPath;
  bool autoMode = false;
  std::string hello = "Hello, I need some help.";  // first chat line in automatic mode
  std::string clipboard;                           // clipboard text offered to the agent at start
  std::optional<uint32_t> durationMs;              // the customer leaves after this long

  // Timings of the call and of the end.
  uint32_t pollIntervalMs = kDefaultPollIntervalMs;
  uint32_t ringTimeoutMs = kDefaultRingTimeoutMs;
  uint32_t closeWaitMs = kDefaultCloseWaitMs;

  bool verbose = false;
  bool help = false;

  bool UsesService() const { return agents.empty(); }
};

// Throws CommandLineError with a message naming the faulty option.
ClientOptions ParseCommandLine(const std::vector<std::string>& args);

// "HOST:PORT" (an IPv6 address in brackets); nullopt when malformed.
std::optional<AgentAddress> ParseAgentAddress(const std::string& text);

// The --help text.
std::string UsageText();

}  // namespace corvane::client
