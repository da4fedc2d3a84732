#pragma once
// The transport operations of a channel, shared by IO handlers and channel components (which
// forward to their handler). Texts here are bytes as on the wire (Windows-1252); channels convert.
//
// Time limits for ReadMessageCode: kNoTimeLimit (-2) or kConnectionTimeLimit (-1), or milliseconds.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Stream.h"
#include "session/ComponentStream.h"
#include "session/MessageCode.h"

namespace corvane::session {

class IOLATransport {
public:
  virtual ~IOLATransport() = default;
  virtual TOLAMessageCode ReadMessageCode(int timeout) = 0;
  virtual int32_t ReadInteger() = 0;
  virtual uint16_t ReadWord() = 0;
  virtual uint8_t ReadByte() = 0;
  virtual uint32_t ReadCardinal() = 0;
  virtual void ReadComponent(TOLAStreamable& record) = 0;
  // size -1: a big-endian Int32 count, then that many bytes; otherwise size bytes. Written into
  // stream from its position; the stream is cut at the end of what was written.
  virtual void ReadStream(base::Stream& stream, int64_t size) = 0;
  virtual std::string ReadLn() = 0;
  virtual void WriteMessageCode(TOLAMessageCode code) = 0;
  virtual void WriteInteger(int32_t value) = 0;
  virtual void WriteWord(uint16_t value) = 0;
  virtual void WriteByte(uint8_t value) = 0;
  virtual void WriteCardinal(uint32_t value) = 0;
  virtual void WriteComponent(const TOLAStreamable& record) = 0;
  virtual void WriteStream(base::Stream& stream, int64_t size, bool writeSize, bool fromStart) = 0;
  virtual void WriteLn(std::string_view text) = 0;
  virtual bool Connected() = 0;
};

}  // namespace corvane::session
