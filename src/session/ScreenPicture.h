#pragma once
// Keeping a copy of the customer's screen from the screen channel's frame events. Rectangles and
// positions come from the customer and are not trusted: both operations clip to the picture, so
// any value is safe.

#include "session/Geometry.h"
#include "session/Image.h"

namespace corvane::session {

// Moves the part of src that lies inside the picture to dest's top-left corner (dest has src's
// size). The source is copied out first, so overlapping rectangles move correctly.
void CopyRectangle(Image& picture, const TRect& src, const TRect& dest);

// Draws patch with its top-left pixel at (x, y); pixels falling outside the picture are dropped.
void DrawPicture(Image& picture, const Image& patch, int32_t x, int32_t y);

}  // namespace corvane::session
