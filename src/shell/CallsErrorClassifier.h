#pragma once
// Describes the call-reception library's exceptions for the application-wide error mapping.

#include <exception>
#include <optional>

#include "shell/ErrorMapping.h"

namespace corvane::shell {

// The listener's port that could not be bound; nullopt for anything else (the library's other
// errors are shown with their own text).
std::optional<ErrorDescription> ClassifyCallsError(const std::exception_ptr& error);

}  // namespace corvane::shell
