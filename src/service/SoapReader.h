#pragma once
// Parses one SOAP 1.1 envelope (an answer on the client side, a request on the service side) and
// decodes its values into strings, numbers, enumerations, dates, byte arrays, records and arrays.
// Knows nothing of HTTP.
//
// Safety: the parser never touches the network, expands no entity and loads no DTD; a document
// that carries a DTD at all is refused (SOAP forbids one), which also stops entity bombs. Values
// that do not decode raise EUnexpectedAnswer; a document that does not parse ENotWellFormedAnswer.

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "service/RemotableFaults.h"
#include "service/Remotables.h"

namespace corvane::service {

class SoapReader {
public:
  explicit SoapReader(std::string_view xml);
  // A reader with no document of its own, for nodes decoded elsewhere (streamed fragments) that
  // carry no references: its value readers and readRecord work on them as on its own nodes.
  struct FragmentsOnly {};
  explicit SoapReader(FragmentsOnly) {}
  ~SoapReader();
  SoapReader(const SoapReader&) = delete;
  SoapReader& operator=(const SoapReader&) = delete;

  // The Body's first element that is not a multi-reference value: the operation element of a
  // request, the response element or the Fault of an answer.
  const xmlNode* mainElement() const { return main_; }
  bool isFault() const;
  // The error a Fault stands for: a kind of the family when detail's type names one, else the
  // generic fault; with message, code, actor and the detail XML. Only when isFault().
  std::unique_ptr<ERemotableException> faultError() const;

  // The element child of `parent` with this local name, compared without regard to case;
  // nullptr when absent. The child is returned as written (see resolve).
  static const xmlNode* child(const xmlNode* parent, std::string_view name);
  static std::vector<const xmlNode*> elementChildren(const xmlNode* parent);
  static std::string_view localName(const xmlNode* node);
  static std::string_view namespaceUri(const xmlNode* node);

  // Follows href="#n" to the Body element with id="n"; the node itself when it has no href.
  const xmlNode* resolve(const xmlNode* node) const;

  // Value readers. A missing element (nullptr) or one with xsi:nil gives the empty value.
  std::string readString(const xmlNode* node) const;
  int64_t readInteger(const xmlNode* node, int64_t min, int64_t max) const;
  bool readBoolean(const xmlNode* node) const;
  int readEnum(const xmlNode* node, const EnumType& type) const;
  template <class E>
  E readEnum(const xmlNode* node) const {
    return static_cast<E>(readEnum(node, EnumTypeOf<E>()));
  }
  TDateTime readDateTime(const xmlNode* node) const;   // xsd:dateTime, zero date for none
  TDateTime readDayNumber(const xmlNode* node) const;  // day number
  TByteDynArray readBytes(const xmlNode* node) const;
  // Fills the record's properties from the struct's children (by name, without regard to case);
  // properties without an element keep their value. A missing element leaves the record as is.
  void readRecord(const xmlNode* node, TRemotable& record) const;
  template <class R>
  std::vector<R> readArray(const xmlNode* node) const {
    std::vector<R> result;
    if (!node) return result;
    std::vector<const xmlNode*> items = arrayItems(node);
    result.resize(items.size());
    for (size_t i = 0; i < items.size(); ++i) readRecord(items[i], result[i]);
    return result;
  }
  std::vector<const xmlNode*> arrayItems(const xmlNode* node) const;

private:
  std::string_view text(const xmlNode* node, std::string& scratch) const;
  [[noreturn]] void bad(const xmlNode* node, std::string_view what) const;

  xmlDocPtr doc_ = nullptr;
  const xmlNode* body_ = nullptr;
  const xmlNode* main_ = nullptr;
  std::unordered_map<std::string_view, const xmlNode*> multiRefs_;  // id -> Body child
};

}  // namespace corvane::service
