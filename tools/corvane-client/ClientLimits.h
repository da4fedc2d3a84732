#pragma once
// Limits and fixed timings of the customer program. Everything it receives from the service or an
// agent is checked against these, and every time-out it applies is named here.

#include <cstddef>
#include <cstdint>

namespace corvane::client {

// --- the service's help-request answer ---
// Largest answer read from the service (bytes); a longer one is an error.
inline constexpr size_t kMaxServiceAnswer = 64 * 1024;
// Agents called at most for one request; further addresses in the answer are ignored.
inline constexpr size_t kMaxAgentsCalled = 32;
// Longest agent host name or address accepted from the service.
inline constexpr size_t kMaxAgentHostLength = 255;
// Longest assistance identifier accepted from the service.
inline constexpr size_t kMaxAssistanceIdLength = 64;

// --- HTTP requests (service and agents) ---
inline constexpr long kServiceConnectTimeoutMs = 10000;
inline constexpr long kServiceRequestTimeoutMs = 20000;
// A call request must be answered well within the agent's 10 s no-poll limit.
inline constexpr long kCallConnectTimeoutMs = 3000;
inline constexpr long kCallRequestTimeoutMs = 5000;
// Largest body read from an agent's call listener (the answer lives in its headers).
inline constexpr size_t kMaxCallAnswerBody = 16 * 1024;

// --- the call headers ---
// Longest value the program puts into one "DAD-" header (the agent refuses longer ones).
inline constexpr size_t kMaxCallHeaderValue = 4000;

// --- the call ---
// Polls must come more often than every 10 s, or the agent's call dialog gives up.
inline constexpr uint32_t kDefaultPollIntervalMs = 1000;
inline constexpr uint32_t kDefaultRingTimeoutMs = 120000;

// --- the session ---
// Connecting one channel to the agent's session port.
inline constexpr int kChannelConnectTimeoutMs = 10000;
// How long the end of a channel waits before the session counts as lost rather than ended: the
// agent's "." travels on another connection and may be read a little after the others closed.
inline constexpr uint32_t kLossGraceMs = 1000;
// The agent's console takes a session as running only once it has bound every channel, and then
// asks for the screen; what the customer sends before that may be dropped. Automatic traffic
// waits for the agent's first request, or this long when it asks for nothing (screen view off).
inline constexpr uint32_t kAgentReadyWaitMs = 2000;
// After the customer's ".", how long the program waits for the agent's own "." before it closes.
inline constexpr uint32_t kDefaultCloseWaitMs = 10000;
// The synthetic desktop moves and its clock ticks at this period.
inline constexpr uint32_t kAnimationPeriodMs = 100;
// A frame request is answered at the latest after this long, changed or not, so that the agent's
// option changes (sent with its next request) never wait long.
inline constexpr int kMaxFrameWaitMs = 1000;

// --- the synthetic screen ---
inline constexpr int kMinScreenSide = 160;
inline constexpr int kMaxScreenWidth = 4096;
inline constexpr int kMaxScreenHeight = 4096;
// Changed regions are found in square tiles of this side.
inline constexpr int kFrameTileSide = 16;
// Click markers kept on the picture; the oldest disappears first.
inline constexpr size_t kMaxClickMarks = 64;
// Characters of typed text and of the last received texts kept for the picture.
inline constexpr size_t kMaxTypedText = 2048;
inline constexpr size_t kMaxShownText = 512;

// --- files ---
// Longest name given to a received file or folder (bytes); longer names are shortened.
inline constexpr size_t kMaxReceivedNameLength = 200;
// Attempts at a free name ("name (2).ext" ...) before giving up.
inline constexpr int kMaxNameAttempts = 1000;

// --- scripts and standard input ---
inline constexpr size_t kMaxScriptLines = 10000;
inline constexpr size_t kMaxScriptBytes = 1024 * 1024;
inline constexpr size_t kMaxInputLine = 16384;
// Lines typed before the session runs are kept (up to this many) and sent once it runs.
inline constexpr size_t kMaxEarlyLines = 100;

}  // namespace corvane::client
