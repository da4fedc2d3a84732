#pragma once
// What packing and unpacking report while they work, and how they learn that they must stop.
// Called on the thread doing the work.

#include <cstdint>
#include <string>

namespace corvane::assistance {

class ArchiveProgress {
public:
  virtual ~ArchiveProgress() = default;
  // Asked before each report: true stops the work, which then throws FolderArchiveAborted.
  virtual bool Terminated() { return false; }
  // A new file is being read (packing) or written (unpacking); its local path.
  virtual void FileChanged(const std::string& /*path*/) {}
  // Bytes of the current file done so far, out of its size.
  virtual void Progressed(int64_t /*done*/, int64_t /*total*/) {}
};

}  // namespace corvane::assistance
