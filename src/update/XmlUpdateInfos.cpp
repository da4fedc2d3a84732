#include "update/XmlUpdateInfos.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "update/UpdateError.h"
#include "update/UpdateLimits.h"

namespace corvane::update {

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

bool IsElement(const xmlNode* n, const char* name) {
  return n->type == XML_ELEMENT_NODE && xmlStrcmp(n->name, X(name)) == 0;
}

xmlNode* FindChild(xmlNode* parent, const char* name) {
  for (xmlNode* c = parent->children; c; c = c->next)
    if (IsElement(c, name)) return c;
  return nullptr;
}

std::string TakeXmlString(xmlChar* s) {
  if (!s) return {};
  std::string out(reinterpret_cast<const char*>(s));
  xmlFree(s);
  return out;
}

void InitLibXml() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

}  // namespace

bool ReadDescriptorBool(const char* text) {
  if (!text) return false;
  if (strcasecmp(text, "true") == 0) return true;
  if (strcasecmp(text, "false") == 0 || *text == '\0') return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text, &end);
  if (end == text || *end != '\0') return false;  // neither a word nor a number: not set
  return v != 0.0;
}

bool TXMLTElement::BoolAttribute(const char* name) const {
  xmlChar* v = xmlGetNoNsProp(node_, X(name));
  bool result = ReadDescriptorBool(reinterpret_cast<const char*>(v));
  xmlFree(v);
  return result;
}

void TXMLTElement::SetBoolAttribute(const char* name, bool value) {
  xmlSetProp(node_, X(name), X(value ? "true" : "false"));
}

std::string TXMLTElement::TextAttribute(const char* name) const {
  return TakeXmlString(xmlGetNoNsProp(node_, X(name)));
}

void TXMLTElement::SetTextAttribute(const char* name, std::string_view value) {
  xmlSetProp(node_, X(name), X(std::string(value).c_str()));
}

std::string TXMLTElement::ChildText(const char* name) const {
  xmlNode* child = FindChild(node_, name);
  return child ? TakeXmlString(xmlNodeGetContent(child)) : std::string();
}

void TXMLTElement::SetChildText(const char* name, std::string_view value) {
  xmlNode* child = FindChild(node_, name);
  if (!child) child = xmlNewChild(node_, nullptr, X(name), nullptr);
  // Replace the content with one text node; xmlNodeSetContent would interpret "&" sequences.
  while (child->children) {
    xmlNode* c = child->children;
    xmlUnlinkNode(c);
    xmlFreeNode(c);
  }
  std::string text(value);
  xmlAddChild(child, xmlNewText(X(text.c_str())));
}

template <class Item>
void TXMLTList<Item>::Delete(size_t index) {
  xmlNode* node = items_.at(index).node_;
  xmlUnlinkNode(node);
  xmlFreeNode(node);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

template class TXMLTList<TXMLTUpdateInfo>;
template class TXMLTList<TXMLTDeleteInfo>;

std::unique_ptr<TXMLTUpdateInfos> TXMLTUpdateInfos::Parse(std::string_view xml) {
  if (xml.size() > limits::kMaxDescriptorBytes)
    throw EUpdateDescriptorError("The update descriptor is too large.");
  InitLibXml();
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (!ctxt) throw EUpdateDescriptorError("Out of memory while reading the update descriptor.");
  // No network, no entity substitution, no DTD loading; errors are collected, not printed.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt, xml.data(), static_cast<int>(xml.size()), "descriptor.xml",
                                    nullptr, options);
  std::string error;
  if (!doc) {
    const xmlError* e = xmlCtxtGetLastError(ctxt);
    error = e && e->message ? e->message : "malformed XML";
    while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
  }
  xmlFreeParserCtxt(ctxt);
  if (!doc) throw EUpdateDescriptorError("The update descriptor is not valid XML: " + error);

  std::unique_ptr<TXMLTUpdateInfos> infos(new TXMLTUpdateInfos(doc));
  // A document type declaration can declare entities whose expansion multiplies the text when it
  // is read; a descriptor never needs one.
  if (doc->intSubset || doc->extSubset)
    throw EUpdateDescriptorError("The update descriptor must not carry a document type declaration.");
  xmlNode* root = xmlDocGetRootElement(doc);
  if (!root || !IsElement(root, "updates"))
    throw EUpdateDescriptorError("The update descriptor's root element is not \"updates\".");
  for (xmlNode* c = root->children; c; c = c->next) {
    if (IsElement(c, "update"))
      infos->updates_.items_.emplace_back(c);
    else if (IsElement(c, "delete"))
      infos->deletes_.items_.emplace_back(c);
    else
      continue;
    if (infos->updates_.Count() + infos->deletes_.Count() > limits::kMaxDescriptorEntries)
      throw EUpdateDescriptorError("The update descriptor lists too many entries.");
  }
  return infos;
}

TXMLTUpdateInfos::TXMLTUpdateInfos(_xmlDoc* doc) : doc_(doc) {}

TXMLTUpdateInfos::~TXMLTUpdateInfos() { xmlFreeDoc(doc_); }

}  // namespace corvane::update
