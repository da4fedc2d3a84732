#pragma once
// The session wire's fixed single-byte code page (Windows-1252) and UTF-8/UTF-16 conversions.
// Text inside the program is UTF-8; convert only where bytes meet the wire.

#include <string>
#include <string_view>

namespace corvane::base {

// Windows-1252 bytes to UTF-8. The five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the
// control characters of the same value, as Windows does, so every byte round-trips.
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252. Characters the code page lacks, and malformed UTF-8, become '?'.
std::string Utf8ToCp1252(std::string_view utf8);

// Windows-1252 bytes to UTF-16 code units, and back ('?' for units the code page lacks).
std::u16string Cp1252ToUtf16(std::string_view bytes);
std::string Utf16ToCp1252(std::u16string_view units);

// UTF-16 to UTF-8 and back. Unpaired surrogates become U+FFFD; malformed UTF-8 becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);
std::u16string Utf8ToUtf16(std::string_view utf8);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

}  // namespace corvane::base
