#pragma once
// Errors of file transfers. The transfer windows catch EFileTransfertError and show its message;
// FileSystemError (a missing source file) goes to the application-wide handler instead.

#include <string>
#include <string_view>

#include "session/SessionError.h"

namespace corvane::session {

class EFileTransfertError : public SessionError {
public:
  using SessionError::SessionError;
};

// A source file that cannot be sent: empty, in use or too large.
class EFileTransfertSourceFileError : public EFileTransfertError {
public:
  using EFileTransfertError::EFileTransfertError;
};

// The operating system's error about a file (missing, not readable as a file).
class FileSystemError : public SessionError {
public:
  using SessionError::SessionError;
};

// Texts shown to the user; translated before the file name is filled in.
inline constexpr std::string_view kSourceFileEmpty = "Source file \"%s\" is empty";
inline constexpr std::string_view kSourceFileInUse = "Source file \"%s\" is in use";
inline constexpr std::string_view kSourceFileTooLarge = "Source file \"%s\" is too large (4 GB or more)";

// An EFileTransfertSourceFileError with one of the texts above, translated and formatted.
EFileTransfertSourceFileError SourceFileError(std::string_view text, const std::string& fileName);

}  // namespace corvane::session
