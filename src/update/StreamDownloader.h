#pragma once
// Downloading one resource into a stream, with progress notifications.
//
// Threads: Telecharger runs on the caller's thread (a worker thread in the program) and calls the
// progress receiver on that same thread; the receiver hands work to the main thread itself.

#include <cstdint>
#include <ostream>
#include <string>

namespace corvane::update {

class IStreamDownloadEvents {
public:
  virtual ~IStreamDownloadEvents() = default;
  // The body starts; total is the announced byte count, 0 when unknown.
  virtual void DebutTravail(int64_t total) = 0;
  // Bytes received so far.
  virtual void Travail(int64_t done) = 0;
  // The transfer ended (successfully or not) after DebutTravail.
  virtual void FinTravail() = 0;
};

class IStreamDownloader {
public:
  virtual ~IStreamDownloader() = default;
  // Downloads url into stream. Returns false, without touching the stream, when the scheme is
  // neither HTTP(S) nor FTP; throws EUpdateDownloadError when the transfer fails.
  virtual bool Telecharger(const std::string& url, std::ostream& stream) = 0;
  // The receiver of progress notifications, or nullptr; not owned.
  virtual void SetEvenements(IStreamDownloadEvents* events) = 0;
};

}  // namespace corvane::update
