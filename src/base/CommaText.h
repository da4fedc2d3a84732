#pragma once
// The comma-text list form: items separated by commas or blanks (characters up to space), double
// quotes group an item that holds separators, a doubled quote inside quotes is one quote, and a
// trailing comma adds an empty item. ParseCommaText("a, \"b c\",") gives {"a", "b c", ""}.

#include <string>
#include <string_view>
#include <vector>

namespace corvane::base {

std::vector<std::string> ParseCommaText(std::string_view text);
// The inverse: items holding separators or quotes are quoted, quotes doubled.
std::string MakeCommaText(const std::vector<std::string>& items);

}  // namespace corvane::base
