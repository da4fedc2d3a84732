#pragma once
// Decodes an answer whose result is an array of records without building the whole document:
// the Body's children are expanded and decoded one at a time, and each is freed before the next
// is read. A history of thousands of sessions is then decoded at the speed of the XML reader,
// with memory for one record's elements at a time instead of the whole tree.
//
// Only the plain shapes are handled here: the response element first, its result the array or a
// reference to it, the array's items references to records, records without references inside. Any
// other answer (a fault, an inline array, nil, unusual nesting, a malformed document) gives
// nothing, and the caller decodes it with the document reader, which knows every form and
// reports every error.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "service/Remotable.h"

namespace corvane::service {

// Streams the answer; newRecord(id) gives the record to fill for the Body child with that id.
// Returns the ids of the array's items in order, or nothing when the answer is not of the plain
// shape (the caller then falls back to the document reader).
std::optional<std::vector<std::string>> StreamArrayAnswer(
    std::string_view xml, std::string_view expectedResponse,
    const std::function<TRemotable&(const std::string& id)>& newRecord);

template <class R>
std::optional<std::vector<R>> ReadArrayAnswer(std::string_view xml, std::string_view expectedResponse) {
  std::unordered_map<std::string, R> byId;
  auto order = StreamArrayAnswer(xml, expectedResponse,
                                 [&](const std::string& id) -> TRemotable& { return byId[id]; });
  if (!order) return std::nullopt;
  std::unordered_map<std::string, size_t> uses;
  for (const auto& id : *order) ++uses[id];
  std::vector<R> items;
  items.reserve(order->size());
  for (const auto& id : *order) {
    auto it = byId.find(id);
    if (it == byId.end()) return std::nullopt;  // unresolved: let the document reader report it
    // An item referenced more than once is copied; the others are moved out.
    if (--uses[id] == 0)
      items.push_back(std::move(it->second));
    else
      items.push_back(it->second);
  }
  return items;
}

}  // namespace corvane::service
