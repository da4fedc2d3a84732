#include "shell/ExportFichier.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "base/Format.h"
#include "base/Translate.h"

namespace corvane::shell {

std::string NomExportParDefaut(int annee, int mois, int jour) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", annee, mois, jour);
  return text;
}

std::string NomExportParDefaut() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return NomExportParDefaut(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

FormatExport FormatDuFiltre(int indexFiltre) {
  switch (indexFiltre) {
    case 2: return FormatExport::CSV;
    case 3: return FormatExport::HTML;
    default: return FormatExport::XML;
  }
}

const char* ExtensionExport(FormatExport format) {
  switch (format) {
    case FormatExport::CSV: return "csv";
    case FormatExport::HTML: return "html";
    case FormatExport::XML: break;
  }
  return "xml";
}

std::string ChangerExtension(const std::string& fichier, const std::string& extension) {
  const size_t slash = fichier.find_last_of('/');
  const size_t debutNom = slash == std::string::npos ? 0 : slash + 1;
  const size_t point = fichier.find_last_of('.');
  const std::string base = point != std::string::npos && point >= debutNom ? fichier.substr(0, point) : fichier;
  return base + "." + extension;
}

std::optional<std::string> TExportFichier::Exporter(const std::string& nomChoisi, int indexFiltre) {
  const FormatExport format = FormatDuFiltre(indexFiltre);
  std::string fichier = ChangerExtension(nomChoisi, ExtensionExport(format));
  std::error_code ec;
  const std::filesystem::path absolu = std::filesystem::absolute(fichier, ec);
  if (!ec) fichier = absolu.lexically_normal().string();
  if (env_.Existe(fichier)) {
    const Bouton b = boites_.Afficher(TypeBoite::Confirmation, base::Tr("File exists"),
                                      base::Format(base::Tr("File \"%s\" exists. Overwrite ?"), {fichier}),
                                      {Bouton::Oui, Bouton::Non});
    if (b != Bouton::Oui) return std::nullopt;
  }
  env_.Exporter(format, fichier);
  return fichier;
}

}  // namespace corvane::shell
