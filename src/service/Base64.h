#pragma once
// Base64 (RFC 4648, with padding) for xsd:base64Binary values.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::service {

std::string Base64Encode(const std::vector<uint8_t>& bytes);
// Ignores white space; nullopt on any other character outside the alphabet or bad padding.
std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text);

}  // namespace corvane::service
