#pragma once
// Limits on the bytes this library reads from files: time-zone files of the system database and
// the export style sheets. Every check of such input takes its ceiling from here.

#include <cstddef>
#include <cstdint>

namespace corvane::records {

// TZif files (real zones stay far below these).
inline constexpr size_t kMaxTzifBytes = 256 * 1024;
inline constexpr uint32_t kMaxTzifTransitions = 5000;
inline constexpr uint32_t kMaxTzifTypes = 256;
inline constexpr uint32_t kMaxTzifChars = 1024;
inline constexpr uint32_t kMaxTzifLeaps = 1000;
inline constexpr size_t kMaxTzFooterLength = 128;

// An export style sheet ("csv.xsl", "html.xsl", "clipbrd.xsl") read from the export folder.
inline constexpr size_t kMaxStyleSheetBytes = 1024 * 1024;

}  // namespace corvane::records
