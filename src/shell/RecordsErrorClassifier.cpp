#include "shell/RecordsErrorClassifier.h"

#include "records/RecordsErrors.h"

namespace corvane::shell {

std::optional<ErrorDescription> ClassifyRecordsError(const std::exception_ptr& error) {
  if (!error) return std::nullopt;
  try {
    std::rethrow_exception(error);
  } catch (const records::EMissingFieldValue& e) {
    ErrorDescription d;
    d.kind = ErrorKind::MissingValue;
    d.message = e.message();
    return d;
  } catch (const records::EDataSetError& e) {
    ErrorDescription d;
    d.kind = ErrorKind::DataSet;
    d.message = e.message();
    return d;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace corvane::shell
