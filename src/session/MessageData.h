#pragma once
// Payload records of the session protocol. Each writes its properties in the peer's order and reads
// them back by case-insensitive name; a property absent from a received stream keeps its initial
// value. Coordinates are pixels of the customer's screen, origin top left.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/ComponentStream.h"
#include "session/Image.h"
#include "session/Limits.h"
#include "session/Png.h"

namespace corvane::session {

// Base of every record whose class name ends in MessageData. Its generic name and tag are never
// written, so it adds nothing to the stream.
class TOLABaseMessageData : public TOLAStreamable {};

class TOLATopLeftMessageData : public TOLABaseMessageData {
public:
  int16_t Left = 0;
  int16_t Top = 0;
  void WriteProperties(StreamWriter& w) const override;
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override;
};

class TOLAMouseMoveMessageData : public TOLATopLeftMessageData {
public:
  std::string_view ClassName() const override { return "TOLAMouseMoveMessageData"; }
};

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };
enum TOLAMouseButtonAction : uint8_t { maDown, maUp, maClick, maDblClick };

class TOLAMouseButtonMessageData : public TOLATopLeftMessageData {
public:
  TMouseButton Button = mbLeft;
  TOLAMouseButtonAction Action = maDown;
  std::string_view ClassName() const override { return "TOLAMouseButtonMessageData"; }
  void WriteProperties(StreamWriter& w) const override;
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override;
};

class TOLAMouseWheelMessageData : public TOLATopLeftMessageData {
public:
  int16_t WheelData = 0;
  std::string_view ClassName() const override { return "TOLAMouseWheelMessageData"; }
  void WriteProperties(StreamWriter& w) const override;
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override;
};

class TOLAScreenDimensionMessageData : public TOLABaseMessageData {
public:
  int16_t Width = 0;
  int16_t Height = 0;
  std::string_view ClassName() const override { return "TOLAScreenDimensionMessageData"; }
  void WriteProperties(StreamWriter& w) const override;
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override;
};

// A picture carried as the binary property "i". On reading, the PNG file is decoded into Picture.
// On writing, Png is sent when it holds a ready-made file, else Picture is encoded.
struct PngPicture {
  Image Picture;
  std::string Png;
  void Write(StreamWriter& w, int compressionLevel) const;
  void Read(uint8_t tag, StreamReader& r, const PngLimits& limits = {});
};

class TOLACursorChangeMessageData : public TOLABaseMessageData {
public:
  int16_t HotSpotX = 0;
  int16_t HotSpotY = 0;
  PngPicture Image;
  std::string_view ClassName() const override { return "TOLACursorChangeMessageData"; }
  void WriteProperties(StreamWriter& w) const override;
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override;
};

// Collection item: an image patch whose top-left pixel goes to (Left, Top).
struct TOLAPngUpdate {
  int16_t Left = 0;
  int16_t Top = 0;
  PngPicture Image;
};

// Collection item: the rectangle (Left, Top)-(Right, Bottom), right and bottom exclusive, moves to
// (PosX, PosY).
struct TOLACopyRectUpdate {
  int16_t Left = 0;
  int16_t Top = 0;
  int16_t Right = 0;
  int16_t Bottom = 0;
  int16_t PosX = 0;
  int16_t PosY = 0;
};

class TOLAFrameUpdateMessageData : public TOLABaseMessageData {
public:
  std::vector<TOLAPngUpdate> PngUpdates;
  std::vector<TOLACopyRectUpdate> CopyRectUpdates;
  // Not serialised: the PNG compression level of patches encoded from pictures.
  uint8_t CompressionLevel = 1;
  // Not serialised: the most pixels the patches of a received record may decode to together. A
  // patch that would go beyond it fails with PngTooLargeError before its pixels are allocated.
  uint64_t MaxDecodedPixels = kMaxFramePixels;
  // The budget for a frame of a screen of this size (0 while no size is known).
  static uint64_t DecodedPixelsBudget(int32_t screenWidth, int32_t screenHeight);

  std::string_view ClassName() const override { return "TOLAFrameUpdateMessageData"; }
  void WriteProperties(StreamWriter& w) const override;
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override;

private:
  friend class PngUpdateReader;
  uint64_t decodedPixels_ = 0;  // pixels of the patches held in PngUpdates
};

// Keyboard state: Shift, Ctrl and Alt held down; Num Lock, Caps Lock and Scroll Lock toggled on.
enum TOLASpecialKey : uint8_t { ksShift, ksCtrl, ksAlt, ksVerNum, ksCapsLock, ksScrollLock };
using TOLASpecialKeys = uint8_t;  // bit (1 << TOLASpecialKey) per member
constexpr TOLASpecialKeys SpecialKeyBit(TOLASpecialKey k) { return static_cast<TOLASpecialKeys>(1u << k); }

class TOLAKeyboardStateMessageData : public TOLABaseMessageData {
public:
  TOLASpecialKeys KeybState = 0;
  std::string_view ClassName() const override { return "TOLAKeyboardStateMessageData"; }
  void WriteProperties(StreamWriter& w) const override;
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override;
};

enum TOLAKeyboardAction : uint8_t { kaDown, kaUp };

class TOLAKeyboardMessageData : public TOLAKeyboardStateMessageData {
public:
  uint16_t VirtualKey = 0;
  TOLAKeyboardAction Action = kaDown;
  std::string_view ClassName() const override { return "TOLAKeyboardMessageData"; }
  void WriteProperties(StreamWriter& w) const override;
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override;
};

enum TOLAClipBoardFormat : uint8_t { clfTxt };

class TOLAClipBoardChangeMessageData : public TOLABaseMessageData {
public:
  TOLAClipBoardFormat ClipBoardFormat = clfTxt;
  uint32_t ClipBoardStreamSize = 0;
  std::string_view ClassName() const override { return "TOLAClipBoardChangeMessageData"; }
  void WriteProperties(StreamWriter& w) const override;
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override;
};

// What the receiving user may do with a received file.
enum TOLAAuthorizedEndOperation : uint8_t { aeoCanSave, aeoCanExecute };
using TOLAAuthorizedEndOperations = uint8_t;  // bit (1 << member) per member
constexpr TOLAAuthorizedEndOperations AuthorizationBit(TOLAAuthorizedEndOperation a) {
  return static_cast<TOLAAuthorizedEndOperations>(1u << a);
}

class TOLAFileTransfertMessageData : public TOLABaseMessageData {
public:
  int64_t FileSize = 0;        // written only when not 0
  std::string FileName;        // written only when not empty (UTF-8 here)
  std::string DirectoryName;   // written only when not empty
  TOLAAuthorizedEndOperations Authorizations = 0;
  std::string_view ClassName() const override { return "TOLAFileTransfertMessageData"; }
  void WriteProperties(StreamWriter& w) const override;
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override;
};

// Enumeration helpers shared with the screen options record.
int EnumOrdinal(const std::vector<std::string_view>& names, const std::string& identifier);
TOLASpecialKeys ReadSpecialKeys(uint8_t tag, StreamReader& r);

}  // namespace corvane::session
