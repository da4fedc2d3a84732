#include "session/MessageData.h"

#include <algorithm>

#include "session/Png.h"

namespace corvane::session {

namespace {

const std::vector<std::string_view> kMouseButtons = {"mbLeft", "mbRight", "mbMiddle"};
const std::vector<std::string_view> kMouseActions = {"maDown", "maUp", "maClick", "maDblClick"};
const std::vector<std::string_view> kSpecialKeys = {"ksShift",   "ksCtrl",     "ksAlt",
                                                    "ksVerNum",  "ksCapsLock", "ksScrollLock"};
const std::vector<std::string_view> kKeyboardActions = {"kaDown", "kaUp"};
const std::vector<std::string_view> kClipboardFormats = {"clfTxt"};
const std::vector<std::string_view> kAuthorizations = {"aeoCanSave", "aeoCanExecute"};

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

int16_t ReadInt16(uint8_t tag, StreamReader& r) {
  return static_cast<int16_t>(r.IntValue(tag, false));
}

template <typename E>
E ReadEnum(const std::vector<std::string_view>& names, uint8_t tag, StreamReader& r) {
  return static_cast<E>(EnumOrdinal(names, r.IdentValue(tag)));
}

uint8_t ReadSetBits(const std::vector<std::string_view>& names, uint8_t tag, StreamReader& r) {
  uint8_t bits = 0;
  for (const auto& m : r.SetValue(tag)) bits |= static_cast<uint8_t>(1u << EnumOrdinal(names, m));
  return bits;
}

std::vector<std::string_view> SetMembers(const std::vector<std::string_view>& names, uint8_t bits) {
  std::vector<std::string_view> members;
  for (size_t i = 0; i < names.size(); ++i)
    if (bits & (1u << i)) members.push_back(names[i]);
  return members;
}

}  // namespace

int EnumOrdinal(const std::vector<std::string_view>& names, const std::string& identifier) {
  for (size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], identifier)) return static_cast<int>(i);
  StreamReader::Fail("\"" + identifier + "\" is not a member of the enumeration");
}

TOLASpecialKeys ReadSpecialKeys(uint8_t tag, StreamReader& r) {
  return ReadSetBits(kSpecialKeys, tag, r);
}

// --- mouse records ----------------------------------------------------------------------------

void TOLATopLeftMessageData::WriteProperties(StreamWriter& w) const {
  w.Int("Left", Left);
  w.Int("Top", Top);
}

bool TOLATopLeftMessageData::ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) {
  if (name == "left") Left = ReadInt16(tag, r);
  else if (name == "top") Top = ReadInt16(tag, r);
  else return false;
  return true;
}

void TOLAMouseButtonMessageData::WriteProperties(StreamWriter& w) const {
  TOLATopLeftMessageData::WriteProperties(w);
  w.Ident("Button", kMouseButtons.at(Button));
  w.Ident("Action", kMouseActions.at(Action));
}

bool TOLAMouseButtonMessageData::ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) {
  if (name == "button") Button = ReadEnum<TMouseButton>(kMouseButtons, tag, r);
  else if (name == "action") Action = ReadEnum<TOLAMouseButtonAction>(kMouseActions, tag, r);
  else return TOLATopLeftMessageData::ReadProperty(name, tag, r);
  return true;
}

void TOLAMouseWheelMessageData::WriteProperties(StreamWriter& w) const {
  TOLATopLeftMessageData::WriteProperties(w);
  w.Int("WheelData", WheelData);
}

bool TOLAMouseWheelMessageData::ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) {
  if (name == "wheeldata") WheelData = ReadInt16(tag, r);
  else return TOLATopLeftMessageData::ReadProperty(name, tag, r);
  return true;
}

// --- screen -----------------------------------------------------------------------------------

void TOLAScreenDimensionMessageData::WriteProperties(StreamWriter& w) const {
  w.Int("Width", Width);
  w.Int("Height", Height);
}

bool TOLAScreenDimensionMessageData::ReadProperty(std::string_view name, uint8_t tag,
                                                  StreamReader& r) {
  if (name == "width") Width = ReadInt16(tag, r);
  else if (name == "height") Height = ReadInt16(tag, r);
  else return false;
  return true;
}

void PngPicture::Write(StreamWriter& w, int compressionLevel) const {
  w.Binary("i", Png.empty() ? EncodePng(Picture, compressionLevel) : Png);
}

void PngPicture::Read(uint8_t tag, StreamReader& r, const PngLimits& limits) {
  Picture = DecodePng(r.BinaryValue(tag), limits);
}

void TOLACursorChangeMessageData::WriteProperties(StreamWriter& w) const {
  w.Int("HotSpotX", HotSpotX);
  w.Int("HotSpotY", HotSpotY);
  Image.Write(w, 6);
}

bool TOLACursorChangeMessageData::ReadProperty(std::string_view name, uint8_t tag,
                                               StreamReader& r) {
  if (name == "hotspotx") HotSpotX = ReadInt16(tag, r);
  else if (name == "hotspoty") HotSpotY = ReadInt16(tag, r);
  else if (name == "i") Image.Read(tag, r);
  else return false;
  return true;
}

// Collection items read through the generic property loop. A patch's picture is decoded within
// what is left of its frame's pixel budget.
class PngUpdateReader final : public TOLAStreamable {
public:
  PngUpdateReader(TOLAFrameUpdateMessageData& frame, TOLAPngUpdate& item)
      : frame_(frame), item_(item) {}
  std::string_view ClassName() const override { return "TOLAPngUpdate"; }
  void WriteProperties(StreamWriter&) const override {}
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override {
    if (name == "left") {
      item_.Left = ReadInt16(tag, r);
    } else if (name == "top") {
      item_.Top = ReadInt16(tag, r);
    } else if (name == "i") {
      const uint64_t held = frame_.decodedPixels_ - item_.Image.Picture.pixels.size();
      const uint64_t left = frame_.MaxDecodedPixels > held ? frame_.MaxDecodedPixels - held : 0;
      PngLimits limits;
      limits.maxPixels = std::min(limits.maxPixels, left);
      item_.Image.Read(tag, r, limits);
      frame_.decodedPixels_ = held + item_.Image.Picture.pixels.size();
    } else {
      return false;
    }
    return true;
  }

private:
  TOLAFrameUpdateMessageData& frame_;
  TOLAPngUpdate& item_;
};

namespace {

class CopyRectReader final : public TOLAStreamable {
public:
  explicit CopyRectReader(TOLACopyRectUpdate& item) : item_(item) {}
  std::string_view ClassName() const override { return "TOLACopyRectUpdate"; }
  void WriteProperties(StreamWriter&) const override {}
  bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) override {
    int16_t* field = name == "left"     ? &item_.Left
                     : name == "top"    ? &item_.Top
                     : name == "right"  ? &item_.Right
                     : name == "bottom" ? &item_.Bottom
                     : name == "posx"   ? &item_.PosX
                     : name == "posy"   ? &item_.PosY
                                        : nullptr;
    if (!field) return false;
    *field = ReadInt16(tag, r);
    return true;
  }

private:
  TOLACopyRectUpdate& item_;
};

}  // namespace

void TOLAFrameUpdateMessageData::WriteProperties(StreamWriter& w) const {
  w.BeginCollection("PngUpdates");
  for (const auto& u : PngUpdates) {
    w.BeginItem();
    w.Int("Left", u.Left);
    w.Int("Top", u.Top);
    u.Image.Write(w, CompressionLevel);
    w.EndItem();
  }
  w.EndCollection();
  w.BeginCollection("CopyRectUpdates");
  for (const auto& u : CopyRectUpdates) {
    w.BeginItem();
    w.Int("Left", u.Left);
    w.Int("Top", u.Top);
    w.Int("Right", u.Right);
    w.Int("Bottom", u.Bottom);
    w.Int("PosX", u.PosX);
    w.Int("PosY", u.PosY);
    w.EndItem();
  }
  w.EndCollection();
}

uint64_t TOLAFrameUpdateMessageData::DecodedPixelsBudget(int32_t screenWidth, int32_t screenHeight) {
  if (screenWidth <= 0 || screenHeight <= 0) return kMaxFramePixels;
  const uint64_t screen = static_cast<uint64_t>(screenWidth) * static_cast<uint64_t>(screenHeight);
  return std::min(kMaxFramePixels, kFramePixelsPerScreen * screen);
}

bool TOLAFrameUpdateMessageData::ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) {
  if (name == "pngupdates") {
    PngUpdates.clear();
    decodedPixels_ = 0;
    r.CollectionValue(tag, [&] {
      PngUpdateReader item(*this, PngUpdates.emplace_back());
      ReadPropertyList(r, item);
    });
  } else if (name == "copyrectupdates") {
    CopyRectUpdates.clear();
    r.CollectionValue(tag, [&] {
      CopyRectReader item(CopyRectUpdates.emplace_back());
      ReadPropertyList(r, item);
    });
  } else {
    return false;
  }
  return true;
}

// --- keyboard ---------------------------------------------------------------------------------

void TOLAKeyboardStateMessageData::WriteProperties(StreamWriter& w) const {
  w.Set("KeybState", SetMembers(kSpecialKeys, KeybState));
}

bool TOLAKeyboardStateMessageData::ReadProperty(std::string_view name, uint8_t tag,
                                                StreamReader& r) {
  if (name != "keybstate") return false;
  KeybState = ReadSpecialKeys(tag, r);
  return true;
}

void TOLAKeyboardMessageData::WriteProperties(StreamWriter& w) const {
  TOLAKeyboardStateMessageData::WriteProperties(w);
  w.Int("VirtualKey", VirtualKey);
  w.Ident("Action", kKeyboardActions.at(Action));
}

bool TOLAKeyboardMessageData::ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) {
  if (name == "virtualkey") VirtualKey = static_cast<uint16_t>(r.IntValue(tag, false));
  else if (name == "action") Action = ReadEnum<TOLAKeyboardAction>(kKeyboardActions, tag, r);
  else return TOLAKeyboardStateMessageData::ReadProperty(name, tag, r);
  return true;
}

// --- clipboard --------------------------------------------------------------------------------

void TOLAClipBoardChangeMessageData::WriteProperties(StreamWriter& w) const {
  w.Ident("ClipBoardFormat", kClipboardFormats.at(ClipBoardFormat));
  w.Int("ClipBoardStreamSize", ClipBoardStreamSize);
}

bool TOLAClipBoardChangeMessageData::ReadProperty(std::string_view name, uint8_t tag,
                                                  StreamReader& r) {
  if (name == "clipboardformat")
    ClipBoardFormat = ReadEnum<TOLAClipBoardFormat>(kClipboardFormats, tag, r);
  else if (name == "clipboardstreamsize")
    ClipBoardStreamSize = static_cast<uint32_t>(r.IntValue(tag, true));
  else
    return false;
  return true;
}

// --- file transfer ----------------------------------------------------------------------------

void TOLAFileTransfertMessageData::WriteProperties(StreamWriter& w) const {
  if (FileSize != 0) w.Int("FileSize", FileSize);
  if (!FileName.empty()) w.String("FileName", FileName);
  if (!DirectoryName.empty()) w.String("DirectoryName", DirectoryName);
  w.Set("Authorizations", SetMembers(kAuthorizations, Authorizations));
}

bool TOLAFileTransfertMessageData::ReadProperty(std::string_view name, uint8_t tag,
                                                StreamReader& r) {
  if (name == "filesize") FileSize = r.IntValue(tag, true);
  else if (name == "filename") FileName = r.StringValue(tag);
  else if (name == "directoryname") DirectoryName = r.StringValue(tag);
  else if (name == "authorizations") Authorizations = ReadSetBits(kAuthorizations, tag, r);
  else return false;
  return true;
}

}  // namespace corvane::session
