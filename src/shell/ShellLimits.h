#pragma once
// Limits on the files the shell reads: the configuration file and the translation catalogues,
// whether on disk or appended to the executable. Anything larger is refused, not allocated.

#include <cstdint>

namespace corvane::shell {

// "CorvaneAgent.xml" holds a few dozen values; anything this big is not ours.
inline constexpr int64_t kMaxConfigurationBytes = 4 * 1024 * 1024;
// Copies of damaged or unreadable configuration files kept aside (".bad", ".bad.1" ... ".bad.99").
inline constexpr int kMaxDamagedConfigurationCopies = 100;
// The largest shipped catalogue is a few hundred kilobytes.
inline constexpr int64_t kMaxCatalogueBytes = 16 * 1024 * 1024;
// Entries of one MO catalogue.
inline constexpr uint32_t kMaxCatalogueStrings = 200000;
// Entries of the appended catalogue table (seven are shipped).
inline constexpr int kMaxTableEntries = 256;
// Bytes of one table entry's path field (232 in the shipped table).
inline constexpr int64_t kMaxTablePathBytes = 4096;

}  // namespace corvane::shell
