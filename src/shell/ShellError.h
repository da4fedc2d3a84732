#pragma once
// The error hierarchy of the shell library, rooted in EShellError.
//
//   EShellError
//   ├── EConfigurationError   the configuration file could not be read or written
//   └── ECatalogueError       a translation catalogue or the appended catalogue table is unusable

#include <stdexcept>

namespace corvane::shell {

class EShellError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class EConfigurationError : public EShellError {
public:
  using EShellError::EShellError;
};

class ECatalogueError : public EShellError {
public:
  using EShellError::EShellError;
};

}  // namespace corvane::shell
