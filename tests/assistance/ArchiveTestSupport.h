#pragma once
// Helpers for the folder archive tests: a temporary folder, files and hand-made archive entries.

#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>
#include <string>

#include "support/TempFolder.h"

namespace corvane::assistance::testing {

namespace fs = std::filesystem;

using corvane::testing::TempFolder;

inline void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string RandomBytes(size_t n, unsigned seed = 3) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

// Every regular file under root, by relative path, with its bytes.
inline std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = ReadFile(e.path());
  return files;
}

inline std::string Zlib(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
           static_cast<uLong>(data.size()));
  out.resize(size);
  return out;
}

inline std::string U32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// One archive entry made by hand (directory and name as raw bytes).
inline std::string Entry(const std::string& directory, const std::string& name, uint32_t size,
                         const std::string& packed) {
  return std::string(1, static_cast<char>(directory.size())) + directory +
         std::string(1, static_cast<char>(name.size())) + name + U32(size) +
         U32(static_cast<uint32_t>(packed.size())) + packed;
}

inline std::string Entry(const std::string& directory, const std::string& name, const std::string& content) {
  return Entry(directory, name, static_cast<uint32_t>(content.size()), Zlib(content));
}

}  // namespace corvane::assistance::testing
