#pragma once
// The component stream: the serialised form of a payload record ("TPF0", class name, empty
// component name, tagged property entries, 0x00, 0x00). Numbers inside it are little-endian.
//
// StreamWriter produces exactly the bytes peers expect (smallest integer tag, the string tag
// rules, sets in ordinal order). StreamReader checks every length against what is left of the block,
// so truncated or hostile streams fail with StreamFormatError and never read out of bounds.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/Limits.h"

namespace corvane::session {

enum ValueTag : uint8_t {
  vaNull = 0x00,
  vaList = 0x01,
  vaInt8 = 0x02,
  vaInt16 = 0x03,
  vaInt32 = 0x04,
  vaExtended = 0x05,
  vaString = 0x06,
  vaIdent = 0x07,
  vaFalse = 0x08,
  vaTrue = 0x09,
  vaBinary = 0x0A,
  vaSet = 0x0B,
  vaLString = 0x0C,
  vaNil = 0x0D,
  vaCollection = 0x0E,
  vaSingle = 0x0F,
  vaCurrency = 0x10,
  vaDate = 0x11,
  vaWString = 0x12,
  vaInt64 = 0x13,
  vaUTF8String = 0x14,
};

class StreamWriter {
public:
  // Signature, class name and the empty component name.
  explicit StreamWriter(std::string_view className);

  void Int(std::string_view name, int64_t value);
  void Ident(std::string_view name, std::string_view identifier);
  void Bool(std::string_view name, bool value);
  // Members must already be in ascending ordinal order.
  void Set(std::string_view name, const std::vector<std::string_view>& members);
  // value is UTF-8 text of the program; it is written as the peer's 8-bit text would be.
  void String(std::string_view name, std::string_view value);
  void Binary(std::string_view name, std::string_view bytes);

  void BeginCollection(std::string_view name);
  void BeginItem();
  void EndItem();
  void EndCollection();

  // Ends the property list and the (empty) child list; returns the finished stream.
  std::string Finish();

private:
  void Name(std::string_view name);
  void ShortString(std::string_view s);
  void IntValue(int64_t value);
  void U32(uint32_t v);
  std::string out_;
};

class StreamReader {
public:
  explicit StreamReader(std::string_view data) : data_(data) {}

  // Checks "TPF0", skips a flags prefix, reads the class and component names.
  void ReadHeader();
  // True when the next byte ends a list (consumes it).
  bool EndOfList();
  std::string ReadPropertyName();  // lower-cased for matching
  uint8_t ReadTag();

  // Value readers: each is given the tag already read and fails on a tag that does not suit.
  int64_t IntValue(uint8_t tag, bool allow64);
  std::string IdentValue(uint8_t tag);
  bool BoolValue(uint8_t tag);
  std::vector<std::string> SetValue(uint8_t tag);
  std::string StringValue(uint8_t tag);  // returned as UTF-8
  std::string_view BinaryValue(uint8_t tag);
  // Collection: calls onItem once per item, positioned on the item's first property entry;
  // onItem must read the entries up to and including the terminating 0x00 (ReadItemEnd helps).
  template <typename F>
  void CollectionValue(uint8_t tag, F&& onItem);

  // Skips the value of a property the record does not keep; fails on unknown tags.
  size_t Remaining() const { return data_.size() - pos_; }
  [[noreturn]] static void Fail(const std::string& what);

  uint8_t Byte();

private:
  std::string_view Bytes(size_t n);
  uint32_t U32();
  std::string ShortString();
  void EnterCollection();
  void LeaveCollection() { --depth_; }
  bool BeginCollectionItem();

  std::string_view data_;
  size_t pos_ = 0;
  int depth_ = 0;
};

template <typename F>
void StreamReader::CollectionValue(uint8_t tag, F&& onItem) {
  if (tag != vaCollection) Fail("collection expected");
  EnterCollection();
  size_t items = 0;
  while (BeginCollectionItem()) {
    if (++items > kMaxCollectionItems) Fail("too many items in a collection");
    onItem();
  }
  LeaveCollection();
}

// A record that travels as a component stream.
class TOLAStreamable {
public:
  virtual ~TOLAStreamable() = default;
  virtual std::string_view ClassName() const = 0;
  virtual void WriteProperties(StreamWriter& w) const = 0;
  // name is lower-case. Returns false when the record has no property of that name.
  virtual bool ReadProperty(std::string_view name, uint8_t tag, StreamReader& r) = 0;
};

// Encodes a record into its component stream (without the length prefix).
std::string EncodeComponent(const TOLAStreamable& record);
// Decodes a component stream into an existing record. Any class name is accepted; unknown
// properties, unsuitable tags, truncation and bad PNG data throw (StreamFormatError, PngError).
void DecodeComponent(std::string_view data, TOLAStreamable& record);
// Reads property entries into record up to and including the list's terminating 0x00.
void ReadPropertyList(StreamReader& r, TOLAStreamable& record);

}  // namespace corvane::session
