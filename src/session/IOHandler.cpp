#include "session/IOHandler.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "session/ChannelComponent.h"
#include "session/SessionError.h"

namespace corvane::session {

namespace {

// Streams move between file and connection in pieces of this size (the sender's largest block),
// so a block is never held whole and each piece is one large send or receive.
constexpr size_t kStreamChunk = 1024 * 1024;

std::string BigEndian32(uint32_t v) {
  std::string out(4, '\0');
  out[0] = static_cast<char>(v >> 24);
  out[1] = static_cast<char>(v >> 16);
  out[2] = static_cast<char>(v >> 8);
  out[3] = static_cast<char>(v);
  return out;
}

uint32_t ReadBigEndian32(TcpConnection& c) {
  unsigned char b[4];
  c.ReadInto(b, 4);
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

}  // namespace

// --- context ------------------------------------------------------------------------------------

TOLAIdContext::~TOLAIdContext() = default;

void TOLAIdContext::ConnectionEnded() {
  TOLACustomServer* channel = channel_;
  if (!channel) return;
  try {
    channel->DoDisconnected();
  } catch (...) {
  }
  auto* handler = dynamic_cast<TOLAIdServerIOHandler*>(channel->IOHandler());
  TOLACustomServer* toDestroy = handler && handler->FreeWithContext ? channel : nullptr;
  if (handler) handler->Bind(nullptr);
  channel_ = nullptr;
  if (toDestroy) toDestroy->Free();
}

// --- operations on a connection -----------------------------------------------------------------

int32_t TOLACustomIdIOHandler::CheckedBlockLength(int32_t length) {
  if (length < 0 || length > kMaxBlockLength)
    throw BlockLengthError("Invalid block length " + std::to_string(length));
  return length;
}

bool TOLACustomIdIOHandler::Connected() {
  auto c = GetConnection();
  if (!c) return false;
  try {
    return c->Connected();
  } catch (...) {
    Disconnect();
    throw AbortError();
  }
}

void TOLACustomIdIOHandler::Disconnect() {
  if (auto c = GetConnection()) c->Disconnect();
}

TOLAMessageCode TOLACustomIdIOHandler::ReadMessageCode(int timeout) {
  auto c = GetConnection();
  if (!c) return mcDisconnect;
  auto line = c->ReadLine(timeout, kMaxLineLength);
  return line ? MessageCodeFromLine(*line) : mcEmpty;
}

int32_t TOLACustomIdIOHandler::ReadInteger() {
  auto c = GetConnection();
  return c ? static_cast<int32_t>(ReadBigEndian32(*c)) : 0;
}

uint32_t TOLACustomIdIOHandler::ReadCardinal() {
  auto c = GetConnection();
  return c ? ReadBigEndian32(*c) : 0;
}

uint16_t TOLACustomIdIOHandler::ReadWord() {
  auto c = GetConnection();
  if (!c) return 0;
  unsigned char b[2];
  c->ReadInto(b, 2);
  return static_cast<uint16_t>(b[0] + 256 * b[1]);
}

uint8_t TOLACustomIdIOHandler::ReadByte() {
  auto c = GetConnection();
  if (!c) return 0;
  unsigned char b;
  c->ReadInto(&b, 1);
  return b;
}

void TOLACustomIdIOHandler::ReadComponent(TOLAStreamable& record) {
  auto c = GetConnection();
  if (!c) return;
  const int32_t length = CheckedBlockLength(static_cast<int32_t>(ReadBigEndian32(*c)));
  const std::string block = c->ReadBytes(static_cast<size_t>(length));
  DecodeComponent(block, record);
}

void TOLACustomIdIOHandler::ReadStream(base::Stream& stream, int64_t size) {
  auto c = GetConnection();
  if (!c) return;
  if (size == -1) size = CheckedBlockLength(static_cast<int32_t>(ReadBigEndian32(*c)));
  if (size < 0 || size > kMaxBlockLength)
    throw BlockLengthError("Invalid block length " + std::to_string(size));
  auto left = static_cast<size_t>(size);
  const auto chunk = std::make_unique_for_overwrite<char[]>(std::min(left, kStreamChunk));
  while (left > 0) {
    const size_t take = std::min(left, kStreamChunk);
    c->ReadInto(chunk.get(), take);
    stream.Write(chunk.get(), take);
    left -= take;
  }
  stream.SetSize(stream.Position());
}

std::string TOLACustomIdIOHandler::ReadLn() {
  auto c = GetConnection();
  if (!c) return {};
  auto line = c->ReadLine(kConnectionTimeLimit, kMaxLineLength);
  return line ? *line : std::string();
}

void TOLACustomIdIOHandler::WriteMessageCode(TOLAMessageCode code) {
  if (auto c = GetConnection()) c->Write(MessageCodeLine(code), WriteTimeLimit());
}

void TOLACustomIdIOHandler::WriteInteger(int32_t value) {
  if (auto c = GetConnection())
    c->Write(BigEndian32(static_cast<uint32_t>(value)), WriteTimeLimit());
}

void TOLACustomIdIOHandler::WriteCardinal(uint32_t value) {
  if (auto c = GetConnection()) c->Write(BigEndian32(value), WriteTimeLimit());
}

void TOLACustomIdIOHandler::WriteWord(uint16_t value) {
  if (auto c = GetConnection()) {
    const char b[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    c->Write(std::string_view(b, 2), WriteTimeLimit());
  }
}

void TOLACustomIdIOHandler::WriteByte(uint8_t value) {
  if (auto c = GetConnection()) {
    const char b = static_cast<char>(value);
    c->Write(std::string_view(&b, 1), WriteTimeLimit());
  }
}

void TOLACustomIdIOHandler::WriteComponent(const TOLAStreamable& record) {
  auto c = GetConnection();
  if (!c) return;
  std::string block = EncodeComponent(record);
  c->Write(BigEndian32(static_cast<uint32_t>(block.size())) + block, WriteTimeLimit());
}

void TOLACustomIdIOHandler::WriteStream(base::Stream& stream, int64_t size, bool writeSize,
                                        bool fromStart) {
  auto c = GetConnection();
  if (!c) return;
  if (fromStart) {
    if (size > 0) stream.Seek(0);
    if (size < 0) size = 0;
  } else if (size == 0) {
    size = -1;
  }
  int64_t count;
  if (size < 0) {
    count = std::max<int64_t>(0, stream.Size() - stream.Position());
  } else if (size == 0) {
    stream.Seek(0);
    count = stream.Size();
  } else {
    count = size;
  }
  if (count > stream.Size() - stream.Position())
    throw base::StreamError("Stream holds fewer bytes than announced");
  if (count > kMaxBlockLength && writeSize)
    throw BlockLengthError("Block too large to send: " + std::to_string(count));
  // Small blocks go out in one write together with their prefix. The buffer is left
  // uninitialised: every byte sent was read into it first.
  const std::string prefix = writeSize ? BigEndian32(static_cast<uint32_t>(count)) : std::string();
  auto left = static_cast<size_t>(count);
  const auto buffer = std::make_unique_for_overwrite<char[]>(prefix.size() + std::min(left, kStreamChunk));
  std::memcpy(buffer.get(), prefix.data(), prefix.size());
  size_t used = prefix.size();
  do {
    const size_t take = std::min(left, kStreamChunk);
    if (take && stream.Read(buffer.get() + used, take) != take)
      throw base::StreamError("Stream ended while being sent");
    used += take;
    if (used) c->Write(std::string_view(buffer.get(), used), WriteTimeLimit());
    used = 0;
    left -= take;
  } while (left > 0);
}

void TOLACustomIdIOHandler::WriteLn(std::string_view text) {
  if (auto c = GetConnection()) {
    std::string line(text);
    line += "\r\n";
    c->Write(line, WriteTimeLimit());
  }
}

// --- server handler -----------------------------------------------------------------------------

TOLAIdServerIOHandler::TOLAIdServerIOHandler(TComponent* owner) : TOLACustomIdIOHandler(owner) {
  Name = "IdServerIOHandler";
}

TOLAIdServerIOHandler::~TOLAIdServerIOHandler() = default;

bool TOLAIdServerIOHandler::Connected() {
  auto c = GetConnection();
  return c && c->Connected();
}

int TOLAIdServerIOHandler::WriteTimeLimit() const {
  const std::thread::id own = ContextThread();
  return own == std::thread::id() || own == std::this_thread::get_id() ? kConnectionTimeLimit
                                                                        : WriteTimeOut;
}

std::shared_ptr<TcpConnection> TOLAIdServerIOHandler::GetConnection() const {
  std::lock_guard lock(mutex_);
  return connection_;
}

TOLAIdContext* TOLAIdServerIOHandler::Context() const {
  std::lock_guard lock(mutex_);
  return context_;
}

std::thread::id TOLAIdServerIOHandler::ContextThread() const {
  std::lock_guard lock(mutex_);
  return thread_;
}

void TOLAIdServerIOHandler::Bind(TOLAIdContext* context) {
  TOLAIdContext* previous;
  {
    std::lock_guard lock(mutex_);
    previous = context_;
  }
  if (context == previous) return;
  if (previous) previous->channel_ = nullptr;
  {
    std::lock_guard lock(mutex_);
    context_ = context;
    connection_ = context ? context->SharedConnection() : nullptr;
    thread_ = context ? context->ThreadId() : std::thread::id();
  }
  if (!context) return;
  if (context->channel_) {
    if (auto* other = dynamic_cast<TOLAIdServerIOHandler*>(context->channel_->IOHandler()))
      other->Bind(nullptr);
  }
  context->channel_ = static_cast<TOLACustomServer*>(Owner());
  context->Connection().SetReadTimeout(ReadTimeOut);
}

// --- client handler -----------------------------------------------------------------------------

TOLAIdClientIOHandler::TOLAIdClientIOHandler(TComponent* owner) : TOLACustomIdIOHandler(owner) {
  Name = "IdClientIOHandler";
}

TOLAIdClientIOHandler::~TOLAIdClientIOHandler() = default;

void TOLAIdClientIOHandler::Connect() {
  auto c = std::shared_ptr<TcpConnection>(TcpConnection::Connect(Host, Port, ConnectTimeOut));
  c->SetReadTimeout(ReadTimeOut);
  std::lock_guard lock(mutex_);
  connection_ = std::move(c);
}

std::shared_ptr<TcpConnection> TOLAIdClientIOHandler::GetConnection() const {
  std::lock_guard lock(mutex_);
  return connection_;
}

}  // namespace corvane::session
