// Configuration file reader: any bytes as "CorvaneAgent.xml". What reads must write back and read
// again to the same values.

#include "FuzzSupport.h"
#include "shell/ConfigurationDocument.h"
#include "shell/ShellError.h"

using namespace corvane::shell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    ConfigurationDocument doc = ConfigurationDocument::fromXml(corvane::fuzz::Bytes(data, size));
    const std::string written = doc.toXml();
    ConfigurationDocument again = ConfigurationDocument::fromXml(written);
    if (again.toXml() != written) __builtin_trap();
  } catch (const EConfigurationError&) {
  }
  return 0;
}
