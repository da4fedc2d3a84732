#pragma once
// Pictures drawn by the service itself: the verification code of a sign-up challenge, and the
// small status pictures served when a group has none of its own.

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::service::server {

// The letters and digits codes are made of (no look-alikes such as O/0 or I/1).
inline constexpr char kCodeAlphabet[] = "ACDEFHJKLMNPRTUVWXY34679";

// A random code of `length` characters of kCodeAlphabet.
std::string RandomCode(size_t length);

// A PNG picture of the code, each glyph slightly shifted, with noise dots.
std::vector<uint8_t> DrawCodePng(const std::string& code);

// A 16x16 PNG of one colour.
std::vector<uint8_t> SolidPng(uint8_t r, uint8_t g, uint8_t b);

}  // namespace corvane::service::server
