#pragma once
// The deflate of folder archives: each file's content is cut into pieces that are compressed on a
// few worker threads at once and joined, in order, into one ordinary zlib stream (header 78 9C,
// deflate data, Adler-32 trailer), which any inflater reads.
//
// A piece is raw deflate that ends on a byte boundary: a sync flush (an empty stored block) when
// more of the same file follows, the final block otherwise. Each piece is primed with the 32 KiB
// of the file that precede it, so matches reach back across the cut as in a single stream.
//
// Every piece is first deflated by ISA-L (several times faster than zlib, about as small on
// binaries and already-compressed data). Where that output is well under a third of the input
// (text, logs, sources), zlib's lazy matching finds noticeably smaller output, so the piece is
// deflated again by zlib and the smaller result kept. Together the archive stays within a few
// percent of zlib's default level.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane::assistance {

// Bytes of input per piece: large enough that the flush at each cut costs nothing measurable,
// small enough that the pieces in flight stay a few MiB.
inline constexpr size_t kDeflatePieceSize = 256 * 1024;
// The deflate window: the dictionary a piece is primed with.
inline constexpr size_t kDeflateWindow = 32 * 1024;

struct DeflatePiece {
  // Filled in by the caller.
  std::string dictionary;  // up to kDeflateWindow bytes of the same file just before input
  std::string input;
  bool last = false;  // the file ends with this piece
  // Filled in by the deflate.
  std::string output;   // raw deflate ending on a byte boundary, with the final block when last
  uint32_t adler = 1;   // Adler-32 of input alone
  std::string error;    // set when compression failed; output is then meaningless
};

// The bytes of a zlib stream around the joined pieces.
inline constexpr char kZlibHeader[2] = {0x78, static_cast<char>(0x9C)};
// Adler-32 of a whole file from the running value and the next piece's value and length.
uint32_t CombineAdler32(uint32_t before, uint32_t piece, size_t pieceLength);
// The trailer of a zlib stream: the Adler-32 of the content, most significant byte first.
std::string ZlibTrailer(uint32_t adler);

// Deflates pieces on worker threads and hands them back in the order they were given.
// Used by one thread; destroying it drops the pieces not yet taken and joins the workers.
class ArchiveDeflatePool {
public:
  // threads: 0 for one per processor core.
  explicit ArchiveDeflatePool(unsigned threads = 0);
  ~ArchiveDeflatePool();
  ArchiveDeflatePool(const ArchiveDeflatePool&) = delete;
  ArchiveDeflatePool& operator=(const ArchiveDeflatePool&) = delete;

  // Pieces given and not yet taken; the caller takes the oldest once this reaches Capacity().
  size_t Pending() const { return order_.size(); }
  size_t Capacity() const { return 2 * workers_.size(); }
  void Give(std::unique_ptr<DeflatePiece> piece);
  // The oldest piece given, once deflated (waits for it). Pending() must be above 0.
  std::unique_ptr<DeflatePiece> Take();

private:
  struct Job {
    std::unique_ptr<DeflatePiece> piece;
    bool done = false;
  };
  void Work();

  std::mutex mutex_;
  std::condition_variable wake_;  // a job to do, or stopping
  std::condition_variable done_;  // a job is done
  std::deque<std::shared_ptr<Job>> todo_;
  std::deque<std::shared_ptr<Job>> order_;  // every job given, oldest first; only the caller's
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

// Deflates one piece on the calling thread, as the pool's workers do.
void DeflateOnePiece(DeflatePiece& piece);

}  // namespace corvane::assistance
