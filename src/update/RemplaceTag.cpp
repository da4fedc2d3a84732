#include "update/RemplaceTag.h"

#include <strings.h>

#include "update/UpdateError.h"
#include "update/UpdateLimits.h"

namespace corvane::update {

namespace {

bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The content between an opening marker and its "]": name, attributes and the stand-alone mark.
struct TagContent {
  std::string_view name;
  std::string_view attributes;
  bool standAlone = false;
};

TagContent SplitContent(std::string_view content) {
  TagContent tag;
  content = TrimRight(content);
  if (!content.empty() && content.back() == '/') {
    tag.standAlone = true;
    content = TrimRight(content.substr(0, content.size() - 1));
  }
  size_t end = 0;
  while (end < content.size() && !IsBlank(content[end])) ++end;
  tag.name = content.substr(0, end);
  tag.attributes = content.substr(end);
  return tag;
}

}  // namespace

std::vector<TTagAttribute> ParseTagAttributes(std::string_view text) {
  std::vector<TTagAttribute> result;
  size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    const size_t nameStart = i;
    while (i < text.size() && !IsBlank(text[i]) && text[i] != '=') ++i;
    TTagAttribute attribute{std::string(text.substr(nameStart, i - nameStart)), {}};
    if (i < text.size() && text[i] == '=') {
      ++i;
      if (i >= text.size() || text[i] != '"') break;  // malformed: keep what was read so far
      const size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) break;
      std::string_view raw = text.substr(i + 1, close - i - 1);
      for (size_t k = 0; k < raw.size(); ++k) {
        if (raw.compare(k, 2, "::") == 0) {
          attribute.Value += '"';
          ++k;
        } else {
          attribute.Value += raw[k];
        }
      }
      i = close + 1;
    }
    if (!attribute.Name.empty()) result.push_back(std::move(attribute));
  }
  return result;
}

void TCustomRemplaceTag::ReplaceTag(const std::string& name, const std::vector<TTagAttribute>& attributes,
                                    const std::string& inner, std::string& replacement) {
  if (OnReplaceTag) OnReplaceTag(name, attributes, inner, replacement);
}

std::string TCustomRemplaceTag::Remplacer(std::string_view text) {
  if (text.size() > limits::kMaxTagTextBytes) throw EUpdateError("The text is too long for tag substitution.");
  return Process(text, 0);
}

std::string TCustomRemplaceTag::Process(std::string_view text, int depth) {
  if (depth > limits::kMaxTagNesting) throw EUpdateError("Substitution tags are nested too deeply.");
  const std::string open = "[" + Prefix + ":";
  const std::string close = "[/" + Prefix + ":";
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t start = text.find(open, pos);
    if (start == std::string_view::npos) break;
    const size_t contentStart = start + open.size();
    const size_t end = text.find(']', contentStart);
    if (end == std::string_view::npos) break;
    out.append(text.substr(pos, start - pos));
    const TagContent tag = SplitContent(text.substr(contentStart, end - contentStart));
    if (tag.name.empty()) {
      out.append(text.substr(start, end + 1 - start));
      pos = end + 1;
      continue;
    }
    const std::string name(tag.name);
    std::string replacement;
    if (tag.standAlone) {
      ReplaceTag(name, ParseTagAttributes(tag.attributes), std::string(), replacement);
      out += replacement;
      pos = end + 1;
      continue;
    }
    // Find the matching closing tag, counting same-name blocks opened on the way.
    int level = 1;
    size_t scan = end + 1;
    size_t closeStart = std::string_view::npos;
    size_t closeEnd = 0;
    while (level > 0) {
      const size_t nextOpen = text.find(open, scan);
      const size_t nextClose = text.find(close, scan);
      if (nextClose == std::string_view::npos) break;
      if (nextOpen != std::string_view::npos && nextOpen < nextClose) {
        const size_t e = text.find(']', nextOpen + open.size());
        if (e == std::string_view::npos) break;
        const TagContent inner = SplitContent(text.substr(nextOpen + open.size(), e - nextOpen - open.size()));
        if (!inner.standAlone && SameName(inner.name, tag.name)) ++level;
        scan = e + 1;
        continue;
      }
      const size_t e = text.find(']', nextClose + close.size());
      if (e == std::string_view::npos) break;
      if (SameName(TrimRight(text.substr(nextClose + close.size(), e - nextClose - close.size())), tag.name) &&
          --level == 0) {
        closeStart = nextClose;
        closeEnd = e + 1;
      }
      scan = e + 1;
    }
    if (closeStart == std::string_view::npos) {
      out.append(text.substr(start, end + 1 - start));  // never closed: left as written
      pos = end + 1;
      continue;
    }
    const std::string inner = Process(text.substr(end + 1, closeStart - end - 1), depth + 1);
    ReplaceTag(name, ParseTagAttributes(tag.attributes), inner, replacement);
    out += replacement;
    pos = closeEnd;
  }
  if (pos < text.size()) out.append(text.substr(pos));
  return out;
}

}  // namespace corvane::update
