#pragma once
// Errors of the update subsystem, all rooted in EUpdateError so that a caller can catch the whole
// family at once (the application-wide handler shows the text).

#include <stdexcept>
#include <string>

namespace corvane::update {

class EUpdateError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The update descriptor is not well-formed XML, too large, or not an "updates" document.
class EUpdateDescriptorError : public EUpdateError {
public:
  using EUpdateError::EUpdateError;
};

// A transfer failed: network, time-out, server refusal, size limit, or a file that does not match
// what the descriptor announced.
class EUpdateDownloadError : public EUpdateError {
public:
  using EUpdateError::EUpdateError;
};

// An existing target that a version rule must compare carries no version information.
class EUpdateVersionInfoError : public EUpdateError {
public:
  using EUpdateError::EUpdateError;
};

// A target path that is relative or climbs out through "..", refused before anything is written.
class EUpdateUnsafeTarget : public EUpdateError {
public:
  using EUpdateError::EUpdateError;
};

// A local file operation (temporary file, move, copy, starting the helper) failed.
class EUpdateFileError : public EUpdateError {
public:
  using EUpdateError::EUpdateError;
};

}  // namespace corvane::update
