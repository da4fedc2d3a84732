#pragma once
// The folder archive (".z"), shared with the customer's program: one entry per file, no header or
// trailer, integers little-endian:
//   directory length (1 byte), directory (Windows-1252, relative, ending with a backslash, empty
//   for files at the top), name length (1 byte), name, uncompressed size (4 bytes), packed size
//   (4 bytes), then the file's content as one zlib stream (header 78 9C, deflate data with a 32 KB
//   window, Adler-32 trailer); readers take any valid zlib stream, whatever deflater made it.
//   Empty folders are not represented.
//
// Limits applied to every archive written or read are named here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "assistance/AssistanceError.h"

namespace corvane::assistance {

// Files of this size or more cannot be packed (peers read the size as a signed 32-bit value).
inline constexpr int64_t kMaxArchivedFileSize = int64_t{1} << 31;
// Longest directory and longest name, in Windows-1252 bytes.
inline constexpr size_t kMaxArchiveNameLength = 255;
// Bytes read, compressed or inflated at a time; progress is reported after each piece.
inline constexpr size_t kArchivePieceSize = 64 * 1024;

// Texts shown to the user; translated before the name is filled in.
inline constexpr std::string_view kArchiveFileTooLarge =
    "File \"%s\" is too large to be packed (2 GB or more)";
inline constexpr std::string_view kArchiveNameTooLong =
    "Name \"%s\" is too long to be packed (more than 255 bytes)";
inline constexpr std::string_view kArchiveNameNotStorable =
    "Name \"%s\" cannot be stored in a folder archive";
inline constexpr std::string_view kArchiveEntryUnsafe =
    "Archive entry \"%s\" would be written outside the destination folder";
inline constexpr std::string_view kArchiveDamaged = "Archive \"%s\" is damaged";
inline constexpr std::string_view kArchiveEntryDamaged = "Archive entry \"%s\" is damaged";
inline constexpr std::string_view kArchiveTargetInTheWay =
    "Cannot unpack \"%s\": something that is not a folder or a file is in the way";

// The fixed part of an entry as read from an archive: directory and name as stored (Windows-1252).
struct FolderArchiveEntry {
  std::string Directory;
  std::string Name;
  uint32_t Size = 0;
  uint32_t PackedSize = 0;
};

// True when one path component (UTF-8) can travel in an archive and be unpacked safely anywhere:
// not empty, not "." or "..", no separator ('/' or '\'), no NUL, and not a drive ("C:...").
bool IsSafeArchiveComponent(std::string_view component);

// The relative local path (components in UTF-8, the name last) of an archive entry, with
// backslashes and slashes as separators. Throws FolderArchiveError (kArchiveEntryUnsafe) for an
// absolute directory, a drive letter, a ".." component or an unusable name.
std::vector<std::string> ArchiveEntryPath(const FolderArchiveEntry& entry);

// The text "directory\name" of an entry, in UTF-8 with control bytes shown as '?', for messages.
std::string ArchiveEntryText(const FolderArchiveEntry& entry);

// A FolderArchiveError with a translated text and one file or entry name filled in.
FolderArchiveError ArchiveError(std::string_view text, const std::string& name);

}  // namespace corvane::assistance
