#pragma once
// File versions: the four-part version our build writes into each executable, and the version
// texts of the descriptor.
//
// The build gives an executable its version with corvane_embed_version(<target>) (see
// cmake/EmbedVersion.cmake): an ELF note in section ".note.corvane.version" whose owner is
// "Corvane", type 1, and whose description is four 32-bit numbers (major, minor, release, build)
// in the file's byte order. ReadFileVersion reads it back from any ELF file, 32 or 64 bits, either
// byte order; the file is treated as untrusted and every offset is checked.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::update {

inline constexpr const char* kVersionNoteOwner = "Corvane";
inline constexpr uint32_t kVersionNoteType = 1;

struct TFileVersion {
  std::array<uint32_t, 4> parts{};
  // "%u.%u.%u.%u"
  std::string ToString() const;
  bool operator==(const TFileVersion&) const = default;
};

// The version note of the file, or nothing when the file carries none (not ELF, no note, a
// damaged note). Throws EUpdateFileError when the file cannot be opened or read.
std::optional<TFileVersion> ReadFileVersion(const std::string& path);

// A descriptor version text: blanks removed, split at ".", at most four parts, each a decimal
// number or 0 for anything else (missing parts are 0).
TFileVersion ParseVersionText(std::string_view text);

// True when at least one part is greater than 0.
bool HasNonZeroPart(const TFileVersion& v);

// Part by part from the first: a < b.
bool VersionLower(const TFileVersion& a, const TFileVersion& b);

}  // namespace corvane::update
