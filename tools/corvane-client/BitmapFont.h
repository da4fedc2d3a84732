#pragma once
// A small 5x7 bitmap font for the synthetic desktop: printable ASCII (lower case drawn as upper
// case), every other character as a box. One glyph per UTF-8 character; 6 pixels per character
// at scale 1.

#include <cstdint>
#include <string_view>

#include "session/Image.h"

namespace corvane::client {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kGlyphAdvance = 6;

// Draws text with its top-left corner at (x, y), clipped to the picture. Returns the width drawn.
int DrawText(session::Image& picture, int x, int y, std::string_view utf8, uint32_t color, int scale = 1);

// Characters of a UTF-8 text (continuation bytes not counted).
size_t CharacterCount(std::string_view utf8);

// The last count characters of a UTF-8 text.
std::string_view LastCharacters(std::string_view utf8, size_t count);

}  // namespace corvane::client
