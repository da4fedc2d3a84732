#pragma once
// Describes the record-set library's exceptions for the application-wide error mapping.

#include <exception>
#include <optional>

#include "shell/ErrorMapping.h"

namespace corvane::shell {

// A required field left empty (MissingValue), any other record-set error (DataSet); nullopt for
// the rest, export and time-zone errors included (shown with their own text).
std::optional<ErrorDescription> ClassifyRecordsError(const std::exception_ptr& error);

}  // namespace corvane::shell
