// archive-pack: packing a mixed folder of about 200 MB (text, binaries, already-compressed files,
// many small files) into a folder archive with the packing thread, against zlib alone compressing
// the same bytes at its default level on one thread (what the archives were packed with before).
// archive-pack-size: the packed data of zlib alone over ours (higher is better).
// archive-pack-rss: peak resident memory of each, measured in a child process per run.
// archive-unpack: unpacking that archive with the unpacking thread, against zlib inflating every
// entry in 64 KiB pieces into a file of its own (the same writes, so that the figure compares the
// inflaters rather than the disk, which other work on the machine slows unevenly).
// The folder is generated in a scratch folder and deleted afterwards.
//
// Usage: bench_archive_pack [MB]   (default 200)

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "BenchReport.h"
#include "ChildProcess.h"
#include "assistance/CompressionDecompressionThread.h"
#include "assistance/FolderArchiveReader.h"
#include "base/RealLoop.h"
#include "base/Stream.h"

using namespace corvane;
namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 3;

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Text(bench::XorShift& gen, size_t n) {
  static const char* words[] = {"the ", "customer ", "screen ", "session ", "agent ", "file ", "report ",
                                "printer ", "driver ", "network ", "error ", "window ", "folder ",
                                "transfer ", "and ", "of ", "to ", "is ", "not ", "with\r\n"};
  std::string s;
  s.reserve(n + 16);
  while (s.size() < n) s += words[gen.Next() % 20];
  s.resize(n);
  return s;
}

// Machine-code-like bytes: short repeated patterns mixed with noise.
std::string Binary(bench::XorShift& gen, size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n;) {
    const size_t run = std::min<size_t>(n - i, 16 + gen.Next() % 240);
    if (gen.Next() % 3 == 0) {
      gen.Fill(s.data() + i, run);
    } else {
      const uint64_t pattern = gen.Next() & 0x00FF00FF00FF00FFull;
      for (size_t k = 0; k < run; ++k) s[i + k] = static_cast<char>(pattern >> (8 * (k % 8)));
    }
    i += run;
  }
  return s;
}

std::string Noise(bench::XorShift& gen, size_t n) {
  std::string s(n, '\0');
  gen.Fill(s.data(), n);
  return s;
}

// About `megabytes` MB: 40% text, 30% binaries, 25% compressed media, 5% many small files.
void MakeFolder(const fs::path& root, double megabytes) {
  bench::XorShift gen(7);
  const auto bytes = [&](double share) { return static_cast<size_t>(megabytes * 1e6 * share); };
  auto spread = [&](const std::string& folder, const std::string& ext, size_t total, size_t fileSize,
                    std::string (*make)(bench::XorShift&, size_t)) {
    for (size_t done = 0, i = 0; done < total; ++i) {
      const size_t n = std::min(total - done, fileSize / 2 + gen.Next() % fileSize);
      Write(root / folder / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i) + ext), make(gen, n));
      done += n;
    }
  };
  spread("docs", ".txt", bytes(0.40), 4'000'000, Text);
  spread("bin", ".dll", bytes(0.30), 6'000'000, Binary);
  spread("media", ".jpg", bytes(0.25), 8'000'000, Noise);
  spread("small", ".ini", bytes(0.05), 8'000, Text);
}

struct Timed {
  double seconds = 0;
  uint64_t bytes = 0;  // packed bytes
};

// zlib alone: every file of the folder deflated at the archive's settings, output dropped.
Timed ZlibOnly(const std::string& folder) {
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  const double t0 = bench::SecondsNow();
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
  std::string in(64 * 1024, '\0'), out(64 * 1024, '\0');
  uint64_t produced = 0;
  for (const auto& path : files) {
    deflateReset(&z);
    base::FileStream file(path.string(), base::FileStream::Mode::Read);
    for (;;) {
      const size_t n = file.Read(in.data(), in.size());
      z.next_in = reinterpret_cast<Bytef*>(in.data());
      z.avail_in = static_cast<uInt>(n);
      int rc;
      do {
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        rc = deflate(&z, n == 0 ? Z_FINISH : Z_NO_FLUSH);
        produced += out.size() - z.avail_out;
      } while (z.avail_out == 0 || (n == 0 && rc != Z_STREAM_END));
      if (n == 0) break;
    }
  }
  deflateEnd(&z);
  const double seconds = bench::SecondsNow() - t0;
  if (produced == 0) throw std::runtime_error("nothing compressed");
  return {seconds, produced};
}

// zlib alone: every entry of the archive inflated in 64 KiB pieces into the file target/<n>.
Timed InflateOnly(const std::string& archive, const std::string& target) {
  const auto entries = assistance::FolderArchiveReader::List(archive);
  const double t0 = bench::SecondsNow();
  fs::create_directories(target);
  size_t index = 0;
  base::FileStream file(archive, base::FileStream::Mode::Read);
  z_stream z{};
  inflateInit(&z);
  std::string in(64 * 1024, '\0'), out(64 * 1024, '\0');
  uint64_t produced = 0;
  for (const auto& e : entries) {
    file.Seek(file.Position() + 2 + static_cast<int64_t>(e.Directory.size() + e.Name.size()) + 8);
    inflateReset(&z);
    base::FileStream written((fs::path(target) / std::to_string(index++)).string(),
                             base::FileStream::Mode::Create);
    uint32_t left = e.PackedSize;
    int rc = Z_OK;
    while (rc != Z_STREAM_END && left > 0) {
      const size_t n = file.Read(in.data(), std::min<size_t>(left, in.size()));
      left -= static_cast<uint32_t>(n);
      z.next_in = reinterpret_cast<Bytef*>(in.data());
      z.avail_in = static_cast<uInt>(n);
      do {
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) throw std::runtime_error("inflate failed");
        written.Write(out.data(), out.size() - z.avail_out);
        produced += out.size() - z.avail_out;
      } while (z.avail_out == 0 && rc != Z_STREAM_END);
    }
    file.Seek(file.Position() + left);
  }
  inflateEnd(&z);
  const double seconds = bench::SecondsNow() - t0;
  if (produced == 0) throw std::runtime_error("nothing inflated");
  return {seconds, produced};
}

// The packing or unpacking thread, as the transfers window runs it, with its progress hand-overs.
double RunThread(assistance::TCompressionDecompressionThread::Mode mode, const std::string& from,
                 const std::string& to) {
  base::RealLoop loop;
  bool ended = false;
  std::string error;
  int64_t reports = 0;
  auto* thread = new assistance::TCompressionDecompressionThread(
      loop, mode, from, to);
  thread->OnDialogChange = [&](assistance::TCompressionDecompressionThread&) { ++reports; };
  thread->OnTerminate = [&](assistance::TCompressionDecompressionThread& t) {
    error = t.Aborted() ? "aborted" : t.ErrorMessage();
    ended = true;
  };
  const double t0 = bench::SecondsNow();
  thread->Start();
  if (!loop.runUntil([&] { return ended; }, 600000)) throw std::runtime_error("work timed out");
  const double seconds = bench::SecondsNow() - t0;
  if (!error.empty()) throw std::runtime_error(error);
  return seconds;
}

uint64_t PackedBytes(const std::string& archive) {
  uint64_t total = 0;
  for (const auto& e : assistance::FolderArchiveReader::List(archive)) total += e.PackedSize;
  return total;
}

uint64_t FolderBytes(const std::string& folder) {
  uint64_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) total += e.file_size();
  return total;
}

struct Run {
  double seconds = 1e300;
  double rssMiB = 0;
  uint64_t bytes = 0;
};

Run Measure(const std::vector<std::string>& args) {
  Run r;
  unsigned long long bytes = 0;
  std::sscanf(bench::RunChild(args).c_str(), "%lf %lf %llu", &r.seconds, &r.rssMiB, &bytes);
  r.bytes = bytes;
  return r;
}

// Keeps the fastest time and the highest memory peak of the rounds.
void Keep(Run& best, const Run& r) {
  best.seconds = std::min(best.seconds, r.seconds);
  best.rssMiB = std::max(best.rssMiB, r.rssMiB);
  best.bytes = r.bytes;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    using Thread = assistance::TCompressionDecompressionThread;
    if (argc >= 4 && std::string(argv[1]) == "--child") {
      const std::string what = argv[2];
      Timed t;
      if (what == "pack" && argc == 5) {
        t.seconds = RunThread(Thread::Pack, argv[3], argv[4]);
        t.bytes = PackedBytes(argv[4]);
      } else if (what == "unpack" && argc == 5) {
        t.seconds = RunThread(Thread::Unpack, argv[3], argv[4]);
      } else if (what == "inflate" && argc == 5) {
        t = InflateOnly(argv[3], argv[4]);
      } else {
        t = ZlibOnly(argv[3]);
      }
      std::printf("%.6f %.3f %llu\n", t.seconds, bench::PeakRssMiB(), static_cast<unsigned long long>(t.bytes));
      return 0;
    }
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 200;
    bench::ScratchFolder scratch;
    const std::string folder = (scratch.path() / "Mixed").string();
    const std::string archive = (scratch.path() / "Mixed.z").string();
    MakeFolder(folder, megabytes);
    const double totalMB = double(FolderBytes(folder)) / 1e6;

    Run pack, zlib, unpack, inflate;
    for (int round = 0; round < kRounds; ++round) {
      Keep(zlib, Measure({"--child", "zlib", folder}));
      Keep(pack, Measure({"--child", "pack", folder, archive}));
    }
    const double ours = totalMB / pack.seconds, plain = totalMB / zlib.seconds;
    bench::Report("archive-pack", ours, "MB/s", plain, ours / plain, 2.5);
    const double oursMB = double(pack.bytes) / 1e6, plainMB = double(zlib.bytes) / 1e6;
    bench::Report("archive-pack-size", oursMB, "MB", plainMB, plainMB / oursMB, 0.95);
    // Memory: lower is better, so the ratio is zlib alone's peak over ours.
    bench::Report("archive-pack-rss", pack.rssMiB, "MiB", zlib.rssMiB, zlib.rssMiB / pack.rssMiB, 0.25);

    // The last archive packed is unpacked; the folder written is removed between rounds.
    const std::string target = (scratch.path() / "Unpacked").string();
    for (int round = 0; round < kRounds; ++round) {
      Keep(inflate, Measure({"--child", "inflate", archive, target}));
      fs::remove_all(target);
      Keep(unpack, Measure({"--child", "unpack", archive, target}));
      fs::remove_all(target);
    }
    const double out = totalMB / unpack.seconds, inflated = totalMB / inflate.seconds;
    bench::Report("archive-unpack", out, "MB/s", inflated, out / inflated, 1.0);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_archive_pack: %s\n", e.what());
    return 1;
  }
  return 0;
}
