#pragma once
// The application-wide error handler's rules as a pure function: from an error that reached the
// top of the main thread to what the main window does with it (show a text, show nothing, or show
// the text and start the re-login).
//
// Errors are first described (DescribeError): libraries register a classifier that recognises
// their own exception classes, so that this table knows no library's classes and decides by kind,
// never by a (translated) message text. RegisterErrorClassifiersAndExclusions
// (shell/StartupRegistrations.h) registers every classifier of the program. Main thread only,
// except RegisterErrorClassifier, which is meant for start-up.

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace corvane::shell {

enum class ErrorKind {
  Other,                // anything else: shown with its own text
  GridOperation,        // an error of a grid operation: ignored
  ServiceFault,         // a generic service fault (not of the program's own fault family)
  ServiceFamilyFault,   // a fault of the program's own family, other than the invalid session
  InvalidSession,       // ERemotableInvalideSession
  ListenerPortBusy,     // the call listener's port could not be bound
  MissingValue,         // a record set refused a record whose required field is empty
  DataSet,              // any other record-set (data-set) error: shown with its own text
  ServerUnreachable,    // service answer not parseable as XML, read time-out, connect time-out
};

struct ErrorDescription {
  ErrorKind kind = ErrorKind::Other;
  std::string message;      // the error's own text
  std::string kindMessage;  // family faults: the kind's own message, untranslated
  std::string faultCode;    // service faults, as received
  std::string faultActor;
  std::string faultDetail;
};

struct ErrorContext {
  std::string racineServeur;     // the effective service root
  int portNegociation = 0;       // the agent's negotiation (call listener) port
  bool reloginEnCours = false;   // a session re-opening is running now
};

struct ErrorReaction {
  bool show = false;           // show `text` in an error box titled with the application title
  std::string text;            // translated, placeholders filled, full stop rule applied
  bool startRelogin = false;   // stop the status refresh and start the session re-opening
};

ErrorReaction MapError(const ErrorDescription& error, const ErrorContext& context);

// Appends "." when the text's last character sorts after "." (so not after "." "!" or ")").
std::string AppendFullStop(std::string text);

// Recognises one library's exceptions: rethrows the pointer inside a try block and returns a
// description for the classes it knows, nullopt for the others.
using ErrorClassifier = std::function<std::optional<ErrorDescription>(const std::exception_ptr&)>;
void RegisterErrorClassifier(ErrorClassifier classifier);
// Asks the registered classifiers, newest first; otherwise Other with what() (or a generic text).
ErrorDescription DescribeError(const std::exception_ptr& error);

}  // namespace corvane::shell
