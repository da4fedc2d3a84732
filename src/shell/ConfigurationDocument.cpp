#include "shell/ConfigurationDocument.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

#include "base/Cp1252.h"
#include "shell/ShellError.h"
#include "shell/ShellLimits.h"

namespace corvane::shell {
namespace {

constexpr std::string_view kHeader = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n";
constexpr std::string_view kEol = "\r\n";

bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == ':' || c == '_';
}

// Text content as iso-8859-1 with markup escaped. Carriage returns become references so that
// they survive the parser's line-end normalisation; control characters XML cannot carry become '?'.
void appendText(std::string& out, std::string_view utf8) {
  std::u16string units = base::Utf8ToUtf16(utf8);
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t cp = units[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size()) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00);
    }
    switch (cp) {
      case '&': out += "&amp;"; continue;
      case '<': out += "&lt;"; continue;
      case '>': out += "&gt;"; continue;
      case '\r': out += "&#13;"; continue;
      default: break;
    }
    if (cp < 0x20 && cp != '\t' && cp != '\n')
      out.push_back('?');
    else if (cp == 0xFFFE || cp == 0xFFFF)
      out.push_back('?');
    else if (cp <= 0xFF)
      out.push_back(static_cast<char>(cp));
    else
      out += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
  }
}

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

std::string nodeText(xmlNode* node) {
  xmlChar* content = xmlNodeGetContent(node);
  std::string text = content ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  return text;
}

std::string nodeName(xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

}  // namespace

std::string ConfigurationDocument::ElementName(std::string_view name) {
  std::string out;
  out.reserve(name.size() + 1);
  for (char c : name) out.push_back(isNameChar(c) ? c : '_');
  // Digits, "-" and "." cannot start an element name; an empty name is no name at all.
  if (out.empty() || (out[0] >= '0' && out[0] <= '9') || out[0] == '-' || out[0] == '.')
    out.insert(out.begin(), '_');
  return out;
}

ConfigurationDocument::Section* ConfigurationDocument::find(std::string_view section) {
  std::string name = ElementName(section);
  for (auto& s : sections_)
    if (s.name == name) return &s;
  return nullptr;
}

const ConfigurationDocument::Section* ConfigurationDocument::find(std::string_view section) const {
  return const_cast<ConfigurationDocument*>(this)->find(section);
}

std::optional<std::string> ConfigurationDocument::value(std::string_view section,
                                                        std::string_view key) const {
  const Section* s = find(section);
  if (!s) return std::nullopt;
  std::string name = ElementName(key);
  for (const auto& [k, v] : s->values)
    if (k == name) return v;
  return std::nullopt;
}

void ConfigurationDocument::setValue(std::string_view section, std::string_view key, std::string value) {
  Section* s = find(section);
  if (!s) {
    sections_.push_back(Section{ElementName(section), {}});
    s = &sections_.back();
  }
  std::string name = ElementName(key);
  for (auto& [k, v] : s->values) {
    if (k == name) {
      v = std::move(value);
      return;
    }
  }
  s->values.emplace_back(std::move(name), std::move(value));
}

bool ConfigurationDocument::hasSection(std::string_view section) const { return find(section) != nullptr; }

void ConfigurationDocument::eraseSection(std::string_view section) {
  std::string name = ElementName(section);
  std::erase_if(sections_, [&](const Section& s) { return s.name == name; });
}

void ConfigurationDocument::eraseValue(std::string_view section, std::string_view key) {
  if (Section* s = find(section)) {
    std::string name = ElementName(key);
    std::erase_if(s->values, [&](const auto& kv) { return kv.first == name; });
  }
}

std::string ConfigurationDocument::toXml() const {
  std::string out(kHeader);
  const std::string root(kConfigurationRoot);
  if (sections_.empty()) return out + "<" + root + "/>" + std::string(kEol);
  out += "<" + root + ">" + std::string(kEol);
  for (const auto& s : sections_) {
    if (s.values.empty()) {
      out += "  <" + s.name + "/>" + std::string(kEol);
      continue;
    }
    out += "  <" + s.name + ">" + std::string(kEol);
    for (const auto& [k, v] : s.values) {
      if (v.empty()) {
        out += "    <" + k + "/>" + std::string(kEol);
        continue;
      }
      out += "    <" + k + ">";
      appendText(out, v);
      out += "</" + k + ">" + std::string(kEol);
    }
    out += "  </" + s.name + ">" + std::string(kEol);
  }
  out += "</" + root + ">" + std::string(kEol);
  return out;
}

ConfigurationDocument ConfigurationDocument::fromXml(std::string_view bytes) {
  if (static_cast<int64_t>(bytes.size()) > kMaxConfigurationBytes)
    throw EConfigurationError("The configuration file is too large.");
  xmlInitParser();
  // No network, no entity substitution, no DTD loading; errors are ours to report, not stderr's.
  std::unique_ptr<xmlDoc, DocFree> doc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()),
                                                     "CorvaneAgent.xml", nullptr,
                                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!doc) throw EConfigurationError("The configuration file is not well-formed XML.");
  xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root || nodeName(root) != kConfigurationRoot)
    throw EConfigurationError("The configuration file has no \"Configuration\" root.");
  ConfigurationDocument result;
  for (xmlNode* section = root->children; section; section = section->next) {
    if (section->type != XML_ELEMENT_NODE) continue;
    std::string sectionName = nodeName(section);
    if (result.find(sectionName)) continue;  // the first of two equal sections wins
    result.sections_.push_back(Section{ElementName(sectionName), {}});
    Section& s = result.sections_.back();
    for (xmlNode* item = section->children; item; item = item->next) {
      if (item->type != XML_ELEMENT_NODE) continue;
      std::string key = ElementName(nodeName(item));
      bool seen = false;
      for (const auto& kv : s.values) seen = seen || kv.first == key;
      if (!seen) s.values.emplace_back(std::move(key), nodeText(item));
    }
  }
  return result;
}

}  // namespace corvane::shell
