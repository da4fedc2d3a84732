#include "shell/RacineServeur.h"

namespace corvane::shell {

std::string RacineEffective(std::string_view stored) {
  if (stored.empty()) return std::string(kRacineServeurParDefaut);
  std::string root(stored);
  if (root.back() != '/') root.push_back('/');
  return root;
}

bool EstRacineParDefaut(std::string_view effectiveRoot) { return effectiveRoot == kRacineServeurParDefaut; }

}  // namespace corvane::shell
