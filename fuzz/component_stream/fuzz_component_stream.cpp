// Component-stream decoder with every record type: the first byte picks the record, the rest is
// the stream. A stream that decodes must encode again (pictures permitting) and decode to the
// same bytes.

#include <memory>

#include "FuzzSupport.h"
#include "session/MessageData.h"
#include "session/ScreenOptions.h"
#include "session/SessionError.h"

using namespace corvane::session;

namespace {

std::unique_ptr<TOLAStreamable> MakeRecord(uint8_t kind) {
  switch (kind % 11) {
    case 0: return std::make_unique<TOLAMouseMoveMessageData>();
    case 1: return std::make_unique<TOLAMouseButtonMessageData>();
    case 2: return std::make_unique<TOLAMouseWheelMessageData>();
    case 3: return std::make_unique<TOLAScreenDimensionMessageData>();
    case 4: return std::make_unique<TOLACursorChangeMessageData>();
    case 5: return std::make_unique<TOLAFrameUpdateMessageData>();
    case 6: return std::make_unique<TOLAKeyboardStateMessageData>();
    case 7: return std::make_unique<TOLAKeyboardMessageData>();
    case 8: return std::make_unique<TOLAClipBoardChangeMessageData>();
    case 9: return std::make_unique<TOLAFileTransfertMessageData>();
    default: return std::make_unique<TDadScreenOptions>();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  auto record = MakeRecord(data[0]);
  try {
    DecodeComponent(corvane::fuzz::Bytes(data + 1, size - 1), *record);
  } catch (const SessionError&) {
    return 0;
  }
  std::string again;
  try {
    again = EncodeComponent(*record);
  } catch (const PngError&) {
    return 0;  // a record whose picture was absent from the stream has nothing to encode
  }
  auto copy = MakeRecord(data[0]);
  DecodeComponent(again, *copy);  // must not throw: what we write we read
  if (EncodeComponent(*copy) != again) __builtin_trap();
  return 0;
}
