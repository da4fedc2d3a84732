#include "assistance/FolderArchiveWriter.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <vector>

#include "assistance/ArchiveDeflate.h"
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

// Reads the files, hands their pieces to the deflate pool and writes the entries as the pieces
// come back, in order: the fixed part before a file's first piece, the zlib trailer and the
// sizes after its last.
class EntryPacker {
public:
  EntryPacker(base::Stream& archive, ArchiveProgress* progress) : archive_(archive), progress_(progress) {}

  void Pack(const PlannedFile& file) {
    const std::string shown = file.path.string();
    base::FileStream source(shown, base::FileStream::Mode::Read);
    const int64_t size = source.Size();
    if (size >= kMaxArchivedFileSize) throw ArchiveError(kArchiveFileTooLarge, shown);
    if (progress_) {
      if (progress_->Terminated()) throw FolderArchiveAborted();
      progress_->FileChanged(shown);
      progress_->Progressed(0, size);
    }
    std::string window;  // the file's last bytes before the piece being filled
    int64_t done = 0;
    auto piece = std::make_unique<DeflatePiece>();
    bool first = true;
    for (;;) {
      std::string& in = piece->input;
      if (in.capacity() < kDeflatePieceSize) in.reserve(kDeflatePieceSize);
      const size_t at = in.size();
      in.resize(at + kArchivePieceSize);
      const size_t got = source.Read(in.data() + at, kArchivePieceSize);
      in.resize(at + got);
      done += static_cast<int64_t>(got);
      if (done >= kMaxArchivedFileSize) throw ArchiveError(kArchiveFileTooLarge, shown);
      if (got == 0 || in.size() >= kDeflatePieceSize) {
        piece->last = got == 0;
        piece->dictionary = window;
        KeepWindow(window, in);
        Give(std::move(piece), {&file, first, done, shown});
        first = false;
        if (got == 0) break;
        piece = std::make_unique<DeflatePiece>();
      }
      if (progress_) {
        if (progress_->Terminated()) throw FolderArchiveAborted();
        progress_->Progressed(done, std::max(size, done));
      }
    }
  }

  // Writes out every piece still in the pool.
  void Finish() {
    while (pool_.Pending() > 0) Emit(pool_.Take());
  }

private:
  struct Origin {
    const PlannedFile* file;
    bool first;
    int64_t readSoFar;  // the file's size once its last piece is read
    std::string shown;
  };

  // window becomes the last kDeflateWindow bytes of window followed by input.
  static void KeepWindow(std::string& window, const std::string& input) {
    if (input.size() >= kDeflateWindow) {
      window.assign(input, input.size() - kDeflateWindow, kDeflateWindow);
      return;
    }
    window.append(input);
    if (window.size() > kDeflateWindow) window.erase(0, window.size() - kDeflateWindow);
  }

  void Give(std::unique_ptr<DeflatePiece> piece, Origin origin) {
    while (pool_.Pending() >= pool_.Capacity()) Emit(pool_.Take());
    origins_.push_back(std::move(origin));
    pool_.Give(std::move(piece));
  }

  void Emit(std::unique_ptr<DeflatePiece> piece) {
    const Origin origin = std::move(origins_.front());
    origins_.pop_front();
    if (!piece->error.empty()) throw FolderArchiveError(piece->error);
    if (origin.first) {
      // Fixed part first, sizes filled in once the data is out (the file may change meanwhile).
      std::string header;
      header += static_cast<char>(origin.file->directory.size());
      header += origin.file->directory;
      header += static_cast<char>(origin.file->name.size());
      header += origin.file->name;
      PutU32(header, 0);
      PutU32(header, 0);
      archive_.Write(header);
      sizesAt_ = archive_.Position() - 8;
      archive_.Write(kZlibHeader, sizeof kZlibHeader);
      packed_ = sizeof kZlibHeader;
      adler_ = piece->adler;
    } else {
      adler_ = CombineAdler32(adler_, piece->adler, piece->input.size());
    }
    archive_.Write(piece->output);
    packed_ += piece->output.size();
    if (!piece->last) return;
    archive_.Write(ZlibTrailer(adler_));
    packed_ += 4;
    if (packed_ > UINT32_MAX) throw ArchiveError(kArchiveFileTooLarge, origin.shown);
    const int64_t endAt = archive_.Position();
    std::string sizes;
    PutU32(sizes, static_cast<uint32_t>(origin.readSoFar));
    PutU32(sizes, static_cast<uint32_t>(packed_));
    archive_.Seek(sizesAt_);
    archive_.Write(sizes);
    archive_.Seek(endAt);
  }

  base::Stream& archive_;
  ArchiveProgress* progress_;
  ArchiveDeflatePool pool_;
  std::deque<Origin> origins_;  // of the pieces in the pool, oldest first
  // The entry being written out.
  int64_t sizesAt_ = 0;
  uint64_t packed_ = 0;
  uint32_t adler_ = 1;
};

}  // namespace

void FolderArchiveWriter::Pack(const std::string& folder, const std::string& archivePath,
                               ArchiveProgress* progress) {
  std::vector<PlannedFile> files;
  // An earlier archive of the same name inside the folder is replaced, never packed into itself.
  Plan(fs::path(folder), "", fs::path(archivePath), files);

  std::remove(archivePath.c_str());
  try {
    base::FileStream archive(archivePath, base::FileStream::Mode::Create);
    EntryPacker packer(archive, progress);
    for (const auto& file : files) packer.Pack(file);
    packer.Finish();
  } catch (const base::StreamError& e) {
    std::remove(archivePath.c_str());
    throw FolderArchiveError(e.what());
  } catch (...) {
    std::remove(archivePath.c_str());
    throw;
  }
}

}  // namespace corvane::assistance
