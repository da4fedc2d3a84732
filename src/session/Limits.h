#pragma once
// Ceilings applied to bytes received from a peer. Everything a customer program sends is checked
// against these before memory is allocated for it.

#include <cstddef>
#include <cstdint>

namespace corvane::session {

// Longest text line (message code lines, commands), not counting CR LF.
inline constexpr size_t kMaxLineLength = 16384;

// Largest length-prefixed block accepted (component streams, chat text, file blocks).
inline constexpr int32_t kMaxBlockLength = 256 * 1024 * 1024;

// Largest raw block announced by a record (clipboard text).
inline constexpr uint32_t kMaxRawBlockLength = 64 * 1024 * 1024;

// Longest chat text accepted in one message.
inline constexpr int32_t kMaxChatTextLength = 4 * 1024 * 1024;

// Nesting of collections inside one component stream.
inline constexpr int kMaxStreamNesting = 8;

// Decoded PNG pictures: each side and the total pixel count.
inline constexpr int kMaxPngSide = 16384;
inline constexpr uint64_t kMaxPngPixels = 64ull * 1024 * 1024;

// Screen dimensions a customer may announce.
inline constexpr int kMaxScreenSide = 16384;

// Incoming file transfers accepted but still waiting for their connection; further requests of
// the customer are refused (code 0) until some of them are connected.
inline constexpr size_t kMaxWaitingIncomingTransfers = 32;

// The read time limit of a bound connection, in milliseconds.
inline constexpr int kDefaultReadTimeOut = 45000;

}  // namespace corvane::session
