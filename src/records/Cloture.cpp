#include "records/Cloture.h"

#include "base/Translate.h"

namespace corvane::records {
namespace {
constexpr char kLetters[kClotureStates] = {'O', 'I', 'R', 'N', 'U', 'A'};
constexpr std::string_view kExportNames[kClotureStates] = {"OK",           "Ignored",      "Refused",
                                                           "NetworkProblem", "Unauthorized", "Abandoned"};
}  // namespace

int ClotureIndex(char letter) {
  for (int i = 0; i < kClotureStates; ++i)
    if (kLetters[i] == letter) return i;
  return 5;
}

unsigned ClotureSet(std::string_view cloture) {
  unsigned set = 0;
  for (char c : cloture)
    for (int i = 0; i < kClotureStates; ++i)
      if (kLetters[i] == c) set |= 1u << i;
  return set;
}

int EtatCloture(std::string_view cloture) {
  const unsigned set = ClotureSet(cloture);
  if (set & 1u) return 0;
  if (set & 2u) return 1;
  if (set & 4u) return 2;
  if (set == 8u) return 3;
  return 5;
}

std::string_view ClotureExportName(int index) {
  return index >= 0 && index < kClotureStates ? kExportNames[index] : kExportNames[5];
}

std::string ClotureText(int index) {
  switch (index) {
    case 0: return base::Tr("Accepted");
    case 1: return base::Tr("Ignored");
    case 2: return base::Tr("Refused");
    case 3: return base::Tr("Aborted") + " (" + base::Tr("Network misconfigured") + ")";
    case 4: return base::Tr("Unauthorized");
    default: return base::Tr("Aborted");
  }
}

ClotureColours ClotureColoursOf(int index) {
  const Rgb white{255, 255, 255}, black{0, 0, 0};
  switch (index) {
    case 0: return {false, {0, 128, 0}, white};
    case 1: return {false, {128, 128, 0}, white};
    case 2: return {false, {128, 128, 128}, white};
    case 3: return {false, {128, 0, 0}, white};
    case 4: return {false, {255, 0, 0}, black};
    default: return {true, {}, {}};
  }
}

}  // namespace corvane::records
