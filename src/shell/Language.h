#pragma once
// The language code that selects the catalogues: LANG; when it is empty, the user's locale
// (LC_ALL, then LC_MESSAGES) with the language "no" written "nb". Anything from the first "." on
// is dropped: LANG=fr_FR.UTF-8 gives "fr_FR".

#include <string>
#include <string_view>

namespace corvane::shell {

// langEnv is LANG's value; localeEnv the user's locale name ("nb_NO.UTF-8"). A code holding
// anything but letters, digits, "_", "-" and "@" gives "" (no catalogue), so that it can never
// name a path outside the catalogue folder.
std::string LanguageCode(std::string_view langEnv, std::string_view localeEnv);

// LanguageCode from this process's environment.
std::string LanguageFromEnvironment();

}  // namespace corvane::shell
