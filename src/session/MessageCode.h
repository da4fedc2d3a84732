#pragma once
// Message codes: one character, chr(65 + code), and CR LF on the wire. The same byte-sized
// enumeration carries control codes (0-2), channel identifiers (15-27) and messages.

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::session {

enum TOLAMessageCode : uint8_t {
  mcNone = 0,
  mcEmpty = 1,
  mcDisconnect = 2,
  mcScreenOptions = 3,
  mcScreenDimension = 4,
  mcFrameUpdate = 5,
  mcFrameRequest = 6,
  mcPixelFormat = 7,
  mcGrayScale = 8,
  mcCompression = 9,
  mcAccuracy = 10,
  mcFullScreenUpdateInterval = 11,
  mcMouseButton = 12,
  mcMouseMove = 13,
  mcMouseWheel = 14,
  mcChannelScreen = 15,
  mcChannelSpeakingInputs = 16,
  mcChannelCursor = 17,
  mcChannelSpeakingClipboard = 18,
  mcChannelClipboard = 19,
  mcChannelSpeakingChat = 20,
  mcChannelChat = 21,
  mcChannelSpeakingCommands = 22,
  mcChannelCommands = 23,
  mcChannelFileTransfertManager = 24,
  mcChannelSpeakingFileTransfertManager = 25,
  mcChannelFileTransfert = 26,
  mcChannelSpeakingFileTransfert = 27,
  mcCursorPosition = 28,
  mcCursorImage = 29,
  mcKey = 30,
  mcKeyboardState = 31,
  mcClipboardChange = 32,
  mcChatMessage = 33,
  mcCommand = 34,
  mcNewTransfert = 35,
  mcTransfertAccepted = 36,
  mcFileHeader = 37,
  mcFileBlock = 38,
  mcFileEnd = 39,
  mcFileCancel = 40,
};

// The line a code is sent as, CR LF included.
std::string MessageCodeLine(TOLAMessageCode code);

// A received line (LF and one CR before it already removed) to its code: empty gives mcEmpty,
// one character its byte value minus 65 (wrapping), two or more characters mcNone.
TOLAMessageCode MessageCodeFromLine(std::string_view line);

}  // namespace corvane::session
