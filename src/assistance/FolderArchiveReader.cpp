#include "assistance/FolderArchiveReader.h"

#include <sys/stat.h>
#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "base/Stream.h"

namespace corvane::assistance {

namespace fs = std::filesystem;

namespace {

class ArchiveInput {
public:
  explicit ArchiveInput(const std::string& path)
      : path_(path), stream_(path, base::FileStream::Mode::Read), size_(stream_.Size()) {}

  bool AtEnd() const { return stream_.Position() >= size_; }
  int64_t Left() const { return size_ - stream_.Position(); }
  base::FileStream& Stream() { return stream_; }

  // The fixed part of the next entry; the position is then on its packed data.
  FolderArchiveEntry ReadEntry() {
    FolderArchiveEntry e;
    e.Directory = Bytes(Byte());
    e.Name = Bytes(Byte());
    e.Size = U32();
    e.PackedSize = U32();
    if (e.PackedSize > Left()) Damaged();
    return e;
  }

  void Skip(uint32_t n) { stream_.Seek(stream_.Position() + n); }

  [[noreturn]] void Damaged() const { throw ArchiveError(kArchiveDamaged, path_); }

private:
  std::string Bytes(size_t n) {
    std::string s(n, '\0');
    if (stream_.Read(s.data(), n) != n) Damaged();
    return s;
  }
  uint8_t Byte() { return static_cast<uint8_t>(Bytes(1)[0]); }
  uint32_t U32() {
    const std::string b = Bytes(4);
    return uint32_t(uint8_t(b[0])) | (uint32_t(uint8_t(b[1])) << 8) |
           (uint32_t(uint8_t(b[2])) << 16) | (uint32_t(uint8_t(b[3])) << 24);
  }

  std::string path_;
  base::FileStream stream_;
  int64_t size_;
};

// Calls fn for every entry, positioned on its packed data; fn must consume exactly the packed data.
void ForEachEntry(ArchiveInput& in, const std::function<void(const FolderArchiveEntry&)>& fn) {
  while (!in.AtEnd()) fn(in.ReadEntry());
}

// Inflates entries with ISA-L, which reads any deflate data (whatever deflater made it) two to
// three times faster than zlib. The zlib header is checked here as zlib checks it (deflate, window
// of at most 32 KiB, header check bits, no preset dictionary); ISA-L checks the Adler-32 trailer.
class Inflater {
public:
  Inflater() : state_(std::make_unique<inflate_state>()) {}
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Inflates one entry's packed data into out; the result must be exactly entry.Size bytes.
  void Entry(ArchiveInput& in, const FolderArchiveEntry& entry, base::Stream& out,
             ArchiveProgress* progress) {
    if (entry.Size == 0 && entry.PackedSize == 0) return;  // an empty file stored without a stream
    auto damaged = [&] { return ArchiveError(kArchiveEntryDamaged, ArchiveEntryText(entry)); };
    uint32_t packedLeft = entry.PackedSize;
    // Reads more of the packed data after the kept bytes at the start of the input buffer.
    auto refill = [&](size_t kept) {
      const size_t take = std::min<size_t>(packedLeft, sizeof input_ - kept);
      if (in.Stream().Read(input_ + kept, take) != take) in.Damaged();
      packedLeft -= static_cast<uint32_t>(take);
      return kept + take;
    };

    inflate_state& s = *state_;
    isal_inflate_init(&s);
    s.crc_flag = ISAL_ZLIB_NO_HDR_VER;
    s.hist_bits = 0;  // the largest window: 32 KiB
    size_t got = refill(0);
    if (got < 2) throw damaged();
    const auto cmf = static_cast<uint8_t>(input_[0]), flg = static_cast<uint8_t>(input_[1]);
    const bool zlibHeader = (cmf & 0x0F) == 8 && (cmf >> 4) <= 7 && ((cmf << 8) | flg) % 31 == 0;
    if (!zlibHeader || (flg & 0x20) != 0) throw damaged();  // 0x20: a preset dictionary is needed
    s.next_in = reinterpret_cast<uint8_t*>(input_ + 2);
    s.avail_in = static_cast<uint32_t>(got - 2);

    uint64_t produced = 0;
    size_t filled = 0;     // bytes of output_ not yet written
    bool stalled = false;  // the last call took nothing and made nothing
    while (s.block_state != ISAL_BLOCK_FINISH) {
      if (s.avail_in == 0 || stalled) {
        // The stream ends before its end mark, or cannot go on with a full buffer of input.
        if (packedLeft == 0 || s.avail_in == sizeof input_) throw damaged();
        const size_t kept = s.avail_in;
        std::memmove(input_, s.next_in, kept);
        got = refill(kept);
        s.next_in = reinterpret_cast<uint8_t*>(input_);
        s.avail_in = static_cast<uint32_t>(got);
      }
      // Progress after every piece as when packing, never more room than the bytes still
      // announced plus one to notice an overrun; the file is written a buffer at a time.
      const uint64_t room = std::min<uint64_t>({kArchivePieceSize, sizeof output_ - filled,
                                                entry.Size - produced + 1});
      s.next_out = reinterpret_cast<uint8_t*>(output_ + filled);
      s.avail_out = static_cast<uint32_t>(room);
      const uint32_t inBefore = s.avail_in;
      const int rc = isal_inflate(&s);
      if (rc < 0 || rc == ISAL_NEED_DICT) throw damaged();
      const size_t made = static_cast<size_t>(room - s.avail_out);
      produced += made;
      filled += made;
      if (produced > entry.Size) throw damaged();
      if (filled == sizeof output_) {
        out.Write(output_, filled);
        filled = 0;
      }
      if (progress && made > 0) {
        if (progress->Terminated()) throw FolderArchiveAborted();
        progress->Progressed(static_cast<int64_t>(produced), entry.Size);
      }
      stalled = made == 0 && s.avail_in == inBefore;
    }
    out.Write(output_, filled);
    if (produced != entry.Size) throw damaged();
    // Bytes after the zlib stream's end belong to this entry's packed data: skip them.
    in.Skip(packedLeft);
  }

private:
  std::unique_ptr<inflate_state> state_;  // some 40 KB: not on the stack
  // Larger than the pieces: fewer reads and writes.
  char input_[4 * kArchivePieceSize];
  char output_[4 * kArchivePieceSize];
};

enum class Kind { Missing, Folder, File, Other };

Kind KindOf(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? Kind::Missing : Kind::Other;
  if (S_ISDIR(st.st_mode)) return Kind::Folder;
  if (S_ISREG(st.st_mode)) return Kind::File;
  return Kind::Other;  // links included: never followed
}

// Creates target/components[0..n-1] one level at a time; returns the file's path.
fs::path PrepareFile(const fs::path& target, const std::vector<std::string>& components,
                     const std::string& shown) {
  fs::path at = target;
  for (size_t i = 0; i + 1 < components.size(); ++i) {
    at /= components[i];
    switch (KindOf(at)) {
      case Kind::Folder: break;
      case Kind::Missing:
        if (::mkdir(at.c_str(), 0777) != 0 && errno != EEXIST)
          throw FolderArchiveError(at.string() + ": " + std::strerror(errno));
        if (KindOf(at) != Kind::Folder) throw ArchiveError(kArchiveTargetInTheWay, shown);
        break;
      default: throw ArchiveError(kArchiveTargetInTheWay, shown);
    }
  }
  at /= components.back();
  const Kind kind = KindOf(at);
  if (kind != Kind::Missing && kind != Kind::File) throw ArchiveError(kArchiveTargetInTheWay, shown);
  return at;
}

}  // namespace

std::vector<FolderArchiveEntry> FolderArchiveReader::List(const std::string& archivePath) {
  try {
    ArchiveInput in(archivePath);
    std::vector<FolderArchiveEntry> entries;
    ForEachEntry(in, [&](const FolderArchiveEntry& e) {
      ArchiveEntryPath(e);
      in.Skip(e.PackedSize);
      entries.push_back(e);
    });
    return entries;
  } catch (const base::StreamError& e) {
    throw FolderArchiveError(e.what());
  }
}

void FolderArchiveReader::Unpack(const std::string& archivePath, const std::string& targetFolder,
                                 ArchiveProgress* progress) {
  std::string current;  // file being written, deleted when it cannot be completed
  try {
    ArchiveInput in(archivePath);
    // Check everything first, so that a hostile or damaged archive writes nothing at all.
    ForEachEntry(in, [&](const FolderArchiveEntry& e) {
      ArchiveEntryPath(e);
      in.Skip(e.PackedSize);
    });
    in.Stream().Seek(0);

    const fs::path target(targetFolder);
    std::error_code ec;
    fs::create_directories(target, ec);
    if (KindOf(target) != Kind::Folder) throw ArchiveError(kArchiveTargetInTheWay, targetFolder);

    auto inflater = std::make_unique<Inflater>();
    ForEachEntry(in, [&](const FolderArchiveEntry& e) {
      const std::string shown = ArchiveEntryText(e);
      const fs::path path = PrepareFile(target, ArchiveEntryPath(e), shown);
      if (progress) {
        if (progress->Terminated()) throw FolderArchiveAborted();
        progress->FileChanged(path.string());
        progress->Progressed(0, e.Size);
      }
      current = path.string();
      base::FileStream out(current, base::FileStream::Mode::Create);
      inflater->Entry(in, e, out, progress);
      current.clear();
    });
  } catch (const base::StreamError& e) {
    if (!current.empty()) std::remove(current.c_str());
    throw FolderArchiveError(e.what());
  } catch (...) {
    if (!current.empty()) std::remove(current.c_str());
    throw;
  }
}

}  // namespace corvane::assistance
