#pragma once
// The configuration document in memory and its XML form: root "Configuration", one child element
// per section, one child element per value whose text is the value. Written with the
// iso-8859-1 header, CR LF line ends and two-blank indentation; sections and values keep the order
// in which they were first read or set, and unknown ones are written back unchanged.
//
// Main thread only.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::shell {

inline constexpr std::string_view kConfigurationRoot = "Configuration";

class ConfigurationDocument {
public:
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  void setValue(std::string_view section, std::string_view key, std::string value);
  bool hasSection(std::string_view section) const;
  void eraseSection(std::string_view section);
  void eraseValue(std::string_view section, std::string_view key);
  bool empty() const { return sections_.empty(); }

  // The file's bytes (iso-8859-1; characters beyond it as character references).
  std::string toXml() const;
  // Throws EConfigurationError when the bytes are not a well-formed configuration document.
  static ConfigurationDocument fromXml(std::string_view bytes);

  // A key or section name as an element name: every character other than A-Z, a-z, 0-9, "-",
  // ".", ":" and "_" becomes "_" (and a name that cannot start an element gets a leading "_").
  static std::string ElementName(std::string_view name);

private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
  };
  Section* find(std::string_view section);
  const Section* find(std::string_view section) const;

  std::vector<Section> sections_;
};

}  // namespace corvane::shell
