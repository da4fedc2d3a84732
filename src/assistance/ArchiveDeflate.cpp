#include "assistance/ArchiveDeflate.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>

namespace corvane::assistance {

namespace {

// ISA-L level 1: as small as its levels 2 and 3 on archive data, and the fastest.
constexpr int kIsalLevel = 1;
// Pieces that ISA-L shrinks below this share of their size are deflated again by zlib.
constexpr double kRedoWithZlibBelow = 1.0 / 3.0;
// zlib's level for those pieces: its lazy matching at a fraction of the default level's time.
constexpr int kZlibLevel = 5;
// What a sync flush leaves at the end of a piece: an empty stored block.
constexpr char kSyncFlushMark[4] = {0x00, 0x00, static_cast<char>(0xFF), static_cast<char>(0xFF)};

bool EndsWithSyncFlush(const std::string& out) {
  return out.size() >= 4 && std::equal(kSyncFlushMark, kSyncFlushMark + 4, out.end() - 4);
}

// The compressor state of one thread, kept from piece to piece.
class PieceDeflater {
public:
  PieceDeflater() : isal_(std::make_unique<isal_zstream>()), isalLevelBuffer_(ISAL_DEF_LVL1_DEFAULT) {
    zlibReady_ = deflateInit2(&zlib_, kZlibLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~PieceDeflater() {
    if (zlibReady_) deflateEnd(&zlib_);
  }
  PieceDeflater(const PieceDeflater&) = delete;
  PieceDeflater& operator=(const PieceDeflater&) = delete;

  void Deflate(DeflatePiece& piece) {
    piece.output.clear();
    piece.error.clear();
    piece.adler = static_cast<uint32_t>(
        adler32(1, reinterpret_cast<const Bytef*>(piece.input.data()), static_cast<uInt>(piece.input.size())));
    if (!WithIsal(piece, piece.output)) {
      piece.error = "ISA-L: compression failed";
      return;
    }
    if (static_cast<double>(piece.output.size()) >= kRedoWithZlibBelow * static_cast<double>(piece.input.size()))
      return;
    if (!WithZlib(piece, other_)) {
      piece.error = "zlib: compression failed";
      return;
    }
    if (other_.size() < piece.output.size()) piece.output.swap(other_);
  }

private:
  bool WithIsal(const DeflatePiece& piece, std::string& out) {
    isal_zstream& s = *isal_;
    isal_deflate_init(&s);
    s.level = kIsalLevel;
    s.level_buf = isalLevelBuffer_.data();
    s.level_buf_size = static_cast<uint32_t>(isalLevelBuffer_.size());
    s.gzip_flag = IGZIP_DEFLATE;
    if (!piece.dictionary.empty() &&
        isal_deflate_set_dict(&s, reinterpret_cast<uint8_t*>(const_cast<char*>(piece.dictionary.data())),
                              static_cast<uint32_t>(piece.dictionary.size())) != COMP_OK)
      return false;
    s.flush = piece.last ? NO_FLUSH : SYNC_FLUSH;
    s.end_of_stream = piece.last ? 1 : 0;
    s.next_in = reinterpret_cast<uint8_t*>(const_cast<char*>(piece.input.data()));
    s.avail_in = static_cast<uint32_t>(piece.input.size());
    out.resize(piece.input.size() + piece.input.size() / 64 + 1024);
    size_t used = 0;
    for (;;) {
      s.next_out = reinterpret_cast<uint8_t*>(out.data() + used);
      s.avail_out = static_cast<uint32_t>(out.size() - used);
      if (isal_deflate(&s) != COMP_OK) return false;
      used = out.size() - s.avail_out;
      if (s.avail_out > 0) break;  // everything given is compressed and flushed
      out.resize(out.size() + out.size() / 2 + 1024);
    }
    out.erase(used);  // drops the room left over
    if (s.avail_in != 0) return false;
    return piece.last ? s.internal_state.state == ZSTATE_END : EndsWithSyncFlush(out);
  }

  bool WithZlib(const DeflatePiece& piece, std::string& out) {
    if (!zlibReady_ || deflateReset(&zlib_) != Z_OK) return false;
    if (!piece.dictionary.empty() &&
        deflateSetDictionary(&zlib_, reinterpret_cast<const Bytef*>(piece.dictionary.data()),
                             static_cast<uInt>(piece.dictionary.size())) != Z_OK)
      return false;
    zlib_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.input.data()));
    zlib_.avail_in = static_cast<uInt>(piece.input.size());
    out.resize(deflateBound(&zlib_, static_cast<uLong>(piece.input.size())) + 16);
    size_t used = 0;
    int rc;
    for (;;) {
      zlib_.next_out = reinterpret_cast<Bytef*>(out.data() + used);
      zlib_.avail_out = static_cast<uInt>(out.size() - used);
      rc = deflate(&zlib_, piece.last ? Z_FINISH : Z_SYNC_FLUSH);
      used = out.size() - zlib_.avail_out;
      if (rc == Z_STREAM_ERROR) return false;
      if (zlib_.avail_out > 0) break;
      out.resize(out.size() + out.size() / 2 + 1024);
    }
    out.erase(used);  // drops the room left over
    if (zlib_.avail_in != 0) return false;
    return piece.last ? rc == Z_STREAM_END : EndsWithSyncFlush(out);
  }

  std::unique_ptr<isal_zstream> isal_;  // some 200 KB: not on the stack
  std::vector<uint8_t> isalLevelBuffer_;
  z_stream zlib_{};
  bool zlibReady_ = false;
  std::string other_;
};

}  // namespace

uint32_t CombineAdler32(uint32_t before, uint32_t piece, size_t pieceLength) {
  return static_cast<uint32_t>(adler32_combine(before, piece, static_cast<z_off_t>(pieceLength)));
}

std::string ZlibTrailer(uint32_t adler) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((adler >> (8 * (3 - i))) & 0xFF);
  return s;
}

void DeflateOnePiece(DeflatePiece& piece) {
  PieceDeflater deflater;
  deflater.Deflate(piece);
}

ArchiveDeflatePool::ArchiveDeflatePool(unsigned threads) {
  if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
}

ArchiveDeflatePool::~ArchiveDeflatePool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    todo_.clear();
  }
  wake_.notify_all();
  for (auto& t : workers_) t.join();
}

void ArchiveDeflatePool::Give(std::unique_ptr<DeflatePiece> piece) {
  auto job = std::make_shared<Job>();
  job->piece = std::move(piece);
  order_.push_back(job);
  {
    std::lock_guard lock(mutex_);
    todo_.push_back(std::move(job));
  }
  wake_.notify_one();
}

std::unique_ptr<DeflatePiece> ArchiveDeflatePool::Take() {
  std::shared_ptr<Job> job = std::move(order_.front());
  order_.pop_front();
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&] { return job->done; });
  return std::move(job->piece);
}

void ArchiveDeflatePool::Work() {
  PieceDeflater deflater;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || !todo_.empty(); });
    if (stopping_) return;
    std::shared_ptr<Job> job = std::move(todo_.front());
    todo_.pop_front();
    lock.unlock();
    deflater.Deflate(*job->piece);
    lock.lock();
    job->done = true;
    done_.notify_all();
  }
}

}  // namespace corvane::assistance
