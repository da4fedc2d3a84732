#pragma once
// The exports of the sessions the history shows: one XML export document built from
// EzAssistance, written as it is (XML) or transformed by the style sheets of the "export" folder
// beside the program into CSV, HTML (with "tarvenholt.css" provided beside it) or clipboard text.
//
// Threads: main thread only.

#include <functional>
#include <string>
#include <string_view>

#include "service/DateTimes.h"

namespace corvane::records {

class TdmGestionAssistances;

struct OptionsExport {
  bool remplacerSautsLigne = false;  // CR LF, then LF, become "|"
  bool remplacerGuillemets = false;  // '"' becomes '\''
  bool elementsVides = false;        // write the elements of absent values, empty
};

// Trailing CR and LF removed, then the options applied; empty means no description.
std::string NettoyerDescription(std::string_view text, const OptionsExport& options);
// "PT" with whole hours, minutes and seconds between the two dates; "PT1S" when all are zero.
std::string DureeIso8601(service::TDateTime begin, service::TDateTime end);

// The folder "export" beside the running program.
std::string DossierExportParDefaut();

class ExportHistorique {
public:
  explicit ExportHistorique(TdmGestionAssistances& history, std::string dossierExport = DossierExportParDefaut());

  // The export document as XML text (UTF-8, indented). ENothingToExport when the history has no
  // row.
  std::string Document(const OptionsExport& options) const;

  void ExporterXML(const std::string& fileName) const;
  void ExporterCSV(const std::string& fileName) const;
  void ExporterHTML(const std::string& fileName) const;
  // The clipboard text (tab-separated); also handed to the clipboard writer when one is set.
  std::string ExporterPressePapiers() const;
  void setPressePapiers(std::function<void(const std::string& utf8Text)> writer) { clipboard_ = std::move(writer); }

private:
  std::string transform(std::string_view styleSheet, const OptionsExport& options) const;

  TdmGestionAssistances& history_;
  std::string folder_;
  std::function<void(const std::string&)> clipboard_;
};

}  // namespace corvane::records
