#include "assistance/CompressionThreadList.h"

#include <algorithm>

#include "assistance/CompressionDecompressionThread.h"

namespace corvane::assistance {

void CompressionThreadList::Add(TCompressionDecompressionThread* thread) {
  std::lock_guard lock(mutex_);
  threads_.push_back(thread);
}

void CompressionThreadList::Remove(TCompressionDecompressionThread* thread) {
  std::lock_guard lock(mutex_);
  threads_.erase(std::remove(threads_.begin(), threads_.end(), thread), threads_.end());
}

size_t CompressionThreadList::Count() const {
  std::lock_guard lock(mutex_);
  return threads_.size();
}

void CompressionThreadList::TerminateAll() {
  std::lock_guard lock(mutex_);
  for (auto* thread : threads_) thread->Terminate();
}

void CompressionThreadList::StopAll() {
  for (;;) {
    TCompressionDecompressionThread* thread = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (threads_.empty()) return;
      thread = threads_.back();
      threads_.pop_back();
    }
    // Unlisted first: the thread's destructor must not come back to this list, which may go
    // before a thread owned elsewhere.
    thread->list_ = nullptr;
    thread->StopAndJoin();
    if (thread->FreeOnTerminate) delete thread;
  }
}

}  // namespace corvane::assistance
