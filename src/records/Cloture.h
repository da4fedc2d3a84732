#pragma once
// Closing states of an assistance session. A session's `Cloture` text holds one letter per
// closing event; each letter has an index (0 accepted ... 5 abandoned), an export name, a text
// for the details pane and colours for the details pane and the history grid.

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::records {

inline constexpr int kClotureStates = 6;

// The index of a closing letter; letters outside the table count as 5 (abandoned).
int ClotureIndex(char letter);
// The set of indexes whose letter occurs in the text (bit i for index i); unknown letters are
// ignored.
unsigned ClotureSet(std::string_view cloture);
// The state that selects a row's colours: 0 if the set holds 0, else 1 if it holds 1, else 2 if
// it holds 2, else 3 if it is exactly {3}, else 5.
int EtatCloture(std::string_view cloture);

std::string_view ClotureExportName(int index);  // "OK", "Ignored", ..., "Abandoned"
std::string ClotureText(int index);              // translated text of the details pane

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// Colours of a closing state; `systemColours` (index 5) means the system's window and
// window-text colours, and then `background` and `text` are not used.
struct ClotureColours {
  bool systemColours = false;
  Rgb background;
  Rgb text;
};
ClotureColours ClotureColoursOf(int index);

}  // namespace corvane::records
