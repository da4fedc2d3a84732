#include "shell/Demarrage.h"

#include "base/Translate.h"
#include "shell/LigneCommande.h"
#include "shell/StartupRegistrations.h"

namespace corvane::shell {

void InitialiserProcessus(int argc, const char* const* argv, CatalogueTranslator::ProblemReport onLocalizationProblem) {
  InitialiserLigneCommande(argc, argv);
  InitialiserTraduction(std::move(onLocalizationProblem));
  RegisterErrorClassifiersAndExclusions();
}

std::string TitreApplication() { return base::Tr(kTitreApplication); }

}  // namespace corvane::shell
