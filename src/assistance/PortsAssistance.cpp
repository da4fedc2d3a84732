#include "assistance/PortsAssistance.h"

#include <charconv>
#include <optional>
#include <string>

#include "assistance/SessionLimits.h"
#include "base/CommaText.h"

namespace corvane::assistance {

namespace {

constexpr int kPortMax = 65535;

std::optional<long long> WholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  long long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool IsPort(long long value) { return value >= 0 && value <= kPortMax; }

}  // namespace

std::vector<int> CandidatsPortsAssistance(std::string_view ports, int portAppel) {
  std::vector<int> candidats;
  for (const std::string& item : base::ParseCommaText(ports)) {
    if (candidats.size() >= kMaxCandidatsPorts) break;
    const size_t dash = item.find('-');
    if (dash != std::string::npos) {
      const auto low = WholeNumber(std::string_view(item).substr(0, dash));
      const auto high = WholeNumber(std::string_view(item).substr(dash + 1));
      if (!low || !high || *high < *low || !IsPort(*low) || !IsPort(*high)) continue;
      for (long long p = *low; p <= *high && candidats.size() < kMaxCandidatsPorts; ++p)
        candidats.push_back(static_cast<int>(p));
    } else if (const auto port = WholeNumber(item); port && IsPort(*port)) {
      candidats.push_back(static_cast<int>(*port));
    }
  }
  if (candidats.empty())
    for (int i = 1; i <= 10; ++i)
      if (IsPort(static_cast<long long>(portAppel) + i)) candidats.push_back(portAppel + i);
  return candidats;
}

}  // namespace corvane::assistance
