#pragma once
// The main window's "Export to file" rules: the save dialog's preset name (today as YYYY-MM-DD),
// its filter list, the format and extension taken from the chosen filter entry (the typed
// extension is replaced), and the overwrite question, which the dialog itself does not ask.
//
// Threads: main thread only.

#include <functional>
#include <optional>
#include <string>

#include "shell/BoitesDialogue.h"

namespace corvane::shell {

// The dialog's filter list, "description|pattern" pairs.
inline constexpr const char* kFiltreExport =
    "Xml CorvanePro (*.xml)|*.xml|Valeurs séparées par des virgules (*.csv)|*.csv|Html simple|*.htm*";

enum class FormatExport { XML, CSV, HTML };

// "YYYY-MM-DD" of the local date now.
std::string NomExportParDefaut();
std::string NomExportParDefaut(int annee, int mois, int jour);
// The filter entry chosen, counted from 1 as the dialog reports it: 2 CSV, 3 HTML, else XML.
FormatExport FormatDuFiltre(int indexFiltre);
const char* ExtensionExport(FormatExport format);
// The file's extension (after the last "." of its last component) replaced, or added.
std::string ChangerExtension(const std::string& fichier, const std::string& extension);

class TExportFichier {
public:
  struct Environnement {
    std::function<bool(const std::string&)> Existe;
    std::function<void(FormatExport, const std::string&)> Exporter;
  };
  TExportFichier(IBoitesDialogue& boites, Environnement env) : boites_(boites), env_(std::move(env)) {}

  // The dialog was accepted with this name and filter entry: the file written, or nothing when
  // the agent declined to overwrite. Errors of the export propagate.
  std::optional<std::string> Exporter(const std::string& nomChoisi, int indexFiltre);

private:
  IBoitesDialogue& boites_;
  Environnement env_;
};

}  // namespace corvane::shell
