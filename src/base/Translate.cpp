#include "base/Translate.h"

#include <mutex>

namespace corvane::base {
namespace {
std::mutex translatorMutex;
std::shared_ptr<const Translator> currentTranslator;
}  // namespace

void SetTranslator(Translator translator) {
  auto next = translator ? std::make_shared<const Translator>(std::move(translator)) : nullptr;
  std::lock_guard lock(translatorMutex);
  currentTranslator = std::move(next);
}

std::string Traduire(std::string_view domain, std::string_view text) {
  std::shared_ptr<const Translator> translator;
  {
    std::lock_guard lock(translatorMutex);
    translator = currentTranslator;
  }
  if (!translator) return std::string(text);
  return (*translator)(domain, text);
}

}  // namespace corvane::base
