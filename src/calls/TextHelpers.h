#pragma once
// Small text helpers of call reception: HTML escaping of untrusted values, trimming in the classic
// way (blanks and control characters), and the lenient whole-number reading of request headers.

#include <string>
#include <string_view>

namespace corvane::calls {

// Escapes &, <, >, " and ' so that the value reads as text in HTML element content and in
// attribute values.
std::string EscapeHtml(std::string_view text);

// Removes leading and trailing characters up to the blank (blanks and control characters).
std::string Trim(std::string_view text);

// A whole decimal number with an optional sign, blanks around it allowed, within 32 bits;
// anything else reads as 0.
int ReadIntOrZero(std::string_view text);

}  // namespace corvane::calls
