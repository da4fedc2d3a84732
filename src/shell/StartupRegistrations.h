#pragma once
// What the program registers once at start-up, before any window exists: the error classifiers of
// every library whose exceptions reach the application-wide error handler (web service, call
// reception, record sets), so that its rules decide by error kind, and the program-wide
// exclusions of window translation.
//
// InitialiserProcessus calls it; a main() that does not use InitialiserProcessus calls it itself,
// on the main thread, before the first window. Registering again does nothing.

namespace corvane::shell {

void RegisterErrorClassifiersAndExclusions();

}  // namespace corvane::shell
