#pragma once
// IStreamDownloader on libcurl: HTTP and HTTPS (certificate verification on), FTP and FTPS.
//
// Threads: one Telecharger at a time; settings are written before downloads start.

#include <string>

#include "update/StreamDownloader.h"

namespace corvane::update {

// Settings of the HTTP side, defaults as the main window uses them.
struct THttpClientSettings {
  std::string UserAgent = "Mozilla/3.0 (compatible; Indy Library)";
  std::string Accept = "text/html, */*";
  bool AcceptCookies = true;
  long ConnectTimeOut = 10000;  // ms, 0 = none
  long ReadTimeOut = 10000;     // ms without data, 0 = none
};

// Settings of the FTP side; the host and the log-in come from each URL.
struct TFtpClientSettings {
  long ConnectTimeOut = 10000;
  long ReadTimeOut = 10000;
};

class TCurlStreamDownloader final : public IStreamDownloader {
public:
  bool Telecharger(const std::string& url, std::ostream& stream) override;
  void SetEvenements(IStreamDownloadEvents* events) override { events_ = events; }

  THttpClientSettings HttpClient;
  TFtpClientSettings FtpClient;
  // Certificate authorities for HTTPS/FTPS (a PEM file); empty = the system's store.
  std::string CaInfo;

private:
  IStreamDownloadEvents* events_ = nullptr;
};

}  // namespace corvane::update
