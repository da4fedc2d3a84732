#pragma once
// Texts and names of the transfer windows: byte counts in the size format, the remaining time,
// the name shown for a transfer, and the one safe folder name a received folder is unpacked into.
// Pure functions.

#include <cstdint>
#include <string>

namespace corvane::assistance {

// "%.0f octets" below 1024 bytes, then "%.1f ko", "%.2f Mo" and "%.3f Go" by powers of 1024, with
// the given decimal separator (the system's). Translated formats.
std::string TexteTaille(double octets, char separateurDecimal = '.');

// "%.2d:%.2d:%.2d" (hours, minutes, seconds) from one hour on, otherwise "%.2d:%.2d".
std::string TexteTempsRestant(int64_t secondes);

// The last component of a path written by either side: slash and backslash both separate.
std::string DernierComposant(const std::string& chemin);

// The folder a received folder archive is unpacked into, from the sender's folder path: its last
// component, reduced to one safe name (no separator, no drive colon, no control character, not
// "." or ".."). "Folder" when nothing usable is left.
std::string NomDossierSur(const std::string& repertoireEmetteur);

}  // namespace corvane::assistance
