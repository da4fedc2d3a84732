// MO catalogue reader: any bytes as a catalogue; lookups of a few ids must stay in bounds.

#include "FuzzSupport.h"
#include "shell/MoCatalogue.h"
#include "shell/ShellError.h"

using namespace corvane::shell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    auto catalogue = MoCatalogue::Parse(corvane::fuzz::Bytes(data, size));
    if (!catalogue) return 0;
    (void)catalogue->hasUtf8Charset();
    for (const char* id : {"", "Cancel", "Localization problem", "a"})
      if (const std::string* t = catalogue->find(id)) (void)t->size();
  } catch (const ECatalogueError&) {
  }
  return 0;
}
