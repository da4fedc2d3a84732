#pragma once
// Local file work of the update engine: temporary files, checksums, safe targets, and putting a
// downloaded file in place.

#include <cstdint>
#include <string>

namespace corvane::update {

// $TMPDIR when it is an absolute path, else /tmp; no trailing separator.
std::string TempFolder();

// Creates a new empty file named <TempFolder>/<prefix>XXXXXX, mode 0600. Throws EUpdateFileError.
std::string CreateUniqueTempFile(const std::string& prefix);

bool FileExists(const std::string& path);

// CRC-32 (IEEE 802.3, as zlib computes it) of the whole file. Throws EUpdateFileError.
uint32_t FileCrc32(const std::string& path);

// SHA-256 of the whole file as 64 lower-case hexadecimal digits (OpenSSL's libcrypto). Throws
// EUpdateFileError.
std::string FileSha256(const std::string& path);

// Refuses (EUpdateUnsafeTarget) a target that is empty, relative, or has a ".." component, so that
// a descriptor cannot write or delete outside the paths it names plainly.
void CheckTargetPath(const std::string& path);

// Gives source the permission bits of the existing target, or 0644 less the umask for a new one,
// so that a replaced executable stays executable.
void TakeTargetMode(const std::string& source, const std::string& target);

// Creates the target's folder with its missing parents, then moves source onto target, replacing
// it. Across file systems it copies into a new file beside the target and renames that over the
// target, so the target is either the old file or the whole new one; source is deleted after a
// successful copy. Throws EUpdateFileError, leaving the target as it was.
void InstallFile(const std::string& source, const std::string& target);

}  // namespace corvane::update
