// Packs a folder into a folder archive, for test scripts that read archives with other tools.
//   archive_pack_folder <folder> <archive>

#include <cstdio>
#include <exception>

#include "assistance/FolderArchiveWriter.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: archive_pack_folder <folder> <archive>\n");
    return 2;
  }
  try {
    corvane::assistance::FolderArchiveWriter::Pack(argv[1], argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "archive_pack_folder: %s\n", e.what());
    return 1;
  }
  return 0;
}
