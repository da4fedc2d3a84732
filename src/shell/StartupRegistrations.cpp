#include "shell/StartupRegistrations.h"

#include <mutex>

#include "shell/CallsErrorClassifier.h"
#include "shell/ErrorMapping.h"
#include "shell/ExclusionsTraduction.h"
#include "shell/RecordsErrorClassifier.h"
#include "shell/ServiceErrorClassifier.h"

namespace corvane::shell {

void RegisterErrorClassifiersAndExclusions() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterErrorClassifier(ClassifyServiceError);
    RegisterErrorClassifier(ClassifyCallsError);
    RegisterErrorClassifier(ClassifyRecordsError);
    EnregistrerExclusionsProgramme(ExclusionsTraduction());
  });
}

}  // namespace corvane::shell
