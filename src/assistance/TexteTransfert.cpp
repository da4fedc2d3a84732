#include "assistance/TexteTransfert.h"

#include <algorithm>

#include "base/Format.h"
#include "base/Translate.h"

namespace corvane::assistance {

std::string TexteTaille(double octets, char separateurDecimal) {
  std::string texte;
  if (octets < 1024.0)
    texte = base::Format(base::Tr("%.0f octets"), {octets});
  else if (octets < 1024.0 * 1024)
    texte = base::Format(base::Tr("%.1f ko"), {octets / 1024});
  else if (octets < 1024.0 * 1024 * 1024)
    texte = base::Format(base::Tr("%.2f Mo"), {octets / (1024.0 * 1024)});
  else
    texte = base::Format(base::Tr("%.3f Go"), {octets / (1024.0 * 1024 * 1024)});
  if (separateurDecimal != '.') std::replace(texte.begin(), texte.end(), '.', separateurDecimal);
  return texte;
}

std::string TexteTempsRestant(int64_t secondes) {
  if (secondes < 0) secondes = 0;
  const int64_t h = secondes / 3600, m = (secondes % 3600) / 60, r = secondes % 60;
  if (h > 0) return base::Format("%.2d:%.2d:%.2d", {h, m, r});
  return base::Format("%.2d:%.2d", {secondes / 60, r});
}

std::string DernierComposant(const std::string& chemin) {
  const size_t fin = chemin.find_last_not_of("/\\");
  if (fin == std::string::npos) return std::string();
  const size_t debut = chemin.find_last_of("/\\", fin);
  return chemin.substr(debut == std::string::npos ? 0 : debut + 1,
                       debut == std::string::npos ? fin + 1 : fin - debut);
}

std::string NomDossierSur(const std::string& repertoireEmetteur) {
  std::string nom;
  for (char c : DernierComposant(repertoireEmetteur)) {
    const auto u = static_cast<unsigned char>(c);
    // A drive ("C:") or a stream name has no place in a folder name; nor have control characters
    // or the characters Windows refuses, which the customer's side may expect us to refuse too.
    if (u < 0x20 || u == 0x7F || std::string_view(":*?\"<>|").find(c) != std::string_view::npos) continue;
    nom += c;
  }
  // Windows drops trailing dots and blanks; "." and ".." would leave the chosen folder.
  while (!nom.empty() && (nom.back() == '.' || nom.back() == ' ')) nom.pop_back();
  while (!nom.empty() && nom.front() == ' ') nom.erase(nom.begin());
  if (nom.empty()) return "Folder";
  return nom;
}

}  // namespace corvane::assistance
