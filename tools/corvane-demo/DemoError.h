#pragma once
// Errors of the demo program, rooted in DemoError.

#include <stdexcept>
#include <string>

namespace corvane::demo {

class DemoError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The command line is not usable.
class DemoUsageError : public DemoError {
public:
  using DemoError::DemoError;
};

// A program could not be started, or its output not read.
class ChildProcessError : public DemoError {
public:
  using DemoError::DemoError;
};

// A step cannot go on: what it needed did not happen (the failed check was already printed).
class StepFailed : public DemoError {
public:
  using DemoError::DemoError;
};

}  // namespace corvane::demo
