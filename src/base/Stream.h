#pragma once
// Byte streams with a position, in the manner of the classic stream classes: the session transport
// reads blocks into them and writes them out (clipboard text, chat text, file blocks).

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace corvane::base {

class StreamError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class Stream {
public:
  virtual ~Stream() = default;
  // Reads up to n bytes at the position; returns how many were read (0 at the end).
  virtual size_t Read(void* out, size_t n) = 0;
  // Writes n bytes at the position, growing the stream as needed; throws StreamError on failure.
  virtual void Write(const void* data, size_t n) = 0;
  virtual int64_t Position() const = 0;
  virtual void Seek(int64_t position) = 0;
  virtual int64_t Size() const = 0;
  // Cuts or extends the stream; the position is kept within it.
  virtual void SetSize(int64_t size) = 0;

  void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
};

class MemoryStream final : public Stream {
public:
  MemoryStream() = default;
  explicit MemoryStream(std::string bytes) : data_(std::move(bytes)) {}
  size_t Read(void* out, size_t n) override;
  using Stream::Write;
  void Write(const void* data, size_t n) override;
  int64_t Position() const override { return static_cast<int64_t>(position_); }
  void Seek(int64_t position) override;
  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;

  const std::string& Bytes() const { return data_; }
  std::string TakeBytes();

private:
  std::string data_;
  size_t position_ = 0;
};

class FileStream final : public Stream {
public:
  enum class Mode { Read, Create, ReadWrite };
  // Throws StreamError with the system's reason when the file cannot be opened.
  FileStream(const std::string& path, Mode mode);
  ~FileStream() override;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  size_t Read(void* out, size_t n) override;
  using Stream::Write;
  void Write(const void* data, size_t n) override;
  int64_t Position() const override { return position_; }
  void Seek(int64_t position) override;
  int64_t Size() const override;
  void SetSize(int64_t size) override;
  // Flushes written data to the disk; throws StreamError (a full disk shows up here at the latest).
  void Sync();

private:
  int fd_ = -1;
  int64_t position_ = 0;
  std::string path_;
};

}  // namespace corvane::base
