#include "assistance/FolderArchiveWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "assistance/FolderArchiveFormat.h"
#include "base/Cp1252.h"
#include "base/Stream.h"

namespace corvane::assistance {

namespace fs = std::filesystem;

namespace {

struct PlannedFile {
  fs::path path;
  std::string directory;  // Windows-1252, with its trailing backslash
  std::string name;       // Windows-1252
};

// The name as the peer stores it, or an error when the format cannot hold it.
std::string WireName(const std::string& utf8, const fs::path& where) {
  const std::string narrow = base::Utf8ToCp1252(utf8);
  if (!base::IsValidUtf8(utf8) || base::Cp1252ToUtf8(narrow) != utf8 || !IsSafeArchiveComponent(utf8))
    throw ArchiveError(kArchiveNameNotStorable, where.string());
  return narrow;
}

void Plan(const fs::path& folder, const std::string& directory, const fs::path& archive,
          std::vector<PlannedFile>& out) {
  std::vector<fs::directory_entry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(*it);
  if (ec) throw FolderArchiveError(folder.string() + ": " + ec.message());
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
  for (const auto& entry : entries) {
    const fs::path& path = entry.path();
    const bool isLink = entry.is_symlink(ec);
    if (!isLink && entry.is_directory(ec)) {
      const std::string sub = directory + WireName(path.filename().string(), path) + "\\";
      if (sub.size() > kMaxArchiveNameLength) throw ArchiveError(kArchiveNameTooLong, path.string());
      Plan(path, sub, archive, out);
    } else if (fs::is_regular_file(path, ec) && !fs::equivalent(path, archive, ec)) {
      const std::string name = WireName(path.filename().string(), path);
      if (name.size() > kMaxArchiveNameLength) throw ArchiveError(kArchiveNameTooLong, path.string());
      if (static_cast<int64_t>(fs::file_size(path, ec)) >= kMaxArchivedFileSize && !ec)
        throw ArchiveError(kArchiveFileTooLarge, path.string());
      out.push_back({path, directory, name});
    }
    // Devices, pipes and sockets hold no file content to send.
  }
}

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

class Deflater {
public:
  Deflater() {
    if (deflateInit2(&z_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw FolderArchiveError("zlib: cannot start compression");
  }
  ~Deflater() { deflateEnd(&z_); }
  // Starts a new zlib stream for the next file, keeping the allocated state.
  void Reset() { deflateReset(&z_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  // Compresses the bytes (flushing the stream when last) and writes the output; returns the
  // number of bytes written.
  uint64_t Feed(const char* data, size_t n, bool last, base::Stream& out) {
    uint64_t written = 0;
    z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z_.avail_in = static_cast<uInt>(n);
    int rc;
    do {
      z_.next_out = reinterpret_cast<Bytef*>(buffer_);
      z_.avail_out = sizeof buffer_;
      rc = deflate(&z_, last ? Z_FINISH : Z_NO_FLUSH);
      if (rc == Z_STREAM_ERROR) throw FolderArchiveError("zlib: compression failed");
      const size_t produced = sizeof buffer_ - z_.avail_out;
      out.Write(buffer_, produced);
      written += produced;
    } while (z_.avail_out == 0 || (last && rc != Z_STREAM_END));
    return written;
  }

private:
  z_stream z_{};
  char buffer_[kArchivePieceSize];
};

void PackOne(const PlannedFile& file, base::Stream& archive, Deflater& deflater, std::string& piece,
             ArchiveProgress* progress) {
  const std::string shown = file.path.string();
  base::FileStream source(shown, base::FileStream::Mode::Read);
  const int64_t size = source.Size();
  if (size >= kMaxArchivedFileSize) throw ArchiveError(kArchiveFileTooLarge, shown);
  if (progress) {
    if (progress->Terminated()) throw FolderArchiveAborted();
    progress->FileChanged(shown);
    progress->Progressed(0, size);
  }

  // Fixed part first, sizes filled in once the data is out (the file may change meanwhile).
  const int64_t headerAt = archive.Position();
  std::string header;
  header += static_cast<char>(file.directory.size());
  header += file.directory;
  header += static_cast<char>(file.name.size());
  header += file.name;
  PutU32(header, 0);
  PutU32(header, 0);
  archive.Write(header);

  deflater.Reset();
  int64_t done = 0;
  uint64_t packed = 0;
  for (;;) {
    piece.resize(kArchivePieceSize);
    const size_t got = source.Read(piece.data(), piece.size());
    done += static_cast<int64_t>(got);
    if (done >= kMaxArchivedFileSize) throw ArchiveError(kArchiveFileTooLarge, shown);
    packed += deflater.Feed(piece.data(), got, got == 0, archive);
    if (got == 0) break;
    if (progress) {
      if (progress->Terminated()) throw FolderArchiveAborted();
      progress->Progressed(done, std::max(size, done));
    }
  }
  if (packed > UINT32_MAX) throw ArchiveError(kArchiveFileTooLarge, shown);
  const int64_t endAt = archive.Position();
  std::string sizes;
  PutU32(sizes, static_cast<uint32_t>(done));
  PutU32(sizes, static_cast<uint32_t>(packed));
  archive.Seek(headerAt + static_cast<int64_t>(header.size()) - 8);
  archive.Write(sizes);
  archive.Seek(endAt);
}

}  // namespace

void FolderArchiveWriter::Pack(const std::string& folder, const std::string& archivePath,
                               ArchiveProgress* progress) {
  std::vector<PlannedFile> files;
  // An earlier archive of the same name inside the folder is replaced, never packed into itself.
  Plan(fs::path(folder), "", fs::path(archivePath), files);

  std::remove(archivePath.c_str());
  try {
    base::FileStream archive(archivePath, base::FileStream::Mode::Create);
    auto deflater = std::make_unique<Deflater>();  // 64 KiB of output buffer: not on the stack
    std::string piece;
    for (const auto& file : files) PackOne(file, archive, *deflater, piece, progress);
  } catch (const base::StreamError& e) {
    std::remove(archivePath.c_str());
    throw FolderArchiveError(e.what());
  } catch (...) {
    std::remove(archivePath.c_str());
    throw;
  }
}

}  // namespace corvane::assistance
