#include "service/SoapArrayStream.h"

#include <libxml/xmlreader.h>

#include <cstring>
#include <memory>

#include "service/ContractNames.h"
#include "service/ServiceLimits.h"
#include "service/SoapReader.h"
#include "service/XmlInit.h"

namespace corvane::service {

namespace {

std::string_view S(const xmlChar* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

// The value of a namespace-less attribute, or nothing.
std::optional<std::string_view> PlainAttribute(const xmlNode* node, const char* name) {
  for (const xmlAttr* a = node->properties; a; a = a->next)
    if (!a->ns && std::strcmp(reinterpret_cast<const char*>(a->name), name) == 0)
      return a->children ? S(a->children->content) : std::string_view();
  return std::nullopt;
}

// "#n" to "n"; nothing for anything else.
std::optional<std::string> LocalReference(const xmlNode* node) {
  auto href = PlainAttribute(node, "href");
  if (!href || href->size() < 2 || href->front() != '#') return std::nullopt;
  return std::string(href->substr(1));
}

bool HasNil(const xmlNode* node) {
  for (const xmlAttr* a = node->properties; a; a = a->next)
    if (a->ns && S(a->ns->href) == kXsiNs && S(a->name) == "nil") return true;
  return false;
}

bool HasReferenceInside(const xmlNode* node) {
  for (const xmlNode* c = node->children; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE) continue;
    if (PlainAttribute(c, "href") || HasReferenceInside(c)) return true;
  }
  return false;
}

// The references of an array's items, in order; nothing when an item is not a reference.
std::optional<std::vector<std::string>> ItemReferences(const xmlNode* array) {
  std::vector<std::string> refs;
  for (const xmlNode* c = array->children; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE) continue;
    auto ref = LocalReference(c);
    if (!ref || refs.size() >= kMaxArrayItems) return std::nullopt;
    refs.push_back(std::move(*ref));
  }
  return refs;
}

struct ReaderDeleter {
  void operator()(xmlTextReader* r) const { xmlFreeTextReader(r); }
};

// Moves to the next element at the given depth below the current one, skipping other nodes:
// 1 found, 0 at the end of the enclosing element, -1 on a parse error or a document type.
int NextElementAt(xmlTextReaderPtr r, int depth, bool skipCurrent) {
  int ret = skipCurrent ? xmlTextReaderNext(r) : xmlTextReaderRead(r);
  while (ret == 1) {
    const int d = xmlTextReaderDepth(r);
    const int type = xmlTextReaderNodeType(r);
    if (type == XML_READER_TYPE_DOCUMENT_TYPE) return -1;  // refused by the document reader
    if (d < depth) return 0;
    if (d == depth && type == XML_READER_TYPE_ELEMENT) return 1;
    ret = d > depth ? xmlTextReaderNext(r) : xmlTextReaderRead(r);
  }
  return ret < 0 ? -1 : 0;
}

}  // namespace

std::optional<std::vector<std::string>> StreamArrayAnswer(
    std::string_view xml, std::string_view expectedResponse,
    const std::function<TRemotable&(const std::string& id)>& newRecord) {
  if (xml.size() > kMaxAnswerBytes) return std::nullopt;
  InitialiseXml();
  const int options = XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_NOERROR |
                      XML_PARSE_NOWARNING | XML_PARSE_COMPACT;
  std::unique_ptr<xmlTextReader, ReaderDeleter> reader(
      xmlReaderForMemory(xml.data(), static_cast<int>(xml.size()), nullptr, "UTF-8", options));
  if (!reader) return std::nullopt;
  xmlTextReaderPtr r = reader.get();

  if (NextElementAt(r, 0, false) != 1) return std::nullopt;
  if (S(xmlTextReaderConstLocalName(r)) != "Envelope" ||
      S(xmlTextReaderConstNamespaceUri(r)) != kSoapEnvelopeNs)
    return std::nullopt;
  int found = NextElementAt(r, 1, false);
  while (found == 1 && !(S(xmlTextReaderConstLocalName(r)) == "Body" &&
                         S(xmlTextReaderConstNamespaceUri(r)) == kSoapEnvelopeNs))
    found = NextElementAt(r, 1, true);
  if (found != 1 || xmlTextReaderIsEmptyElement(r)) return std::nullopt;

  const SoapReader values{SoapReader::FragmentsOnly{}};
  std::optional<std::string> arrayId;
  std::optional<std::vector<std::string>> items;
  bool first = true;
  int more = NextElementAt(r, 2, false);
  for (; more == 1; more = NextElementAt(r, 2, true)) {
    const xmlNode* node = xmlTextReaderExpand(r);
    if (!node) return std::nullopt;
    auto id = PlainAttribute(node, "id");
    if (first) {
      // The response element: its result must refer to the array.
      first = false;
      if (id || !EqualsIgnoreCase(S(node->name), expectedResponse)) return std::nullopt;
      std::vector<const xmlNode*> children = SoapReader::elementChildren(node);
      const xmlNode* result = children.size() == 1 ? children.front() : nullptr;
      for (const xmlNode* c : children)
        if (!result && (EqualsIgnoreCase(S(c->name), "Result") || EqualsIgnoreCase(S(c->name), "Return")))
          result = c;
      if (!result || HasNil(result)) return std::nullopt;
      arrayId = LocalReference(result);
      if (!arrayId) {
        // The array written in place: its items refer to the records that follow.
        items = ItemReferences(result);
        if (!items) return std::nullopt;
      }
      continue;
    }
    if (!id) continue;  // a second element without id is ignored, as the document reader does
    if (arrayId && *id == *arrayId) {
      if (items) return std::nullopt;
      items = ItemReferences(node);
      if (!items) return std::nullopt;
      continue;
    }
    if (HasReferenceInside(node)) return std::nullopt;
    try {
      values.readRecord(node, newRecord(std::string(*id)));
    } catch (const EServiceError&) {
      return std::nullopt;  // the document reader reports the bad value with its context
    }
  }
  if (more < 0) return std::nullopt;
  // The rest of the document must be well-formed too.
  int ret;
  while ((ret = xmlTextReaderRead(r)) == 1) {
  }
  if (ret < 0) return std::nullopt;
  return items;
}

}  // namespace corvane::service
