// The call listener's "DAD-" header handling: the input is a block of "Name: value" lines as an
// HTTP request would carry them (duplicates and all); the call request is read from it the way the
// listener reads a request, description lines included.

#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "calls/CallRequest.h"
#include "calls/CallsError.h"

using namespace corvane::calls;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = corvane::fuzz::Bytes(data, size);
  std::vector<std::pair<std::string, std::string>> headers;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
      std::string_view value = line.substr(colon + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      headers.emplace_back(std::string(line.substr(0, colon)), std::string(value));
    }
    pos = end + 1;
  }
  HeaderLookup lookup = [&](std::string_view name) -> std::optional<std::string> {
    for (const auto& [n, v] : headers)
      if (n.size() == name.size() && std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
          }))
        return v;
    return std::nullopt;
  };
  try {
    const CallRequest request = ParseCallRequest(lookup);
    if (request.TypeClient > 1) __builtin_trap();
    (void)DescriptionLines(request.Description);
  } catch (const ECallRequestRejected&) {
  }
  return 0;
}
