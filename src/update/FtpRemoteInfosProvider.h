#pragma once
// The descriptor retrieved from an FTP server: log in (anonymously when no user name is set),
// retrieve RemoteDocument by its path, disconnect.

#include <string>

#include "update/UpdateInfosProvider.h"

namespace corvane::update {

struct TFtpClient {
  std::string Host;
  int Port = 21;
  std::string Username;  // empty: anonymous log-in
  std::string Password;
  long ConnectTimeOut = 10000;
  long ReadTimeOut = 10000;
};

class TFtpRemoteInfosProvider final : public TCustomUpdateInfosProvider {
public:
  std::string RemoteDocument;
  TFtpClient FtpClient;

protected:
  std::string FetchText() override;
};

}  // namespace corvane::update
