// Message-code and line reader fed by a byte stream: the bytes arrive on a real socket and are read
// the way an agent channel reads them (code lines, blocks, records, text lines, raw blocks) until
// the stream ends or is rejected.

#include "FuzzSupport.h"
#include "session/IOHandler.h"
#include "session/MessageData.h"
#include "session/SessionError.h"
#include "session/TcpConnection.h"

using namespace corvane;
using namespace corvane::session;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 512 * 1024) return 0;
  corvane::fuzz::FedTransport h(corvane::fuzz::Bytes(data, size));
  try {
    for (int turn = 0; turn < 10000; ++turn) {
      switch (h.ReadMessageCode(kNoTimeLimit)) {
        case mcMouseMove:
        case mcCursorPosition: {
          TOLAMouseMoveMessageData r;
          h.ReadComponent(r);
          break;
        }
        case mcFrameUpdate: {
          TOLAFrameUpdateMessageData r;
          h.ReadComponent(r);
          break;
        }
        case mcClipboardChange: {
          TOLAClipBoardChangeMessageData r;
          h.ReadComponent(r);
          if (r.ClipBoardStreamSize > kMaxRawBlockLength) throw BlockLengthError("too large");
          base::MemoryStream s;
          h.ReadStream(s, r.ClipBoardStreamSize);
          break;
        }
        case mcChatMessage:
        case mcFileBlock: {
          base::MemoryStream s;
          h.ReadStream(s, -1);
          break;
        }
        case mcCommand:
          h.ReadLn();
          break;
        case mcFullScreenUpdateInterval:
          h.ReadCardinal();
          break;
        case mcPixelFormat:
          h.ReadByte();
          break;
        case mcScreenDimension:
          h.ReadWord();
          h.ReadInteger();
          break;
        default:
          break;
      }
    }
  } catch (const SessionError&) {
  } catch (const base::StreamError&) {
  }
  return 0;
}
