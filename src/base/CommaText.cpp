#include "base/CommaText.h"

namespace corvane::base {
namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::vector<std::string> ParseCommaText(std::string_view text) {
  std::vector<std::string> items;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && isBlank(text[i])) ++i;
  while (i < n) {
    std::string item;
    if (text[i] == '"') {
      // Quoted item: a doubled quote stands for one quote. An unterminated quote takes the rest of
      // the text (the classic reader dropped its last character).
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            item.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item.push_back(text[i++]);
      }
    } else {
      size_t start = i;
      while (i < n && !isBlank(text[i]) && text[i] != ',') ++i;
      item.assign(text.substr(start, i - start));
    }
    items.push_back(std::move(item));
    while (i < n && isBlank(text[i])) ++i;
    if (i < n && text[i] == ',') {
      if (i + 1 == n) items.emplace_back();  // a comma ending the text adds an empty item
      do ++i;
      while (i < n && isBlank(text[i]));
    }
  }
  return items;
}

std::string MakeCommaText(const std::vector<std::string>& items) {
  if (items.size() == 1 && items[0].empty()) return "\"\"";
  std::string out;
  for (size_t k = 0; k < items.size(); ++k) {
    if (k > 0) out.push_back(',');
    const std::string& s = items[k];
    bool quote = false;
    for (char c : s)
      if (isBlank(c) || c == '"' || c == ',') quote = true;
    if (!quote) {
      out += s;
      continue;
    }
    out.push_back('"');
    for (char c : s) {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
    out.push_back('"');
  }
  return out;
}

}  // namespace corvane::base
