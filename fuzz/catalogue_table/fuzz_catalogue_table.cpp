// Appended catalogue table reader: the first 8 bytes are the marker's value (the first entry's
// offset), the rest is the file. Every entry read must lie inside the file.

#include <cstring>

#include "FuzzSupport.h"
#include "shell/CatalogueTable.h"

using namespace corvane::shell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  int64_t first = 0;
  std::memcpy(&first, data, 8);
  const std::string_view file = corvane::fuzz::Bytes(data + 8, size - 8);
  corvane::fuzz::MemoryFile memory(file);
  const CatalogueTable table = ReadCatalogueTable(memory.Path(), first);
  for (const auto& e : table.entries())
    if (e.offset < 0 || e.size < 0 || e.offset + e.size > static_cast<int64_t>(file.size())) __builtin_trap();
  return 0;
}
