#include "session/ComponentStream.h"

#include <cstring>

#include "base/Cp1252.h"
#include "session/Limits.h"
#include "session/SessionError.h"

namespace corvane::session {

namespace {
constexpr char kSignature[] = "TPF0";

std::string Lower(std::string_view s) {
  std::string out(s);
  for (auto& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Writing

StreamWriter::StreamWriter(std::string_view className) {
  out_.append(kSignature, 4);
  ShortString(className);
  ShortString("");
}

void StreamWriter::ShortString(std::string_view s) {
  if (s.size() > 255) throw StreamFormatError("short string longer than 255 bytes");
  out_ += static_cast<char>(s.size());
  out_.append(s);
}

void StreamWriter::Name(std::string_view name) { ShortString(name); }

void StreamWriter::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i) out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void StreamWriter::IntValue(int64_t v) {
  if (v >= -128 && v <= 127) {
    out_ += static_cast<char>(vaInt8);
    out_ += static_cast<char>(static_cast<int8_t>(v));
  } else if (v >= -32768 && v <= 32767) {
    out_ += static_cast<char>(vaInt16);
    const auto u = static_cast<uint16_t>(static_cast<int16_t>(v));
    out_ += static_cast<char>(u & 0xFF);
    out_ += static_cast<char>(u >> 8);
  } else if (v >= INT32_MIN && v <= INT32_MAX) {
    out_ += static_cast<char>(vaInt32);
    U32(static_cast<uint32_t>(static_cast<int32_t>(v)));
  } else {
    out_ += static_cast<char>(vaInt64);
    const auto u = static_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i) out_ += static_cast<char>((u >> (8 * i)) & 0xFF);
  }
}

void StreamWriter::Int(std::string_view name, int64_t value) {
  Name(name);
  IntValue(value);
}

void StreamWriter::Ident(std::string_view name, std::string_view identifier) {
  Name(name);
  out_ += static_cast<char>(vaIdent);
  ShortString(identifier);
}

void StreamWriter::Bool(std::string_view name, bool value) {
  Name(name);
  out_ += static_cast<char>(value ? vaTrue : vaFalse);
}

void StreamWriter::Set(std::string_view name, const std::vector<std::string_view>& members) {
  Name(name);
  out_ += static_cast<char>(vaSet);
  for (auto m : members) ShortString(m);
  out_ += '\0';
}

void StreamWriter::String(std::string_view name, std::string_view value) {
  Name(name);
  // The peer holds 8-bit text and writes it through UTF-16 and UTF-8: pure ASCII as a short or
  // long string, other text as UTF-8 when that is shorter than two bytes per unit, else UTF-16.
  const std::string narrow = base::Utf8ToCp1252(value);
  const std::u16string wide = base::Cp1252ToUtf16(narrow);
  const std::string utf8 = base::Utf16ToUtf8(wide);
  if (utf8.size() < 2 * wide.size()) {
    if (utf8 == narrow) {
      if (narrow.size() <= 255) {
        out_ += static_cast<char>(vaString);
        ShortString(narrow);
      } else {
        out_ += static_cast<char>(vaLString);
        U32(static_cast<uint32_t>(narrow.size()));
        out_ += narrow;
      }
    } else {
      out_ += static_cast<char>(vaUTF8String);
      U32(static_cast<uint32_t>(utf8.size()));
      out_ += utf8;
    }
  } else {
    out_ += static_cast<char>(vaWString);
    U32(static_cast<uint32_t>(wide.size()));
    for (char16_t u : wide) {
      out_ += static_cast<char>(u & 0xFF);
      out_ += static_cast<char>(u >> 8);
    }
  }
}

void StreamWriter::Binary(std::string_view name, std::string_view bytes) {
  Name(name);
  out_ += static_cast<char>(vaBinary);
  U32(static_cast<uint32_t>(bytes.size()));
  out_.append(bytes);
}

void StreamWriter::BeginCollection(std::string_view name) {
  Name(name);
  out_ += static_cast<char>(vaCollection);
}

void StreamWriter::BeginItem() { out_ += static_cast<char>(vaList); }
void StreamWriter::EndItem() { out_ += '\0'; }
void StreamWriter::EndCollection() { out_ += '\0'; }

std::string StreamWriter::Finish() {
  out_ += '\0';
  out_ += '\0';
  return std::move(out_);
}

// ---------------------------------------------------------------------------------------------
// Reading

void StreamReader::Fail(const std::string& what) {
  throw StreamFormatError("Invalid component stream: " + what);
}

std::string_view StreamReader::Bytes(size_t n) {
  if (n > Remaining()) Fail("truncated");
  auto out = data_.substr(pos_, n);
  pos_ += n;
  return out;
}

uint8_t StreamReader::Byte() { return static_cast<uint8_t>(Bytes(1)[0]); }

uint32_t StreamReader::U32() {
  auto b = Bytes(4);
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[static_cast<size_t>(i)]);
  return v;
}

std::string StreamReader::ShortString() {
  const uint8_t n = Byte();
  return std::string(Bytes(n));
}

void StreamReader::ReadHeader() {
  if (Bytes(4) != std::string_view(kSignature, 4)) Fail("signature is not TPF0");
  if (Remaining() > 0 && static_cast<uint8_t>(data_[pos_]) >= 0xF0) {
    const uint8_t flags = Byte();
    if (flags & 0x02) IntValue(Byte(), false);  // child position, not used
  }
  ShortString();  // class name: any class is accepted
  ShortString();  // component name: not used
}

bool StreamReader::EndOfList() {
  if (Remaining() == 0) Fail("truncated");
  if (data_[pos_] != 0) return false;
  ++pos_;
  return true;
}

std::string StreamReader::ReadPropertyName() { return Lower(ShortString()); }

uint8_t StreamReader::ReadTag() { return Byte(); }

int64_t StreamReader::IntValue(uint8_t tag, bool allow64) {
  switch (tag) {
    case vaInt8:
      return static_cast<int8_t>(Byte());
    case vaInt16: {
      auto b = Bytes(2);
      return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint8_t>(b[0]) |
                                                        (static_cast<uint8_t>(b[1]) << 8)));
    }
    case vaInt32:
      return static_cast<int32_t>(U32());
    case vaInt64:
      if (allow64) {
        auto b = Bytes(8);
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[static_cast<size_t>(i)]);
        return static_cast<int64_t>(v);
      }
      break;
    default:
      break;
  }
  Fail("integer expected");
}

std::string StreamReader::IdentValue(uint8_t tag) {
  if (tag == vaFalse) return "False";
  if (tag == vaTrue) return "True";
  if (tag != vaIdent) Fail("identifier expected");
  return ShortString();
}

bool StreamReader::BoolValue(uint8_t tag) {
  if (tag == vaFalse) return false;
  if (tag == vaTrue) return true;
  if (tag == vaIdent) {
    const std::string id = Lower(ShortString());
    if (id == "false") return false;
    if (id == "true") return true;
  }
  Fail("boolean expected");
}

std::vector<std::string> StreamReader::SetValue(uint8_t tag) {
  if (tag != vaSet) Fail("set expected");
  std::vector<std::string> members;
  for (;;) {
    std::string m = ShortString();
    if (m.empty()) return members;
    if (members.size() >= 256) Fail("set too large");
    members.push_back(std::move(m));
  }
}

std::string StreamReader::StringValue(uint8_t tag) {
  switch (tag) {
    case vaString:
      return base::Cp1252ToUtf8(ShortString());
    case vaLString: {
      const uint32_t n = U32();
      return base::Cp1252ToUtf8(Bytes(n));
    }
    case vaUTF8String: {
      const uint32_t n = U32();
      // Kept as the peer would keep it: in its 8-bit code page.
      return base::Cp1252ToUtf8(base::Utf8ToCp1252(Bytes(n)));
    }
    case vaWString: {
      const uint32_t n = U32();
      if (n > Remaining() / 2) Fail("truncated");
      auto b = Bytes(size_t{n} * 2);
      std::u16string units(n, u'\0');
      for (uint32_t i = 0; i < n; ++i)
        units[i] = static_cast<char16_t>(static_cast<uint8_t>(b[2 * i]) |
                                         (static_cast<uint8_t>(b[2 * i + 1]) << 8));
      return base::Cp1252ToUtf8(base::Utf16ToCp1252(units));
    }
    default:
      Fail("string expected");
  }
}

std::string_view StreamReader::BinaryValue(uint8_t tag) {
  if (tag != vaBinary) Fail("binary data expected");
  const uint32_t n = U32();
  return Bytes(n);
}

void StreamReader::EnterCollection() {
  if (++depth_ > kMaxStreamNesting) Fail("collections nested too deeply");
}

bool StreamReader::BeginCollectionItem() {
  if (EndOfList()) return false;
  uint8_t tag = Byte();
  if (tag == vaInt8 || tag == vaInt16 || tag == vaInt32) {
    IntValue(tag, false);  // the item's index, not used
    tag = Byte();
  }
  if (tag != vaList) Fail("collection item expected");
  return true;
}

// ---------------------------------------------------------------------------------------------

std::string EncodeComponent(const TOLAStreamable& record) {
  StreamWriter w(record.ClassName());
  record.WriteProperties(w);
  return w.Finish();
}

void ReadPropertyList(StreamReader& r, TOLAStreamable& record) {
  while (!r.EndOfList()) {
    const std::string name = r.ReadPropertyName();
    const uint8_t tag = r.ReadTag();
    if (!record.ReadProperty(name, tag, r)) StreamReader::Fail("unknown property \"" + name + "\"");
  }
}

void DecodeComponent(std::string_view data, TOLAStreamable& record) {
  StreamReader r(data);
  r.ReadHeader();
  ReadPropertyList(r, record);
  if (!r.EndOfList()) StreamReader::Fail("child components are not supported");
}

}  // namespace corvane::session
