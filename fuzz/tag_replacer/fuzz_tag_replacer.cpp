// Tag replacer: any text with tags, blocks and attributes, replaced by the file-system replacer.

#include "FuzzSupport.h"
#include "update/FileSystemRemplaceTag.h"
#include "update/UpdateError.h"

using namespace corvane::update;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const SpecialFolders folders = SpecialFolders::FromEnvironment();
  TFileSystemRemplaceTag replacer("maj", "/opt/corvane/CorvaneAgent", folders);
  try {
    (void)replacer.Remplacer(corvane::fuzz::Bytes(data, size));
  } catch (const EUpdateError&) {
  }
  return 0;
}
