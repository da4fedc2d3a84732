#include "base/Stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace corvane::base {

size_t MemoryStream::Read(void* out, size_t n) {
  const size_t take = position_ < data_.size() ? std::min(n, data_.size() - position_) : 0;
  if (take) std::memcpy(out, data_.data() + position_, take);
  position_ += take;
  return take;
}

void MemoryStream::Write(const void* data, size_t n) {
  if (position_ + n > data_.size()) data_.resize(position_ + n);
  if (n) std::memcpy(data_.data() + position_, data, n);
  position_ += n;
}

void MemoryStream::Seek(int64_t position) {
  position_ = static_cast<size_t>(std::max<int64_t>(0, position));
}

void MemoryStream::SetSize(int64_t size) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(0, size)));
  position_ = std::min(position_, data_.size());
}

std::string MemoryStream::TakeBytes() {
  position_ = 0;
  return std::move(data_);
}

namespace {
std::string Reason(const std::string& what, const std::string& path) {
  return what + " \"" + path + "\": " + std::strerror(errno);
}
}  // namespace

FileStream::FileStream(const std::string& path, Mode mode) : path_(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::Create: flags |= O_RDWR | O_CREAT; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
  }
  fd_ = ::open(path.c_str(), flags, 0644);
  if (fd_ < 0) throw StreamError(Reason("Cannot open file", path));
  // Create empties an existing file, but only one that holds something: truncating an empty file
  // (one made by mkstemp, say) makes some file systems flush the whole new content when it is
  // closed, as they do for a file replaced by truncation.
  if (mode == Mode::Create && Size() > 0 && ::ftruncate(fd_, 0) != 0) {
    const StreamError error(Reason("Cannot empty file", path));
    ::close(fd_);
    throw error;
  }
}

FileStream::~FileStream() {
  if (fd_ >= 0) ::close(fd_);
}

size_t FileStream::Read(void* out, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd_, static_cast<char*>(out) + done, n - done, position_);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) throw StreamError(Reason("Cannot read file", path_));
    if (r == 0) break;
    done += static_cast<size_t>(r);
    position_ += r;
  }
  return done;
}

void FileStream::Write(const void* data, size_t n) {
  size_t done = 0;
  while (done < n) {
    const ssize_t w = ::pwrite(fd_, static_cast<const char*>(data) + done, n - done, position_);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) throw StreamError(Reason("Cannot write file", path_));
    done += static_cast<size_t>(w);
    position_ += w;
  }
}

void FileStream::Seek(int64_t position) { position_ = std::max<int64_t>(0, position); }

int64_t FileStream::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return 0;
  return st.st_size;
}

void FileStream::SetSize(int64_t size) {
  size = std::max<int64_t>(0, size);
  // The size it already has is left alone, for the same reason as in the constructor.
  if (size != Size() && ::ftruncate(fd_, size) != 0) throw StreamError(Reason("Cannot resize file", path_));
  position_ = std::min(position_, size);
}

void FileStream::Sync() {
  if (::fsync(fd_) != 0) throw StreamError(Reason("Cannot write file", path_));
}

}  // namespace corvane::base
