#pragma once
// The error hierarchy of the record-set library, rooted in ERecordsError.
//
//   ERecordsError
//   ├── EDataSetError        a record set refused an operation (bad value, state)
//   │   └── EMissingFieldValue   a required field was left empty when a record was posted
//   ├── EPropertyNotFound    the property copier met a name the bound record does not have
//   ├── ETimeZoneError       a time zone of the system database could not be read
//   └── EExportError         an export could not be built, transformed or written
//       └── ENothingToExport the history shows no row
//
// Service faults and transport errors raised by the controller's wrappers are not wrapped: they
// pass through the record sets with their own types. Messages are translated texts.

#include <stdexcept>
#include <string>

namespace corvane::records {

class ERecordsError : public std::exception {
public:
  explicit ERecordsError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const { return message_; }

private:
  std::string message_;
};

class EDataSetError : public ERecordsError {
public:
  using ERecordsError::ERecordsError;
};

// Told apart by its class, not its (translated) text: the error mapping shows its own message.
class EMissingFieldValue : public EDataSetError {
public:
  using EDataSetError::EDataSetError;
};

class EPropertyNotFound : public ERecordsError {
public:
  using ERecordsError::ERecordsError;
};

class ETimeZoneError : public ERecordsError {
public:
  using ERecordsError::ERecordsError;
};

class EExportError : public ERecordsError {
public:
  using ERecordsError::ERecordsError;
};

class ENothingToExport : public EExportError {
public:
  using EExportError::EExportError;
};

}  // namespace corvane::records
