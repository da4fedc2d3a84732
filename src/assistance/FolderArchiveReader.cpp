#include "assistance/FolderArchiveReader.h"

#include <sys/stat.h>
#include <zlib.h>

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

class Inflater {
public:
  Inflater() {
    if (inflateInit(&z_) != Z_OK) throw FolderArchiveError("zlib: cannot start decompression");
  }
  ~Inflater() { inflateEnd(&z_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Inflates one entry's packed data into out; the result must be exactly entry.Size bytes.
  void Entry(ArchiveInput& in, const FolderArchiveEntry& entry, base::Stream& out,
             ArchiveProgress* progress) {
    if (entry.Size == 0 && entry.PackedSize == 0) return;  // an empty file stored without a stream
    inflateReset(&z_);
    auto damaged = [&] { return ArchiveError(kArchiveEntryDamaged, ArchiveEntryText(entry)); };
    uint32_t packedLeft = entry.PackedSize;
    uint64_t produced = 0;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
      if (z_.avail_in == 0) {
        if (packedLeft == 0) throw damaged();  // the stream ends before its end mark
        const size_t take = std::min<size_t>(packedLeft, sizeof input_);
        if (in.Stream().Read(input_, take) != take) in.Damaged();
        packedLeft -= static_cast<uint32_t>(take);
        z_.next_in = reinterpret_cast<Bytef*>(input_);
        z_.avail_in = static_cast<uInt>(take);
      }
      // Never more output room than the bytes still announced, plus one to notice an overrun.
      const uint64_t room = std::min<uint64_t>(sizeof output_, entry.Size - produced + 1);
      z_.next_out = reinterpret_cast<Bytef*>(output_);
      z_.avail_out = static_cast<uInt>(room);
      rc = inflate(&z_, Z_NO_FLUSH);
      if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) throw damaged();
      const size_t got = static_cast<size_t>(room - z_.avail_out);
      produced += got;
      if (produced > entry.Size) throw damaged();
      out.Write(output_, got);
      if (progress && got > 0) {
        if (progress->Terminated()) throw FolderArchiveAborted();
        progress->Progressed(static_cast<int64_t>(produced), entry.Size);
      }
      if (rc == Z_BUF_ERROR && z_.avail_in != 0) throw damaged();  // no progress possible
    }
    if (produced != entry.Size) throw damaged();
    // Bytes after the zlib stream's end belong to this entry's packed data: skip them.
    in.Skip(packedLeft);
  }

private:
  z_stream z_{};
  char input_[kArchivePieceSize];
  char output_[kArchivePieceSize];
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
