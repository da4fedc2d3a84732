#pragma once
// Whole-file reads and crash-safe writes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace corvane::shell {

// Writes bytes to a temporary file in the target's folder, flushes it to disk and renames it over
// the target, so that readers see the old file or the new one, never a truncated one. An existing
// target keeps its permissions; a new one gets 0644. Returns the error of the first failing step;
// the target is then untouched and the temporary file removed.
//
// The temporary file is the target's name followed by ".tmp-" and the process id: a name no other
// process uses, so one writer per target and process at a time (the configuration is written by
// the main thread only). A file of that name left by a crashed run is replaced.
std::error_code WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads a whole file of at most maxBytes. nullopt with ec set when it cannot be read; a larger
// file gives std::errc::file_too_large.
std::optional<std::string> ReadWholeFile(const std::string& path, int64_t maxBytes, std::error_code& ec);

}  // namespace corvane::shell
