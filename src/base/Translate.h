#pragma once
// Run-time translation of the program's texts. Every text shown to the user passes through
// Traduire(domain, text) before placeholders are filled. The catalogues themselves are loaded by
// the shell, which installs a Translator here; until then texts come back unchanged.
//
// Threads: Traduire and SetTranslator may be called from any thread.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace corvane::base {

// The program's own text domain.
inline constexpr std::string_view kDomaineCorvane = "TarvenholtCorvane";

using Translator = std::function<std::string(std::string_view domain, std::string_view text)>;

void SetTranslator(Translator translator);
std::string Traduire(std::string_view domain, std::string_view text);
// Traduire in the program's own domain.
inline std::string Tr(std::string_view text) { return Traduire(kDomaineCorvane, text); }

}  // namespace corvane::base
