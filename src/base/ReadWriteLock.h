#pragma once
// Multi-reader single-writer lock guarding values that a connection thread writes and the main
// thread reads (chat text, cursor position, screen options, clipboard).

#include <mutex>
#include <shared_mutex>

namespace corvane::base {

using ReadWriteLock = std::shared_mutex;
using ReadLock = std::shared_lock<std::shared_mutex>;
using WriteLock = std::unique_lock<std::shared_mutex>;

}  // namespace corvane::base
