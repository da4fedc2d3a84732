#include "shell/CatalogueTable.h"

namespace corvane::shell {
namespace {

// Patched in the file by the append step, so it must be read from memory every time (volatile)
// and kept even though nothing else names it. The string fills 36 bytes plus its NUL; the other
// 7 bytes of the value are zero-initialised.
__attribute__((used)) volatile const unsigned char kCatalogueMarker[kMarkerLength + 8] =
    "6637DB2E-62E1-4A60-AC19-C23867046A89";

}  // namespace

int64_t AppendedTableOffset() {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | kCatalogueMarker[kMarkerLength + static_cast<size_t>(i)];
  return static_cast<int64_t>(value);
}

}  // namespace corvane::shell
