#include "VerificationPicture.h"

#include <png.h>

#include <array>
#include <random>
#include <stdexcept>

#include "PasswordHash.h"

namespace corvane::service::server {
namespace {

struct Glyph {
  char c;
  std::array<uint8_t, 7> rows;  // five bits per row, most significant on the left
};

constexpr Glyph kGlyphs[] = {
    {'A', {0b01110, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001}},
    {'C', {0b01110, 0b10001, 0b10000, 0b10000, 0b10000, 0b10001, 0b01110}},
    {'D', {0b11110, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b11110}},
    {'E', {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b11111}},
    {'F', {0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b10000}},
    {'H', {0b10001, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001}},
    {'J', {0b00111, 0b00010, 0b00010, 0b00010, 0b00010, 0b10010, 0b01100}},
    {'K', {0b10001, 0b10010, 0b10100, 0b11000, 0b10100, 0b10010, 0b10001}},
    {'L', {0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b11111}},
    {'M', {0b10001, 0b11011, 0b10101, 0b10101, 0b10001, 0b10001, 0b10001}},
    {'N', {0b10001, 0b10001, 0b11001, 0b10101, 0b10011, 0b10001, 0b10001}},
    {'P', {0b11110, 0b10001, 0b10001, 0b11110, 0b10000, 0b10000, 0b10000}},
    {'R', {0b11110, 0b10001, 0b10001, 0b11110, 0b10100, 0b10010, 0b10001}},
    {'T', {0b11111, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100}},
    {'U', {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110}},
    {'V', {0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01010, 0b00100}},
    {'W', {0b10001, 0b10001, 0b10001, 0b10101, 0b10101, 0b10101, 0b01010}},
    {'X', {0b10001, 0b10001, 0b01010, 0b00100, 0b01010, 0b10001, 0b10001}},
    {'Y', {0b10001, 0b10001, 0b01010, 0b00100, 0b00100, 0b00100, 0b00100}},
    {'3', {0b11111, 0b00010, 0b00100, 0b00010, 0b00001, 0b10001, 0b01110}},
    {'4', {0b00010, 0b00110, 0b01010, 0b10010, 0b11111, 0b00010, 0b00010}},
    {'6', {0b00110, 0b01000, 0b10000, 0b11110, 0b10001, 0b10001, 0b01110}},
    {'7', {0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b01000, 0b01000}},
    {'9', {0b01110, 0b10001, 0b10001, 0b01111, 0b00001, 0b00010, 0b01100}},
};

const Glyph* FindGlyph(char c) {
  for (const Glyph& g : kGlyphs)
    if (g.c == c) return &g;
  return nullptr;
}

std::mt19937 SeededGenerator() {
  std::string seedHex = RandomHex(4);
  return std::mt19937(static_cast<uint32_t>(std::stoul(seedHex, nullptr, 16)));
}

// Encodes 8-bit RGB rows as PNG in memory.
std::vector<uint8_t> EncodeRgb(const std::vector<uint8_t>& pixels, uint32_t width, uint32_t height) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) throw std::runtime_error("png_create_write_struct failed");
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    throw std::runtime_error("PNG encoding failed");
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t size) {
        auto* sink = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        sink->insert(sink->end(), data, data + size);
      },
      nullptr);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (uint32_t y = 0; y < height; ++y)
    png_write_row(png, const_cast<png_bytep>(pixels.data() + static_cast<size_t>(y) * width * 3));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

std::string RandomCode(size_t length) {
  std::mt19937 gen = SeededGenerator();
  constexpr size_t kLetters = sizeof(kCodeAlphabet) - 1;
  std::uniform_int_distribution<size_t> pick(0, kLetters - 1);
  std::string code;
  for (size_t i = 0; i < length; ++i) code += kCodeAlphabet[pick(gen)];
  return code;
}

std::vector<uint8_t> DrawCodePng(const std::string& code) {
  constexpr uint32_t kScale = 4, kMargin = 8, kGap = 6;
  const uint32_t width = kMargin * 2 + static_cast<uint32_t>(code.size()) * (5 * kScale + kGap);
  const uint32_t height = kMargin * 2 + 7 * kScale + 8;
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3, 0xF4);
  std::mt19937 gen = SeededGenerator();
  std::uniform_int_distribution<int> jitter(0, 8), dot(0, 255);
  auto put = [&](uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b) {
    if (x >= width || y >= height) return;
    size_t i = (static_cast<size_t>(y) * width + x) * 3;
    pixels[i] = r;
    pixels[i + 1] = g;
    pixels[i + 2] = b;
  };
  for (size_t n = 0; n < code.size(); ++n) {
    const Glyph* glyph = FindGlyph(code[n]);
    if (!glyph) continue;
    uint32_t left = kMargin + static_cast<uint32_t>(n) * (5 * kScale + kGap);
    uint32_t top = kMargin + static_cast<uint32_t>(jitter(gen));
    for (uint32_t row = 0; row < 7; ++row)
      for (uint32_t col = 0; col < 5; ++col)
        if (glyph->rows[row] & (0x10 >> col))
          for (uint32_t dy = 0; dy < kScale; ++dy)
            for (uint32_t dx = 0; dx < kScale; ++dx)
              put(left + col * kScale + dx, top + row * kScale + dy, 0x20, 0x30, 0x80);
  }
  std::uniform_int_distribution<uint32_t> px(0, width - 1), py(0, height - 1);
  for (uint32_t i = 0; i < width * height / 12; ++i) {
    uint8_t shade = static_cast<uint8_t>(dot(gen));
    put(px(gen), py(gen), shade, static_cast<uint8_t>(255 - shade), 0x90);
  }
  return EncodeRgb(pixels, width, height);
}

std::vector<uint8_t> SolidPng(uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> pixels(16 * 16 * 3);
  for (size_t i = 0; i < pixels.size(); i += 3) {
    pixels[i] = r;
    pixels[i + 1] = g;
    pixels[i + 2] = b;
  }
  return EncodeRgb(pixels, 16, 16);
}

}  // namespace corvane::service::server
