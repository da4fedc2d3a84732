#pragma once
// Writes one SOAP 1.1 RPC/encoded envelope: a request (the operation element and its parameters)
// or an answer (the "...Response" element with its result and in/out parameters), or a fault.
// Used by the client proxies and by the reference service alike; knows nothing of HTTP.
//
// Records are multi-reference values: the parameter element carries href="#n" and the record is
// written after the operation element as a separate child of the Body with id="n", numbered from 1
// in each message. The records handed to addRecord/addArray must live until finish().

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "service/Enumerations.h"
#include "service/RemotableFaults.h"
#include "service/Remotables.h"

namespace corvane::service {

class SoapWriter {
public:
  // Starts the envelope; the Body's element is `elementName` in `elementNs`.
  SoapWriter(std::string_view elementNs, std::string_view elementName);
  ~SoapWriter();
  SoapWriter(const SoapWriter&) = delete;
  SoapWriter& operator=(const SoapWriter&) = delete;

  void addString(std::string_view name, std::string_view value);
  void addInteger(std::string_view name, int64_t value);
  void addBoolean(std::string_view name, bool value);
  void addEnum(std::string_view name, const EnumType& type, int ordinal);
  template <class E>
  void addEnum(std::string_view name, E value) {
    addEnum(name, EnumTypeOf<E>(), static_cast<int>(value));
  }
  void addBytes(std::string_view name, const TByteDynArray& bytes);
  void addRecord(std::string_view name, const TRemotable& record);
  template <class R>
  void addArray(std::string_view name, const std::vector<R>& items) {
    std::vector<const TRemotable*> pointers;
    pointers.reserve(items.size());
    for (const R& item : items) pointers.push_back(&item);
    addRecordArray(name, R::Type().name, pointers);
  }
  void addRecordArray(std::string_view name, std::string_view itemType,
                      const std::vector<const TRemotable*>& items);

  // Keeps `owner` (typically the records just added) alive until finish().
  void keepAlive(std::shared_ptr<const void> owner);

  // Closes the element and the envelope, writes the pending records and returns the document.
  std::string finish();

  // A complete fault envelope. A family error gets a `detail` element typed with its kind's name
  // in its namespace; a generic one gets none.
  static std::string Fault(std::string_view faultCode, const ERemotableException& error);

private:
  struct Impl;
  void writeValue(std::string_view name, std::string_view xsiType, std::string_view text);
  void writeRecordBody(const TRemotable& record, int id);
  std::unique_ptr<Impl> impl_;
};

// Replaces what XML 1.0 cannot carry (malformed UTF-8, control characters other than tab, line
// feed and carriage return) with '?', so that any text yields a well-formed document.
std::string XmlSafeText(std::string_view text);

}  // namespace corvane::service
