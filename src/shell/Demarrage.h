#pragma once
// Process initialisation, before any window exists: the command line is parsed, translation is
// set up with the language of the environment, and every library's error classifier and the
// translation exclusions are registered (RegisterErrorClassifiersAndExclusions). Also the
// process-wide settings made at start.

#include <string>
#include <string_view>

#include "shell/CatalogueTranslator.h"

namespace corvane::shell {

// The application title, before translation.
inline constexpr std::string_view kTitreApplication = "Zodudo Durozerozu (Agent)";
// Connect and read time-outs of every web-service call.
inline constexpr int kDelaiConnexionServiceMs = 15000;
inline constexpr int kDelaiLectureServiceMs = 15000;

// Main thread, once, first thing in main().
void InitialiserProcessus(int argc, const char* const* argv,
                          CatalogueTranslator::ProblemReport onLocalizationProblem = {});

// The translated application title.
std::string TitreApplication();

}  // namespace corvane::shell
