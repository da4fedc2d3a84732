#include "shell/CallsErrorClassifier.h"

#include "calls/CallsError.h"

namespace corvane::shell {

std::optional<ErrorDescription> ClassifyCallsError(const std::exception_ptr& error) {
  if (!error) return std::nullopt;
  try {
    std::rethrow_exception(error);
  } catch (const calls::ECallListenerPortBusy& e) {
    ErrorDescription d;
    d.kind = ErrorKind::ListenerPortBusy;
    d.message = e.what();
    return d;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace corvane::shell
