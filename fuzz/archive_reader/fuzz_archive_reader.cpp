// Folder archive reader: any bytes as a ".z" archive, listed and unpacked into a temporary target
// folder inside a private sandbox. Nothing may appear in the sandbox outside the target.

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "FuzzSupport.h"
#include "assistance/AssistanceError.h"
#include "assistance/FolderArchiveReader.h"

using namespace corvane::assistance;
namespace fs = std::filesystem;


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // On a memory file system when there is one: every input creates and removes a folder tree.
  static const fs::path sandbox =
      (fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
      ("corvane-fuzz-archive-" + std::to_string(getpid()));
  const fs::path target = sandbox / "target" / "inner";
  const fs::path archive = sandbox / "input.z";
  fs::remove_all(sandbox);
  fs::create_directories(target);
  std::ofstream(archive, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  try {
    (void)FolderArchiveReader::List(archive.string());
  } catch (const AssistanceError&) {
  }
  try {
    FolderArchiveReader::Unpack(archive.string(), target.string());
  } catch (const AssistanceError&) {
  }
  // Only the archive itself and the target's parents may exist outside the target.
  for (const auto& entry : fs::recursive_directory_iterator(sandbox)) {
    const fs::path p = entry.path();
    if (p == archive || p == sandbox / "target" || p == target) continue;
    const auto rel = p.lexically_relative(target);
    if (rel.empty() || *rel.begin() == "..") __builtin_trap();
  }
  return 0;
}
