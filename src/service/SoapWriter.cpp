#include "service/SoapWriter.h"
#include "service/XmlInit.h"

#include <libxml/xmlwriter.h>

#include <stdexcept>

#include "service/Base64.h"
#include "service/ContractNames.h"

namespace corvane::service {
namespace {

// Prefixes declared once on the Envelope, so multi-reference records can use them too.
constexpr const char* kRemotablesPrefix = "NS2";
constexpr const char* kEnumerationsPrefix = "NS3";

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

std::string XsdType(PropertyType type) {
  switch (type) {
    case PropertyType::String: return "xsd:string";
    case PropertyType::Boolean: return "xsd:boolean";
    case PropertyType::Integer: return "xsd:int";
    case PropertyType::SmallInt: return "xsd:short";
    case PropertyType::DateTime: return "xsd:dateTime";
    case PropertyType::DateNumber: return "xsd:double";
    case PropertyType::Enumeration: break;
  }
  return {};
}

// Decodes one UTF-8 sequence at s[i]; returns its length or 0 when malformed.
size_t Utf8Length(std::string_view s, size_t i, uint32_t& cp) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (size_t k = 1; k < len; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc >> 6) != 2) return 0;
    cp = (cp << 6) | (cc & 0x3F);
  }
  static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

std::string XmlSafeText(std::string_view text) {
  bool clean = true;
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 0x80 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r')) {
      clean = false;
      break;
    }
  }
  if (clean) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    uint32_t cp = 0;
    size_t len = Utf8Length(text, i, cp);
    if (len == 0) {
      out += '?';
      ++i;
      continue;
    }
    bool allowed = cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp != 0xFFFE && cp != 0xFFFF);
    if (allowed) out.append(text.substr(i, len));
    else out += '?';
    i += len;
  }
  return out;
}

struct SoapWriter::Impl {
  xmlBufferPtr buffer = nullptr;
  xmlTextWriterPtr writer = nullptr;
  std::vector<const TRemotable*> pending;  // records written after the element, id = index + 1
  std::vector<std::shared_ptr<const void>> owners;
  bool finished = false;

  ~Impl() {
    if (writer) xmlFreeTextWriter(writer);
    if (buffer) xmlBufferFree(buffer);
  }
  void check(int rc) const {
    if (rc < 0) throw std::runtime_error("XML writer failed");
  }
};

SoapWriter::SoapWriter(std::string_view elementNs, std::string_view elementName)
    : impl_(std::make_unique<Impl>()) {
  InitialiseXml();
  impl_->buffer = xmlBufferCreate();
  if (!impl_->buffer) throw std::bad_alloc();
  impl_->writer = xmlNewTextWriterMemory(impl_->buffer, 0);
  if (!impl_->writer) throw std::bad_alloc();
  xmlTextWriterPtr w = impl_->writer;
  impl_->check(xmlTextWriterStartDocument(w, nullptr, "UTF-8", nullptr));
  impl_->check(xmlTextWriterStartElement(w, X("SOAP-ENV:Envelope")));
  auto ns = [&](const char* attr, std::string_view uri) {
    impl_->check(xmlTextWriterWriteAttribute(w, X(attr), X(std::string(uri).c_str())));
  };
  ns("xmlns:SOAP-ENV", kSoapEnvelopeNs);
  ns("xmlns:xsd", kXsdNs);
  ns("xmlns:xsi", kXsiNs);
  ns("xmlns:SOAP-ENC", kSoapEncodingNs);
  ns("xmlns:NS2", kRemotablesNs);
  ns("xmlns:NS3", kEnumerationsNs);
  impl_->check(xmlTextWriterStartElement(w, X("SOAP-ENV:Body")));
  ns("SOAP-ENV:encodingStyle", kSoapEncodingNs);
  impl_->check(xmlTextWriterStartElement(w, X(("NS1:" + std::string(elementName)).c_str())));
  ns("xmlns:NS1", elementNs);
}

SoapWriter::~SoapWriter() = default;

void SoapWriter::writeValue(std::string_view name, std::string_view xsiType,
                            std::string_view text) {
  xmlTextWriterPtr w = impl_->writer;
  impl_->check(xmlTextWriterStartElement(w, X(std::string(name).c_str())));
  impl_->check(xmlTextWriterWriteAttribute(w, X("xsi:type"), X(std::string(xsiType).c_str())));
  if (!text.empty()) {
    std::string safe = XmlSafeText(text);
    impl_->check(xmlTextWriterWriteString(w, X(safe.c_str())));
  }
  impl_->check(xmlTextWriterFullEndElement(w));
}

void SoapWriter::addString(std::string_view name, std::string_view value) {
  writeValue(name, "xsd:string", value);
}

void SoapWriter::addInteger(std::string_view name, int64_t value) {
  writeValue(name, "xsd:int", std::to_string(value));
}

void SoapWriter::addBoolean(std::string_view name, bool value) {
  writeValue(name, "xsd:boolean", value ? "true" : "false");
}

void SoapWriter::addEnum(std::string_view name, const EnumType& type, int ordinal) {
  writeValue(name, std::string(kEnumerationsPrefix) + ":" + std::string(type.name),
             type.identifier(ordinal));
}

void SoapWriter::addBytes(std::string_view name, const TByteDynArray& bytes) {
  writeValue(name, "xsd:base64Binary", Base64Encode(bytes));
}

void SoapWriter::addRecord(std::string_view name, const TRemotable& record) {
  xmlTextWriterPtr w = impl_->writer;
  impl_->pending.push_back(&record);
  std::string href = "#" + std::to_string(impl_->pending.size());
  impl_->check(xmlTextWriterStartElement(w, X(std::string(name).c_str())));
  impl_->check(xmlTextWriterWriteAttribute(w, X("href"), X(href.c_str())));
  impl_->check(xmlTextWriterEndElement(w));
}

void SoapWriter::addRecordArray(std::string_view name, std::string_view itemType,
                                const std::vector<const TRemotable*>& items) {
  xmlTextWriterPtr w = impl_->writer;
  impl_->check(xmlTextWriterStartElement(w, X(std::string(name).c_str())));
  impl_->check(xmlTextWriterWriteAttribute(w, X("xsi:type"), X("SOAP-ENC:Array")));
  std::string arrayType = std::string(kRemotablesPrefix) + ":" + std::string(itemType) + "[" +
                          std::to_string(items.size()) + "]";
  impl_->check(xmlTextWriterWriteAttribute(w, X("SOAP-ENC:arrayType"), X(arrayType.c_str())));
  for (const TRemotable* item : items) {
    impl_->pending.push_back(item);
    std::string href = "#" + std::to_string(impl_->pending.size());
    impl_->check(xmlTextWriterStartElement(w, X("item")));
    impl_->check(xmlTextWriterWriteAttribute(w, X("href"), X(href.c_str())));
    impl_->check(xmlTextWriterEndElement(w));
  }
  impl_->check(xmlTextWriterFullEndElement(w));
}

void SoapWriter::writeRecordBody(const TRemotable& record, int id) {
  xmlTextWriterPtr w = impl_->writer;
  const RecordType& type = record.remotableType();
  std::string qualified = std::string(kRemotablesPrefix) + ":" + std::string(type.name);
  impl_->check(xmlTextWriterStartElement(w, X(qualified.c_str())));
  impl_->check(xmlTextWriterWriteAttribute(w, X("id"), X(std::to_string(id).c_str())));
  impl_->check(xmlTextWriterWriteAttribute(w, X("xsi:type"), X(qualified.c_str())));
  for (const PropertyInfo& p : type.properties) {
    PropertyValue v = p.get(record);
    switch (p.type) {
      case PropertyType::String: writeValue(p.name, XsdType(p.type), std::get<std::string>(v)); break;
      case PropertyType::Boolean:
        writeValue(p.name, XsdType(p.type), std::get<bool>(v) ? "true" : "false");
        break;
      case PropertyType::Integer:
      case PropertyType::SmallInt:
        writeValue(p.name, XsdType(p.type), std::to_string(std::get<int64_t>(v)));
        break;
      case PropertyType::Enumeration:
        writeValue(p.name, std::string(kEnumerationsPrefix) + ":" + std::string(p.enumType->name),
                   p.enumType->identifier(static_cast<int>(std::get<int64_t>(v))));
        break;
      case PropertyType::DateTime:
        writeValue(p.name, XsdType(p.type), FormatXsdDateTime(std::get<double>(v)));
        break;
      case PropertyType::DateNumber:
        writeValue(p.name, XsdType(p.type), FormatDayNumber(std::get<double>(v)));
        break;
    }
  }
  impl_->check(xmlTextWriterEndElement(w));
}

void SoapWriter::keepAlive(std::shared_ptr<const void> owner) {
  impl_->owners.push_back(std::move(owner));
}

std::string SoapWriter::finish() {
  if (impl_->finished) throw std::logic_error("SoapWriter::finish called twice");
  impl_->finished = true;
  xmlTextWriterPtr w = impl_->writer;
  impl_->check(xmlTextWriterFullEndElement(w));  // the operation or response element
  // Records may be appended while earlier ones are written; index, not iterator.
  for (size_t i = 0; i < impl_->pending.size(); ++i)
    writeRecordBody(*impl_->pending[i], static_cast<int>(i + 1));
  impl_->check(xmlTextWriterEndDocument(w));
  impl_->check(xmlTextWriterFlush(w));
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(impl_->buffer)),
                     static_cast<size_t>(xmlBufferLength(impl_->buffer)));
}

std::string SoapWriter::Fault(std::string_view faultCode, const ERemotableException& error) {
  xmlBufferPtr buffer = xmlBufferCreate();
  if (!buffer) throw std::bad_alloc();
  xmlTextWriterPtr w = xmlNewTextWriterMemory(buffer, 0);
  if (!w) {
    xmlBufferFree(buffer);
    throw std::bad_alloc();
  }
  auto check = [&](int rc) {
    if (rc < 0) {
      xmlFreeTextWriter(w);
      xmlBufferFree(buffer);
      throw std::runtime_error("XML writer failed");
    }
  };
  auto element = [&](const char* name, std::string_view text) {
    check(xmlTextWriterWriteElement(w, X(name), X(XmlSafeText(text).c_str())));
  };
  check(xmlTextWriterStartDocument(w, nullptr, "UTF-8", nullptr));
  check(xmlTextWriterStartElement(w, X("SOAP-ENV:Envelope")));
  check(xmlTextWriterWriteAttribute(w, X("xmlns:SOAP-ENV"), X(std::string(kSoapEnvelopeNs).c_str())));
  check(xmlTextWriterWriteAttribute(w, X("xmlns:xsi"), X(std::string(kXsiNs).c_str())));
  check(xmlTextWriterStartElement(w, X("SOAP-ENV:Body")));
  check(xmlTextWriterStartElement(w, X("SOAP-ENV:Fault")));
  element("faultcode", faultCode);
  element("faultstring", error.message());
  if (!error.faultActor().empty()) element("faultactor", error.faultActor());
  if (!error.typeName().empty()) {
    check(xmlTextWriterStartElement(w, X("detail")));
    check(xmlTextWriterWriteAttribute(w, X("xmlns:NS1"), X(std::string(error.typeNamespace()).c_str())));
    check(xmlTextWriterWriteAttribute(w, X("xsi:type"),
                                      X(("NS1:" + std::string(error.typeName())).c_str())));
    check(xmlTextWriterFullEndElement(w));
  }
  check(xmlTextWriterEndDocument(w));
  check(xmlTextWriterFlush(w));
  std::string out(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                  static_cast<size_t>(xmlBufferLength(buffer)));
  xmlFreeTextWriter(w);
  xmlBufferFree(buffer);
  return out;
}

}  // namespace corvane::service
