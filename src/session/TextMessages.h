#pragma once
// The bodies of the three text messages, shared by the agent's channels and the customer-side
// ends: chat (code 33, a length-prefixed block), command (code 34, a text line) and clipboard
// change (code 32, a record then a raw block). Texts are UTF-8 here and Windows-1252 on the wire.
// The Write functions write the code line too; the Read functions read what follows the code line
// and check every announced length against the ceilings of Limits.h.

#include <optional>
#include <string>
#include <string_view>

#include "session/Transport.h"

namespace corvane::session {

// Nothing is sent for an empty text.
void WriteChatText(IOLATransport& transport, std::string_view text);
std::string ReadChatText(IOLATransport& transport);

// A command is one line: line breaks and lines over the line limit cannot be sent (SendTextError).
void WriteCommandText(IOLATransport& transport, std::string_view text);
// An empty text when the line did not come within the read time limit.
std::string ReadCommandText(IOLATransport& transport);

// Nothing is sent for an empty text.
void WriteClipboardText(IOLATransport& transport, std::string_view text);
// Nothing when the announced format is not text (its bytes are read and dropped).
std::optional<std::string> ReadClipboardText(IOLATransport& transport);

}  // namespace corvane::session
