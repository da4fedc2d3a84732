#pragma once
// Reads folder archives: lists their entries and unpacks them into a folder.
//
// Unpacking first checks the whole archive (every entry complete, every path relative and free of
// ".." and drive letters, backslashes and slashes both separators) and writes nothing when a check
// fails. It then writes each file under the target folder only: folders are created one level at a
// time and never through links, and an existing file is replaced only when it is a plain file.
// Each entry inflates to exactly its announced size; more or less data is an error. The file being
// written when an error or an abort occurs is deleted; files written before it stay.

#include <string>
#include <vector>

#include "assistance/ArchiveProgress.h"
#include "assistance/FolderArchiveFormat.h"

namespace corvane::assistance {

class FolderArchiveReader {
public:
  // The entries of an archive, checked as for unpacking. Throws FolderArchiveError.
  static std::vector<FolderArchiveEntry> List(const std::string& archivePath);
  // Throws FolderArchiveError, or FolderArchiveAborted when progress asks to stop.
  static void Unpack(const std::string& archivePath, const std::string& targetFolder,
                     ArchiveProgress* progress = nullptr);
};

}  // namespace corvane::assistance
