#pragma once
// The update helper's binary, carried inside the program (see EmbedHelperImage.cmake).

#include <span>
#include <string>

namespace corvane::update {

std::span<const unsigned char> HelperImage();

// Writes the helper to a new, uniquely named executable file in the temporary folder and returns
// its path. Throws EUpdateFileError.
std::string WriteHelperImage();

}  // namespace corvane::update
