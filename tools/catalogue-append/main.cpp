// corvane-append-catalogues: the build step that makes one executable carry its translations.
//
//   corvane-append-catalogues <executable> <relative path>=<mo file> ...
//
// Each MO file is checked (a well-formed little-endian catalogue declaring charset=UTF-8), then
// the catalogues and their table are appended to the executable and the table's position is
// written after the marker in its data. Running it again replaces the earlier append. The table
// is read back and compared before the tool reports success.

#include <cstdio>
#include <string>
#include <vector>

#include "shell/AtomicFile.h"
#include "shell/CatalogueTable.h"
#include "shell/MoCatalogue.h"
#include "shell/ShellError.h"
#include "shell/ShellLimits.h"

using namespace corvane::shell;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <executable> <relative path>=<mo file> ...\n", argv[0]);
    return 2;
  }
  const std::string executable = argv[1];
  try {
    std::vector<CatalogueToAppend> catalogues;
    for (int i = 2; i < argc; ++i) {
      std::string arg = argv[i];
      size_t eq = arg.find('=');
      if (eq == std::string::npos || eq == 0) throw EShellError("expected <relative path>=<mo file>: " + arg);
      CatalogueToAppend c;
      c.relativePath = arg.substr(0, eq);
      const std::string file = arg.substr(eq + 1);
      std::error_code ec;
      auto bytes = ReadWholeFile(file, kMaxCatalogueBytes, ec);
      if (!bytes) throw EShellError("Can't read " + file + ": " + ec.message());
      if (!MoCatalogue::Parse(*bytes)->hasUtf8Charset())
        throw EShellError(file + " does not declare charset=UTF-8 in its Content-Type");
      c.bytes = std::move(*bytes);
      catalogues.push_back(std::move(c));
    }
    AppendCatalogues(executable, catalogues);

    CatalogueTable table = ReadCatalogueTableOfFile(executable);
    if (table.size() != catalogues.size()) throw EShellError("the appended table does not read back");
    for (const auto& c : catalogues) {
      auto location = table.find(c.relativePath);
      if (!location || location->size != static_cast<int64_t>(c.bytes.size()))
        throw EShellError("the appended table does not read back: " + c.relativePath);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvane-append-catalogues: %s\n", e.what());
    return 1;
  }
  return 0;
}
