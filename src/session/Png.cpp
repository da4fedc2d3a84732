#include "session/Png.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <vector>

#include "session/SessionError.h"

namespace corvane::session {

namespace {

struct ReadSource {
  std::string_view data;
  size_t pos = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* src = static_cast<ReadSource*>(png_get_io_ptr(png));
  if (count > src->data.size() - src->pos) png_error(png, "truncated PNG data");
  std::memcpy(out, src->data.data() + src->pos, count);
  src->pos += count;
}

void OnPngError(png_structp png, png_const_charp message) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text) *text = message;
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void WriteToMemory(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), length);
}

void FlushNothing(png_structp) {}

struct DecodeState {
  ReadSource source;
  PngLimits limits;
  std::string error;
  bool tooLarge = false;
  Image image;
  std::vector<png_bytep> rows;
};

// Runs the libpng calls that may longjmp. No C++ object is created inside this frame after
// setjmp; everything lives in the heap-held state, reached through a pointer that never changes.
bool DecodeInto(png_structp png, png_infop info, DecodeState* st) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, &st->source, ReadFromMemory);
  png_set_user_limits(png, static_cast<png_uint_32>(st->limits.maxSide),
                      static_cast<png_uint_32>(st->limits.maxSide));
  png_set_chunk_malloc_max(png, 8 * 1024 * 1024);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (width == 0 || height == 0) png_error(png, "empty picture");
  if (static_cast<uint64_t>(width) * height > st->limits.maxPixels) {
    st->tooLarge = true;
    png_error(png, "picture too large");
  }

  // Normalise every colour type and depth to 8-bit BGRA, which in memory is 0xAARRGGBB.
  const int colorType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  if (bitDepth == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4)
    png_error(png, "unexpected row layout");

  st->image.width = static_cast<int>(width);
  st->image.height = static_cast<int>(height);
  st->image.pixels.resize(static_cast<size_t>(width) * height);
  st->rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y)
    st->rows[y] = reinterpret_cast<png_bytep>(st->image.pixels.data() + static_cast<size_t>(y) * width);
  png_read_image(png, st->rows.data());
  png_read_end(png, nullptr);
  return true;
}

struct EncodeState {
  const Image* image;
  int level;
  std::string out;
  std::string error;
  std::vector<png_bytep> rows;
};

bool EncodeInto(png_structp png, png_infop info, EncodeState* st) {
  if (setjmp(png_jmpbuf(png))) return false;
  const Image& image = *st->image;
  png_set_write_fn(png, &st->out, WriteToMemory, FlushNothing);
  png_set_compression_level(png, st->level);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  st->rows.resize(static_cast<size_t>(image.height));
  for (int y = 0; y < image.height; ++y)
    st->rows[static_cast<size_t>(y)] = reinterpret_cast<png_bytep>(const_cast<uint32_t*>(
        image.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width)));
  png_write_image(png, st->rows.data());
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

Image DecodePng(std::string_view bytes, const PngLimits& limits) {
  if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0)
    throw PngError("Invalid PNG data");
  auto st = std::make_unique<DecodeState>();
  st->source = ReadSource{bytes, 0};
  st->limits = limits;
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &st->error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    throw PngError("PNG decoder unavailable");
  }
  const bool ok = DecodeInto(png, info, st.get());
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok && st->tooLarge)
    throw PngTooLargeError("PNG picture exceeds the limit of " + std::to_string(limits.maxPixels) +
                           " pixels");
  if (!ok) throw PngError("Invalid PNG data: " + st->error);
  return std::move(st->image);
}

std::string EncodePng(const Image& image, int compressionLevel) {
  if (image.empty() || image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
    throw PngError("Cannot encode an empty picture");
  auto st = std::make_unique<EncodeState>();
  st->image = &image;
  st->level = compressionLevel < 0 ? 0 : (compressionLevel > 9 ? 9 : compressionLevel);
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &st->error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw PngError("PNG encoder unavailable");
  }
  const bool ok = EncodeInto(png, info, st.get());
  png_destroy_write_struct(&png, &info);
  if (!ok) throw PngError("PNG encoding failed: " + st->error);
  return std::move(st->out);
}

}  // namespace corvane::session
