#pragma once
// A GNU gettext message catalogue in the published MO format, little-endian (magic 0x950412de,
// major revision 0 or 1). Read from memory, so that a catalogue can come from inside the
// executable as well as from a file. Immutable once parsed; safe to share between threads.

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace corvane::shell {

class MoCatalogue {
public:
  // Throws ECatalogueError on anything that is not a well-formed little-endian MO file within
  // the limits of ShellLimits.h.
  static std::shared_ptr<const MoCatalogue> Parse(std::string_view bytes);

  // The translation of msgid (the singular form of plural entries), nullptr when there is none.
  // The empty msgid (the header) is never a translation.
  const std::string* find(std::string_view msgid) const;
  // The header entry (msgstr of the empty msgid).
  const std::string& header() const { return header_; }
  // "charset=utf-8" in the header's Content-Type line, without regard to case.
  bool hasUtf8Charset() const;
  size_t size() const { return translations_.size(); }

private:
  std::map<std::string, std::string, std::less<>> translations_;
  std::string header_;
};

}  // namespace corvane::shell
