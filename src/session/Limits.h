#pragma once
// Ceilings applied to what a peer sends. Lengths and sizes announced by a peer are checked before
// memory is reserved for them; a block's bytes are then stored as they arrive, so a block costs at
// most what was really sent, up to kMaxBlockLength. A decoded record may take more memory than its
// bytes (PNG pictures above all): those ceilings say how much, and each is checked before the memory
// is allocated.

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

// Items of one collection in a component stream (patches or moved rectangles of one frame): an
// empty item is two bytes on the wire but a record in memory.
inline constexpr size_t kMaxCollectionItems = 256 * 1024;

// Decoded PNG pictures: each side and the pixel count of one picture.
inline constexpr int kMaxPngSide = 16384;
inline constexpr uint64_t kMaxPngPixels = 64ull * 1024 * 1024;

// Decoded pixels of all the patches of one frame record together: this many times the customer's
// screen, and kMaxFramePixels at most (also while no screen size is known). A small record can
// hold thousands of patches that each declare a large picture; the total is checked before each
// picture is decoded.
inline constexpr uint64_t kFramePixelsPerScreen = 4;
inline constexpr uint64_t kMaxFramePixels = 16384ull * 16384;

// Screen dimensions a customer may announce.
inline constexpr int kMaxScreenSide = 16384;

// Incoming file transfers accepted but still waiting for their connection; further requests of
// the customer are refused (code 0) until some of them are connected.
inline constexpr size_t kMaxWaitingIncomingTransfers = 32;

// An accepted incoming transfer whose connection has not come within this time (milliseconds of
// the main loop's tick) is dropped at the customer's next request: its connection was refused (the
// session's cap on connections) or lost, and it must not keep a waiting place for ever.
inline constexpr uint32_t kIncomingTransfertConnectTimeOut = 30000;

// The read time limit of a bound connection, in milliseconds.
inline constexpr int kDefaultReadTimeOut = 45000;

// The time limit of a write the main thread makes on a bound connection, in milliseconds: a
// customer program that keeps the connection alive but stops reading must not freeze the console.
inline constexpr int kDefaultWriteTimeOut = 5000;

}  // namespace corvane::session
