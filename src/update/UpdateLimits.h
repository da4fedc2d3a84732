#pragma once
// Limits applied to everything the update subsystem receives from outside (descriptor, downloads,
// executables it inspects). Kept in one place so that a reviewer sees every bound at once.

#include <cstddef>
#include <cstdint>

namespace corvane::update::limits {

// The descriptor is a small list; anything larger is refused before parsing.
inline constexpr size_t kMaxDescriptorBytes = 1 << 20;
// Entries of either kind in one descriptor.
inline constexpr size_t kMaxDescriptorEntries = 1000;
// One downloaded update file.
inline constexpr int64_t kMaxDownloadBytes = int64_t{1} << 30;
// Texts handed to the tag replacer, and how deeply blocks may nest.
inline constexpr size_t kMaxTagTextBytes = 64 * 1024;
inline constexpr int kMaxTagNesting = 16;
// Reading the version note of an executable: section table entries and one note section's size.
inline constexpr uint32_t kMaxElfSections = 4096;
inline constexpr uint64_t kMaxElfNoteBytes = 64 * 1024;

}  // namespace corvane::update::limits
