// Message-code and line reader fed by a byte stream: the bytes arrive on a real socket and are read
// the way an agent channel reads them (code lines, blocks, records, text lines, raw blocks) until
// the stream ends or is rejected.

#include <sys/socket.h>
#include <unistd.h>

#include "FuzzSupport.h"
#include "session/IOHandler.h"
#include "session/MessageData.h"
#include "session/SessionError.h"
#include "session/TcpConnection.h"

using namespace corvane;
using namespace corvane::session;

namespace {

// A client IO handler over an existing connection, so that every transport operation is exercised.
class FeedHandler final : public TOLACustomIdIOHandler {
public:
  explicit FeedHandler(std::shared_ptr<TcpConnection> c) : TOLACustomIdIOHandler(nullptr), c_(std::move(c)) {}
  void Connect() override {}
  std::shared_ptr<TcpConnection> GetConnection() const override { return c_; }

private:
  std::shared_ptr<TcpConnection> c_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 512 * 1024) return 0;
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return 0;
  int buf = 4 * 1024 * 1024;
  setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &buf, sizeof buf);
  setsockopt(fds[0], SOL_SOCKET, SO_RCVBUF, &buf, sizeof buf);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fds[1], data + done, size - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  shutdown(fds[1], SHUT_WR);
  auto connection = std::make_shared<TcpConnection>(fds[0]);
  connection->SetReadTimeout(50);
  FeedHandler h(connection);
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
  close(fds[1]);
  return 0;
}
