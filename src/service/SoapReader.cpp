#include "service/SoapReader.h"
#include "service/XmlInit.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <charconv>
#include <cstring>
#include <mutex>

#include "base/Translate.h"
#include "service/Base64.h"
#include "service/ContractNames.h"
#include "service/ServiceErrors.h"
#include "service/ServiceLimits.h"

namespace corvane::service {
namespace {

const xmlChar* X(std::string_view s) { return reinterpret_cast<const xmlChar*>(s.data()); }
std::string_view S(const xmlChar* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

// A document type declaration anywhere stops the parse: the flag tells the constructor why.
struct ParseGuard {
  bool sawDtd = false;
};
void RefuseDtd(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  static_cast<ParseGuard*>(ctxt->_private)->sawDtd = true;
  xmlStopParser(ctxt);
}

std::string NodeAttribute(const xmlNode* node, const char* name, std::string_view ns = {}) {
  xmlChar* v = ns.empty() ? xmlGetNoNsProp(node, X(name))
                          : xmlGetNsProp(node, X(name), X(std::string(ns).c_str()));
  if (!v) return {};
  std::string out(reinterpret_cast<const char*>(v));
  xmlFree(v);
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

SoapReader::SoapReader(std::string_view xml) {
  InitialiseXml();
  if (xml.size() > kMaxAnswerBytes)
    throw EAnswerTooLarge(base::Tr("The service's answer is too large."));

  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (!ctxt) throw std::bad_alloc();
  ParseGuard guard;
  ctxt->_private = &guard;
  ctxt->sax->internalSubset = RefuseDtd;
  // No network, no entity substitution, no DTD loading or defaulting, no messages on stderr.
  const int options = XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_NOERROR |
                      XML_PARSE_NOWARNING | XML_PARSE_COMPACT;
  // The encoding is the document's own (byte-order mark or declaration, UTF-8 without either):
  // forcing one would misread an answer declared ISO-8859-1. The tree holds UTF-8 either way.
  doc_ = xmlCtxtReadMemory(ctxt, xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                           options);
  std::string reason;
  if (const xmlError* err = xmlCtxtGetLastError(ctxt); err && err->message) reason = Trim(err->message);
  const bool wellFormed = ctxt->wellFormed && doc_ && !guard.sawDtd;
  xmlFreeParserCtxt(ctxt);
  if (!wellFormed) {
    if (doc_) xmlFreeDoc(doc_);
    doc_ = nullptr;
    if (guard.sawDtd) reason = "document type declaration not allowed";
    throw ENotWellFormedAnswer(base::Tr("The service's answer is not well-formed XML.") +
                               (reason.empty() ? "" : " (" + reason + ")"));
  }

  const xmlNode* root = xmlDocGetRootElement(doc_);
  if (!root || localName(root) != "Envelope" || namespaceUri(root) != kSoapEnvelopeNs) {
    xmlFreeDoc(doc_);
    doc_ = nullptr;
    throw EUnexpectedAnswer(base::Tr("The service's answer is not a SOAP envelope."));
  }
  for (const xmlNode* c : elementChildren(root))
    if (localName(c) == "Body" && namespaceUri(c) == kSoapEnvelopeNs) body_ = c;
  if (!body_) {
    xmlFreeDoc(doc_);
    doc_ = nullptr;
    throw EUnexpectedAnswer(base::Tr("The service's answer has no SOAP body."));
  }
  for (const xmlNode* c = body_->children; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE) continue;
    const xmlAttr* id = nullptr;
    for (const xmlAttr* a = c->properties; a; a = a->next)
      if (!a->ns && std::strcmp(reinterpret_cast<const char*>(a->name), "id") == 0) id = a;
    if (id && id->children && id->children->content)
      multiRefs_.emplace(S(id->children->content), c);
    else if (!main_)
      main_ = c;
  }
  if (!main_) {
    xmlFreeDoc(doc_);
    doc_ = nullptr;
    throw EUnexpectedAnswer(base::Tr("The service's answer has an empty SOAP body."));
  }
}

SoapReader::~SoapReader() {
  if (doc_) xmlFreeDoc(doc_);
}

std::string_view SoapReader::localName(const xmlNode* node) { return S(node->name); }

std::string_view SoapReader::namespaceUri(const xmlNode* node) {
  return node->ns ? S(node->ns->href) : std::string_view();
}

const xmlNode* SoapReader::child(const xmlNode* parent, std::string_view name) {
  if (!parent) return nullptr;
  for (const xmlNode* c = parent->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && EqualsIgnoreCase(S(c->name), name)) return c;
  return nullptr;
}

std::vector<const xmlNode*> SoapReader::elementChildren(const xmlNode* parent) {
  std::vector<const xmlNode*> out;
  if (!parent) return out;
  for (const xmlNode* c = parent->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) out.push_back(c);
  return out;
}

void SoapReader::bad(const xmlNode* node, std::string_view what) const {
  std::string where = node ? std::string(localName(node)) : std::string();
  throw EUnexpectedAnswer(base::Tr("The service's answer holds an invalid value.") + " " +
                          std::string(what) + (where.empty() ? "" : " (" + where + ")"));
}

const xmlNode* SoapReader::resolve(const xmlNode* node) const {
  for (int hops = 0; node; ++hops) {
    const xmlAttr* href = nullptr;
    for (const xmlAttr* a = node->properties; a; a = a->next)
      if (!a->ns && std::strcmp(reinterpret_cast<const char*>(a->name), "href") == 0) href = a;
    if (!href) return node;
    if (hops >= kMaxHrefChain) bad(node, "href chain too long");
    std::string_view ref = href->children ? S(href->children->content) : std::string_view();
    if (ref.empty() || ref.front() != '#') bad(node, "external href");
    auto it = multiRefs_.find(ref.substr(1));
    if (it == multiRefs_.end()) bad(node, "unresolved href");
    node = it->second;
  }
  return node;
}

std::string_view SoapReader::text(const xmlNode* node, std::string& scratch) const {
  node = resolve(node);
  if (!node) return {};
  const xmlNode* first = node->children;
  if (!first) return {};
  if (!first->next && (first->type == XML_TEXT_NODE || first->type == XML_CDATA_SECTION_NODE))
    return S(first->content);
  scratch.clear();
  for (const xmlNode* c = first; c; c = c->next)
    if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE)
      scratch += S(c->content);
  return scratch;
}

std::string SoapReader::readString(const xmlNode* node) const {
  std::string scratch;
  return std::string(text(node, scratch));
}

int64_t SoapReader::readInteger(const xmlNode* node, int64_t min, int64_t max) const {
  std::string scratch;
  std::string_view t = Trim(text(node, scratch));
  if (t.empty()) return 0;
  if (t.front() == '+') t.remove_prefix(1);
  int64_t value = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (ec != std::errc() || end != t.data() + t.size()) bad(node, "not an integer");
  if (value < min || value > max) bad(node, "integer out of range");
  return value;
}

bool SoapReader::readBoolean(const xmlNode* node) const {
  std::string scratch;
  std::string_view t = Trim(text(node, scratch));
  if (t.empty() || t == "0" || EqualsIgnoreCase(t, "false")) return false;
  if (t == "1" || EqualsIgnoreCase(t, "true")) return true;
  bad(node, "not a boolean");
}

int SoapReader::readEnum(const xmlNode* node, const EnumType& type) const {
  std::string scratch;
  std::string_view t = Trim(text(node, scratch));
  if (!node) return 0;
  if (auto ordinal = type.ordinal(t)) return *ordinal;
  for (size_t i = 0; i < type.identifiers.size(); ++i)
    if (EqualsIgnoreCase(type.identifiers[i], t)) return static_cast<int>(i);
  bad(node, "unknown " + std::string(type.name) + " identifier");
}

TDateTime SoapReader::readDateTime(const xmlNode* node) const {
  std::string scratch;
  std::string_view t = Trim(text(node, scratch));
  if (t.empty()) return 0;
  auto value = ParseXsdDateTime(t);
  if (!value) bad(node, "not a date-time");
  return *value;
}

TDateTime SoapReader::readDayNumber(const xmlNode* node) const {
  std::string scratch;
  std::string_view t = Trim(text(node, scratch));
  if (t.empty()) return 0;
  auto value = ParseDayNumber(t);
  if (!value) bad(node, "not a day number");
  return *value;
}

TByteDynArray SoapReader::readBytes(const xmlNode* node) const {
  std::string scratch;
  auto bytes = Base64Decode(text(node, scratch));
  if (!bytes) bad(node, "not base64");
  return std::move(*bytes);
}

void SoapReader::readRecord(const xmlNode* node, TRemotable& record) const {
  node = resolve(node);
  if (!node) return;
  const RecordType& type = record.remotableType();
  size_t hint = 0;
  std::string scratch;
  for (const xmlNode* c = node->children; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE) continue;
    const PropertyInfo* p = type.find(S(c->name), hint);
    if (!p) continue;  // a field this version does not know
    hint = static_cast<size_t>(p - type.properties.data()) + 1;
    void* field = p->address(record);
    switch (p->type) {
      case PropertyType::String: static_cast<std::string*>(field)->assign(text(c, scratch)); break;
      case PropertyType::Boolean: *static_cast<bool*>(field) = readBoolean(c); break;
      case PropertyType::Integer:
        *static_cast<int32_t*>(field) = static_cast<int32_t>(readInteger(c, INT32_MIN, INT32_MAX));
        break;
      case PropertyType::SmallInt:
        *static_cast<int16_t*>(field) = static_cast<int16_t>(readInteger(c, INT16_MIN, INT16_MAX));
        break;
      case PropertyType::Enumeration:
        *static_cast<uint8_t*>(field) = static_cast<uint8_t>(readEnum(c, *p->enumType));
        break;
      case PropertyType::DateTime: *static_cast<double*>(field) = readDateTime(c); break;
      case PropertyType::DateNumber: *static_cast<double*>(field) = readDayNumber(c); break;
    }
  }
}

std::vector<const xmlNode*> SoapReader::arrayItems(const xmlNode* node) const {
  std::vector<const xmlNode*> items;
  node = resolve(node);
  if (!node) return items;
  for (const xmlNode* c = node->children; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE) continue;
    if (items.size() >= kMaxArrayItems) bad(node, "too many array items");
    items.push_back(c);
  }
  return items;
}

bool SoapReader::isFault() const {
  return localName(main_) == "Fault" && namespaceUri(main_) == kSoapEnvelopeNs;
}

std::unique_ptr<ERemotableException> SoapReader::faultError() const {
  const xmlNode* faultCode = child(main_, "faultcode");
  const xmlNode* faultString = child(main_, "faultstring");
  const xmlNode* detail = child(main_, "detail");
  const xmlNode* faultActor = child(main_, "faultactor");

  std::string typeNs, typeName;
  if (detail) {
    std::string type = NodeAttribute(detail, "type", kXsiNs);
    if (type.empty()) type = NodeAttribute(detail, "type");
    if (!type.empty()) {
      size_t colon = type.find(':');
      if (colon == std::string::npos) {
        typeName = type;
      } else {
        std::string prefix = type.substr(0, colon);
        typeName = type.substr(colon + 1);
        // The prefix as bound in the scope of the detail element.
        if (xmlNsPtr ns = xmlSearchNs(doc_, const_cast<xmlNode*>(detail), X(prefix.c_str())))
          typeNs = std::string(S(ns->href));
        else
          typeName.clear();  // an unbound prefix names no type
      }
    }
  }

  auto error = CreateFault(typeNs, typeName, readString(faultString));
  error->setFaultCode(readString(faultCode));
  error->setFaultActor(readString(faultActor));
  if (detail) {
    xmlBufferPtr buffer = xmlBufferCreate();
    if (buffer) {
      xmlNodeDump(buffer, doc_, const_cast<xmlNode*>(detail), 0, 0);
      error->setFaultDetail(std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                                        static_cast<size_t>(xmlBufferLength(buffer))));
      xmlBufferFree(buffer);
    }
  }
  return error;
}

}  // namespace corvane::service
