#pragma once
// A complete, valid PNG file that declares a large all-black picture in a few kilobytes (1-bit
// greyscale, every row zero, deflated as a stream), and the peak memory of the test process, for
// the tests of the decoded-size limits.

#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace corvane::session::testing {

inline std::string PngChunk(std::string_view type, std::string_view data) {
  std::string out;
  const auto n = static_cast<uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(n >> shift);
  std::string body(type);
  body += data;
  const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
  out += body;
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(crc >> shift);
  return out;
}

inline std::string ZeroPng(uint32_t width, uint32_t height) {
  std::string ihdr;
  for (uint32_t v : {width, height})
    for (int shift = 24; shift >= 0; shift -= 8) ihdr += static_cast<char>(v >> shift);
  ihdr += std::string("\x01\x00\x00\x00\x00", 5);  // depth 1, greyscale, deflate, no filter, no interlace
  // Each row is a filter byte and width/8 bytes, all zero; fed to deflate one row at a time.
  const std::string row(1 + (width + 7) / 8, '\0');
  z_stream z{};
  if (deflateInit(&z, 9) != Z_OK) throw std::runtime_error("deflateInit");
  std::string idat;
  char out[16384];
  for (uint32_t y = 0; y <= height; ++y) {
    const bool last = y == height;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
    z.avail_in = last ? 0 : static_cast<uInt>(row.size());
    do {
      z.next_out = reinterpret_cast<Bytef*>(out);
      z.avail_out = sizeof out;
      deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      idat.append(out, sizeof out - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", idat) +
         PngChunk("IEND", "");
}

// While it lives, the process cannot map more than `extraMiB` beyond what it maps now, so that a
// limit that fails to fire ends in bad_alloc rather than in gigabytes taken from the machine.
// Sanitizer builds reserve huge shadow ranges and are left unlimited.
class AddressSpaceCap {
public:
  explicit AddressSpaceCap(long extraMiB) {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    if (pages > 0 && getrlimit(RLIMIT_AS, &saved_) == 0) {
      rlimit capped = saved_;
      capped.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) +
                        static_cast<rlim_t>(extraMiB) * 1024 * 1024;
      if (saved_.rlim_max == RLIM_INFINITY || capped.rlim_cur < saved_.rlim_max)
        active_ = setrlimit(RLIMIT_AS, &capped) == 0;
    }
#else
    (void)extraMiB;
#endif
  }
  ~AddressSpaceCap() {
    if (active_) setrlimit(RLIMIT_AS, &saved_);
  }
  AddressSpaceCap(const AddressSpaceCap&) = delete;
  AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

private:
  rlimit saved_{};
  bool active_ = false;
};

// The most memory the process has held so far, in MiB.
inline long PeakMemoryMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

}  // namespace corvane::session::testing
