#include "session/TextMessages.h"

#include "base/Cp1252.h"
#include "session/Limits.h"
#include "session/MessageData.h"
#include "session/SessionError.h"

namespace corvane::session {

void WriteChatText(IOLATransport& transport, std::string_view text) {
  if (text.empty()) return;
  base::MemoryStream bytes(base::Utf8ToCp1252(text));
  transport.WriteMessageCode(mcChatMessage);
  transport.WriteStream(bytes, bytes.Size(), /*writeSize=*/true, /*fromStart=*/true);
}

std::string ReadChatText(IOLATransport& transport) {
  const int32_t length = transport.ReadInteger();
  if (length < 0 || length > kMaxChatTextLength)
    throw BlockLengthError("Invalid chat text length " + std::to_string(length));
  base::MemoryStream bytes;
  transport.ReadStream(bytes, length);
  return base::Cp1252ToUtf8(bytes.Bytes());
}

void WriteCommandText(IOLATransport& transport, std::string_view text) {
  const std::string line = base::Utf8ToCp1252(text);
  if (line.find_first_of("\r\n") != std::string::npos)
    throw SendTextError("A command cannot hold a line break.");
  if (line.size() > kMaxLineLength) throw SendTextError("Command too long.");
  transport.WriteMessageCode(mcCommand);
  transport.WriteLn(line);
}

std::string ReadCommandText(IOLATransport& transport) {
  return base::Cp1252ToUtf8(transport.ReadLn());
}

void WriteClipboardText(IOLATransport& transport, std::string_view text) {
  if (text.empty()) return;
  base::MemoryStream bytes(base::Utf8ToCp1252(text));
  TOLAClipBoardChangeMessageData record;
  record.ClipBoardFormat = clfTxt;
  record.ClipBoardStreamSize = static_cast<uint32_t>(bytes.Size());
  transport.WriteMessageCode(mcClipboardChange);
  transport.WriteComponent(record);
  transport.WriteStream(bytes, bytes.Size(), /*writeSize=*/false, /*fromStart=*/true);
}

std::optional<std::string> ReadClipboardText(IOLATransport& transport) {
  TOLAClipBoardChangeMessageData record;
  transport.ReadComponent(record);
  if (record.ClipBoardStreamSize > kMaxRawBlockLength)
    throw BlockLengthError("Invalid clipboard size " + std::to_string(record.ClipBoardStreamSize));
  base::MemoryStream bytes;
  transport.ReadStream(bytes, record.ClipBoardStreamSize);
  if (record.ClipBoardFormat != clfTxt) return std::nullopt;
  return base::Cp1252ToUtf8(bytes.Bytes());
}

}  // namespace corvane::session
