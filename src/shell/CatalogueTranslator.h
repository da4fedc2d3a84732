#pragma once
// Run-time translation from GNU gettext catalogues, by text domain, in one language.
//
// A domain's catalogue is searched on its first use: "locale\<language>\LC_MESSAGES\<domain>.mo"
// in the table appended to the executable, else the same path under the catalogue folder on disk;
// when neither exists, the language is cut to its first two letters (fr_FR -> fr) and the search
// repeated. An appended catalogue wins over a file on disk. A catalogue whose Content-Type has no
// charset=utf-8 is refused with the "Localization problem" report, once; a missing or damaged one
// leaves the domain in English. A failed search is not repeated.
//
// Threads: every method may be called from any thread; one mutex guards the domain states, the
// shared catalogues and the list of resource domains. The problem report runs on the calling
// thread, outside the lock.

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "shell/CatalogueTable.h"
#include "shell/MoCatalogue.h"

namespace corvane::shell {

inline constexpr std::string_view kDomaineAutoUpdater = "AutoUpdater";
inline constexpr std::string_view kDomaineReferentiel = "TarvenholtReferentiel";
// Where library texts are looked up first, before the registered resource domains.
inline constexpr std::string_view kDomaineParDefaut = "default";

inline constexpr std::string_view kCaptionProblemeLocalisation = "Localization problem";

class CatalogueTranslator {
public:
  using ProblemReport = std::function<void(const std::string& caption, const std::string& message)>;

  struct Options {
    std::string executablePath;  // the appended catalogues are read from this file
    std::string localeFolder;    // the catalogue folder on disk ("locale" beside the executable)
    std::string language;        // "fr_FR"; empty: no catalogues
    CatalogueTable table;        // the executable's appended table
    ProblemReport onProblem;     // the "Localization problem" box; stderr when empty
  };

  explicit CatalogueTranslator(Options options);

  // The translation of text in domain, or text itself.
  std::string Traduire(std::string_view domain, std::string_view text);
  // Appends a domain to those searched for library texts (not twice).
  void AjouterDomaineRessources(std::string_view domain);
  // A library's own text: the default domain, then the resource domains in their order.
  std::string TraduireTexteBibliotheque(std::string_view text);

  const std::string& language() const { return options_.language; }
  // Where the domain's catalogue came from ("appended:<path>" or the file path), "" when it has
  // none. Searches it if that was not done yet.
  std::string catalogueSource(std::string_view domain);

private:
  struct DomainState {
    std::shared_ptr<const MoCatalogue> catalogue;  // null: no usable catalogue
    std::string source;
  };
  struct Found {
    std::shared_ptr<const MoCatalogue> catalogue;
    std::string source;
    std::string problem;  // a "Localization problem" message to report
  };

  const DomainState& domainLocked(std::string_view domain, std::string& problem);
  Found search(std::string_view domain);
  std::shared_ptr<const MoCatalogue> loadShared(const std::string& path, int64_t offset, int64_t size);
  void report(const std::string& problem);

  Options options_;
  std::mutex mutex_;
  std::map<std::string, DomainState, std::less<>> domains_;
  std::vector<std::string> resourceDomains_;
  // Catalogues shared by everyone asking for the same file, offset and size.
  std::map<std::tuple<std::string, int64_t, int64_t>, std::shared_ptr<const MoCatalogue>> shared_;
};

// Creates the translator for this process (language from the environment, the executable's
// appended table, the "locale" folder beside it) and installs it behind base::Traduire.
std::shared_ptr<CatalogueTranslator> InitialiserTraduction(CatalogueTranslator::ProblemReport onProblem = {});
// Installs a translator behind base::Traduire (null uninstalls it).
void InstallerTraducteur(std::shared_ptr<CatalogueTranslator> translator);
// The installed translator; null before InitialiserTraduction.
std::shared_ptr<CatalogueTranslator> TraducteurCourant();

}  // namespace corvane::shell
