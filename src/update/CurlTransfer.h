#pragma once
// One libcurl transfer into a sink, shared by the descriptor providers and the stream downloader:
// time-outs, size limit, HTTP status check and progress notifications in one place.
//
// Threads: RunCurlTransfer runs wholly on the calling thread, sink and events included.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "update/StreamDownloader.h"
#include "update/UpdateLimits.h"

namespace corvane::update {

struct CurlRequest {
  // Handed to libcurl unchanged, except that a user and password in a plain "http:" URL are
  // dropped: credentials never travel in clear as basic authentication (over HTTPS they do; FTP
  // logs in with them, as FTP must).
  std::string url;
  std::string protocols;          // allowed schemes, e.g. "http,https" or "ftp,ftps"
  long connectTimeoutMs = 10000;  // 0 = libcurl's default
  long readTimeoutMs = 10000;     // longest time without receiving data; 0 = none
  // HTTP only.
  std::string userAgent;
  std::string accept;
  bool acceptCookies = false;
  // FTP only: a log-in to use (otherwise the URL's own), and whether to change directory before
  // retrieving (false: the path is sent whole with RETR).
  bool hasLogin = false;
  std::string username;
  std::string password;
  bool ftpChangeDirectory = true;
  // Certificate authorities for HTTPS and FTPS; empty = the system's.
  std::string caInfo;
  int64_t maxBytes = limits::kMaxDownloadBytes;
};

// Runs the transfer, passing each received block of the body to sink. Throws EUpdateDownloadError
// on any failure (connection, time-out, HTTP status other than 2xx, FTP refusal, size limit, or an
// exception thrown by sink). events may be null; FinTravail always follows a DebutTravail.
void RunCurlTransfer(const CurlRequest& request,
                     const std::function<void(const char* data, size_t size)>& sink,
                     IStreamDownloadEvents* events);

// Percent-encodes the bytes that may not appear in a URL as they are (blanks, controls, non-ASCII
// and the unsafe characters), leaving reserved characters and existing escapes untouched.
std::string EncodeUrlWhereNeeded(std::string_view url);

// The URL without its user and password, for messages.
std::string UrlWithoutPassword(std::string_view url);

// The URL's scheme in lower case ("https"), empty when it has none.
std::string UrlScheme(std::string_view url);

// The anonymous FTP log-in.
inline constexpr const char* kFtpAnonymousUser = "Anonymous";
inline constexpr const char* kFtpAnonymousPassword = "corvane-agent@localhost";

}  // namespace corvane::update
