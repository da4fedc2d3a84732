#pragma once
// The transfers window's list of running packing and unpacking threads. Threads add themselves when
// they start and remove themselves when they go away; the window asks them all to terminate when
// the session stops.
//
// Threads: any thread; the lock guards the list. Terminate requests never wait for a thread.

#include <cstddef>
#include <mutex>
#include <vector>

namespace corvane::assistance {

class TCompressionDecompressionThread;

class CompressionThreadList {
public:
  void Add(TCompressionDecompressionThread* thread);
  void Remove(TCompressionDecompressionThread* thread);
  size_t Count() const;
  // Asks every listed thread to terminate; each stops at its next progress report.
  void TerminateAll();

private:
  mutable std::mutex mutex_;
  std::vector<TCompressionDecompressionThread*> threads_;
};

}  // namespace corvane::assistance
