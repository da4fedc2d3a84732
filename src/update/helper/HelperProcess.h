#pragma once
// Process and file operations of the update helper (standard library and POSIX only); the update
// engine uses SpawnDetached too, to start the helper.

#include <string>
#include <sys/types.h>
#include <vector>

namespace corvane::update::helper {

// Waits, without time limit, until process pid has ended (returns at once when there is none).
void WaitForProcessEnd(pid_t pid);

// Moves src onto dest, replacing it; across file systems copies beside dest (keeping src's mode)
// and renames over dest, then deletes src. Returns false, leaving dest as it was, on failure.
bool MoveReplacing(const std::string& src, const std::string& dest);

// Starts exe with args (argv[1..]) in a session of its own, with default signal handling and no
// inherited descriptors beyond 0-2, without waiting. Returns 0 or the errno of the failure,
// including a failure to execute exe.
int SpawnDetached(const std::string& exe, const std::vector<std::string>& args);

}  // namespace corvane::update::helper
