#pragma once
// Errors of the assistance library, rooted in AssistanceError.

#include <stdexcept>
#include <string>

namespace corvane::assistance {

class AssistanceError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A folder archive that cannot be written or read: a file the format cannot hold, an unsafe or
// damaged entry, or a file-system error. The message is translated and meant for the user.
class FolderArchiveError : public AssistanceError {
public:
  using AssistanceError::AssistanceError;
};

// Packing or unpacking stopped at the user's (or the session's) request.
class FolderArchiveAborted : public AssistanceError {
public:
  FolderArchiveAborted() : AssistanceError("Folder archive work aborted") {}
};

}  // namespace corvane::assistance
