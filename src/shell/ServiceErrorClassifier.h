#pragma once
// Describes the web-service library's exceptions for the application-wide error mapping.

#include <exception>
#include <optional>

#include "shell/ErrorMapping.h"

namespace corvane::shell {

// The fault family (invalid session apart), generic faults, unreachable service (answer not
// well-formed, connect or read time-out) and other service errors; nullopt for anything else.
std::optional<ErrorDescription> ClassifyServiceError(const std::exception_ptr& error);

}  // namespace corvane::shell
