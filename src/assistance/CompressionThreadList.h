#pragma once
// The transfers window's list of running packing and unpacking threads. Threads add themselves when
// they start and remove themselves when they go away; the window asks them all to terminate when
// the session stops, and the session stops and joins them all before it goes (StopAll).
//
// Threads: any thread; the lock guards the list. Terminate requests never wait for a thread;
// StopAll belongs to the main thread.

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
  // Main thread: takes every thread out of the list, stops it and joins its worker (serving the
  // main loop meanwhile), then deletes it when it frees itself (FreeOnTerminate); a thread owned
  // elsewhere is left to its owner, finished and no longer listed. Nothing of a stopped thread
  // reaches the main thread afterwards. Threads added meanwhile are stopped too.
  void StopAll();

private:
  mutable std::mutex mutex_;
  std::vector<TCompressionDecompressionThread*> threads_;
};

}  // namespace corvane::assistance
