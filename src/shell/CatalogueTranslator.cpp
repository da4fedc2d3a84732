#include "shell/CatalogueTranslator.h"

#include <sys/stat.h>

#include <cstdio>

#include "base/Translate.h"
#include "shell/AtomicFile.h"
#include "shell/ExecutablePath.h"
#include "shell/Language.h"
#include "shell/ShellError.h"
#include "shell/ShellLimits.h"

namespace corvane::shell {
namespace {

std::string relativePath(std::string_view language, std::string_view domain) {
  return "locale\\" + std::string(language) + "\\LC_MESSAGES\\" + std::string(domain) + ".mo";
}

std::string diskPath(const std::string& folder, std::string_view language, std::string_view domain) {
  return folder + "/" + std::string(language) + "/LC_MESSAGES/" + std::string(domain) + ".mo";
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::mutex installedMutex;
std::shared_ptr<CatalogueTranslator> installed;

}  // namespace

CatalogueTranslator::CatalogueTranslator(Options options) : options_(std::move(options)) {}

std::shared_ptr<const MoCatalogue> CatalogueTranslator::loadShared(const std::string& path, int64_t offset,
                                                                   int64_t size) {
  auto key = std::make_tuple(path, offset, size);
  if (auto it = shared_.find(key); it != shared_.end()) return it->second;
  std::shared_ptr<const MoCatalogue> catalogue;
  try {
    std::error_code ec;
    if (offset < 0) {  // a file of its own
      auto bytes = ReadWholeFile(path, kMaxCatalogueBytes, ec);
      if (bytes) catalogue = MoCatalogue::Parse(*bytes);
    } else {
      std::FILE* f = std::fopen(path.c_str(), "rb");
      if (f) {
        std::string bytes(static_cast<size_t>(size), '\0');
        bool ok = std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0 &&
                  std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
        std::fclose(f);
        if (ok) catalogue = MoCatalogue::Parse(bytes);
      }
    }
  } catch (const ECatalogueError&) {
    catalogue = nullptr;  // damaged: the domain stays in English
  }
  shared_[key] = catalogue;
  return catalogue;
}

CatalogueTranslator::Found CatalogueTranslator::search(std::string_view domain) {
  Found found;
  std::string language = options_.language;
  if (language.empty()) return found;
  std::string relative = relativePath(language, domain);
  std::string onDisk = diskPath(options_.localeFolder, language, domain);
  if (!options_.table.find(relative) && !fileExists(onDisk) && language.size() > 2) {
    language = language.substr(0, 2);
    relative = relativePath(language, domain);
    onDisk = diskPath(options_.localeFolder, language, domain);
  }
  if (auto location = options_.table.find(relative)) {
    found.catalogue = loadShared(options_.executablePath, location->offset, location->size);
    found.source = "appended:" + location->path;
  } else if (fileExists(onDisk)) {
    found.catalogue = loadShared(onDisk, -1, -1);
    found.source = onDisk;
  }
  if (found.catalogue && !found.catalogue->hasUtf8Charset()) {
    found.problem = "The translation for the language code " + language + " (in " + found.source +
                    ") does not have charset=utf-8 in its Content-Type. Translations are turned off.";
    found.catalogue = nullptr;
  }
  if (!found.catalogue) found.source.clear();
  return found;
}

const CatalogueTranslator::DomainState& CatalogueTranslator::domainLocked(std::string_view domain,
                                                                          std::string& problem) {
  if (auto it = domains_.find(domain); it != domains_.end()) return it->second;
  Found found = search(domain);
  problem = std::move(found.problem);
  auto [it, inserted] =
      domains_.emplace(std::string(domain), DomainState{std::move(found.catalogue), std::move(found.source)});
  return it->second;
}

void CatalogueTranslator::report(const std::string& problem) {
  if (problem.empty()) return;
  const std::string caption(kCaptionProblemeLocalisation);
  if (options_.onProblem)
    options_.onProblem(caption, problem);
  else
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), problem.c_str());
}

std::string CatalogueTranslator::Traduire(std::string_view domain, std::string_view text) {
  std::string problem;
  std::string result;
  {
    std::lock_guard lock(mutex_);
    const DomainState& state = domainLocked(domain, problem);
    const std::string* translation = state.catalogue ? state.catalogue->find(text) : nullptr;
    result = translation ? *translation : std::string(text);
  }
  report(problem);
  return result;
}

void CatalogueTranslator::AjouterDomaineRessources(std::string_view domain) {
  std::lock_guard lock(mutex_);
  for (const auto& d : resourceDomains_)
    if (d == domain) return;
  resourceDomains_.emplace_back(domain);
}

std::string CatalogueTranslator::TraduireTexteBibliotheque(std::string_view text) {
  std::vector<std::string> order{std::string(kDomaineParDefaut)};
  {
    std::lock_guard lock(mutex_);
    order.insert(order.end(), resourceDomains_.begin(), resourceDomains_.end());
  }
  for (const auto& domain : order) {
    std::string problem;
    std::string result;
    bool translated = false;
    {
      std::lock_guard lock(mutex_);
      const DomainState& state = domainLocked(domain, problem);
      if (const std::string* t = state.catalogue ? state.catalogue->find(text) : nullptr) {
        result = *t;
        translated = true;
      }
    }
    report(problem);
    if (translated) return result;
  }
  return std::string(text);
}

std::string CatalogueTranslator::catalogueSource(std::string_view domain) {
  std::string problem;
  std::string source;
  {
    std::lock_guard lock(mutex_);
    source = domainLocked(domain, problem).source;
  }
  report(problem);
  return source;
}

void InstallerTraducteur(std::shared_ptr<CatalogueTranslator> translator) {
  {
    std::lock_guard lock(installedMutex);
    installed = translator;
  }
  if (!translator) {
    base::SetTranslator(nullptr);
    return;
  }
  base::SetTranslator([translator](std::string_view domain, std::string_view text) {
    return translator->Traduire(domain, text);
  });
}

std::shared_ptr<CatalogueTranslator> TraducteurCourant() {
  std::lock_guard lock(installedMutex);
  return installed;
}

std::shared_ptr<CatalogueTranslator> InitialiserTraduction(CatalogueTranslator::ProblemReport onProblem) {
  CatalogueTranslator::Options options;
  options.executablePath = ExecutablePath();
  options.localeFolder = FolderOf(options.executablePath) + "/locale";
  options.language = LanguageFromEnvironment();
  if (!options.executablePath.empty()) options.table = ReadOwnCatalogueTable(options.executablePath);
  options.onProblem = std::move(onProblem);
  auto translator = std::make_shared<CatalogueTranslator>(std::move(options));
  InstallerTraducteur(translator);
  return translator;
}

}  // namespace corvane::shell
