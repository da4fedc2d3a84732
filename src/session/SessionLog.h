#pragma once
// The trace of errors the session library swallows on purpose (those of the platform clipboard, for
// instance): they must not end a connection, but they are not lost without a word either.
//
// Threads: any thread; each report is one write to the standard error stream.

#include <string_view>

namespace corvane::session {

// Call inside a catch block: writes where it happened and the caught error's text.
void LogSwallowedError(std::string_view where);

}  // namespace corvane::session
