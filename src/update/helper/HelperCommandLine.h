#pragma once
// The update helper's command line, shared by the program that starts the helper and the helper
// itself (standard library only, as the helper is).
//
// The helper receives pairs "-name value" (src, dest, pid, params, action). params carries the
// arguments with which the updated program is restarted, as one command-line text: arguments
// separated by blanks, an empty argument or one with blanks enclosed in double quotes, a backslash
// making the next character literal (written before every quote and backslash of an argument, and
// after every "&" so that an argument's own "&quote;" survives), and every double quote of the
// text then written "&quote;" so that the text travels as one value.

#include <string>
#include <string_view>
#include <vector>

namespace corvane::update::helper {

// The switch that the restarted program receives, with the helper's path as value.
inline constexpr const char* kSwitchLastUsedUpdateExe = "LastUsedUpdateExeFileNameToDelete";

enum HelperAction { kActionMove = 0, kActionMoveAndRestart = 1, kActionDelete = 2 };

struct HelperSwitches {
  std::string src, dest, params, pid, action;
};

// A switch is an argument "-name" (name compared without regard to case); its value is the next
// argument. Absent switches are empty.
HelperSwitches ReadSwitches(const std::vector<std::string>& args);

// Program side: the restart arguments as a params value.
std::string EncodeParams(const std::vector<std::string>& arguments);

// Helper side: params with "&quote;" (any case) turned back into double quotes, followed by
// " -LastUsedUpdateExeFileNameToDelete "<helperPath>"".
std::string DecodeParams(std::string_view params, const std::string& helperPath);

// One argument as written in a command-line text; always enclosed in quotes when asked.
std::string QuoteArgument(std::string_view arg, bool alwaysQuote = false);

// Splits a command-line text back into arguments.
std::vector<std::string> SplitCommandLine(std::string_view text);

// A decimal number, or 0 when the text is not one.
long ParseDecimal(std::string_view text);

}  // namespace corvane::update::helper
