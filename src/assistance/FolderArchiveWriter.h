#pragma once
// Packs a folder into a folder archive. Every regular file under the folder is stored (whatever its
// attributes; links to files are followed, links to folders are not), folders in name order,
// each sub-folder entered where it is met. Files of 2 GB or more and names the format cannot hold
// (longer than 255 bytes, or outside Windows-1252) are refused before anything is written.
//
// Files are deflated in pieces on every core (ArchiveDeflate.h) and joined into one zlib stream
// per entry. Memory stays bounded: each entry is streamed into the archive file and its sizes are
// written once its data is complete; a few pieces per core are in flight. On any error or abort
// the partial archive is deleted.

#include <string>

#include "assistance/ArchiveProgress.h"

namespace corvane::assistance {

class FolderArchiveWriter {
public:
  // Throws FolderArchiveError, or FolderArchiveAborted when progress asks to stop.
  static void Pack(const std::string& folder, const std::string& archivePath,
                   ArchiveProgress* progress = nullptr);
};

}  // namespace corvane::assistance
