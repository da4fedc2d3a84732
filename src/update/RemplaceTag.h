#pragma once
// Substitution tags in texts: "[" prefix ":" name attributes "]".
//
// A tag whose content ends with "/" (blanks allowed before the "]") stands alone; any other tag
// opens a block closed by "[/" prefix ":" name "]" (same-name blocks nest) and the block's inner
// text, its own tags already replaced, goes to the callback. The whole tag or block is replaced by
// the callback's answer (empty when it gives none). Attributes are name="value" pairs separated by
// blanks, "::" in a value standing for a double quote. The prefix and its ":" must match exactly,
// names are compared without regard to case. A block that is never closed stays as written, and
// replacements are not scanned again.
//
// Threads: not shared.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::update {

struct TTagAttribute {
  std::string Name;
  std::string Value;
};

class TCustomRemplaceTag {
public:
  using ReplaceCallback = std::function<void(const std::string& name, const std::vector<TTagAttribute>& attributes,
                                             const std::string& inner, std::string& replacement)>;

  explicit TCustomRemplaceTag(std::string prefix = "tarvenholt") : Prefix(std::move(prefix)) {}
  virtual ~TCustomRemplaceTag() = default;

  // Returns text with every tag replaced. Throws EUpdateError when the text is longer than
  // limits::kMaxTagTextBytes or blocks nest deeper than limits::kMaxTagNesting.
  std::string Remplacer(std::string_view text);

  std::string Prefix;
  // Receives the tags that ReplaceTag does not know itself.
  ReplaceCallback OnReplaceTag;

protected:
  virtual void ReplaceTag(const std::string& name, const std::vector<TTagAttribute>& attributes,
                          const std::string& inner, std::string& replacement);

private:
  std::string Process(std::string_view text, int depth);
};

// Parses the attribute part of a tag (exposed for tests).
std::vector<TTagAttribute> ParseTagAttributes(std::string_view text);

}  // namespace corvane::update
