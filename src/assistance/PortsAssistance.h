#pragma once
// The assistance ports tried for a call, from the agent record's `Ports` list: comma-text items,
// each a port or a range "low-high", in the order written, duplicates kept; items that are not
// whole numbers, reversed ranges and numbers outside 0..65535 are skipped (a number beyond the
// port range would otherwise wrap to another port). An empty result falls back to the call port
// plus 1 to 10.

#include <string_view>
#include <vector>

namespace corvane::assistance {

std::vector<int> CandidatsPortsAssistance(std::string_view ports, int portAppel);

}  // namespace corvane::assistance
