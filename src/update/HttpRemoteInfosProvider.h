#pragma once
// The descriptor fetched with an HTTP(S) GET of RemoteURL, used exactly as written.

#include <string>

#include "update/UpdateInfosProvider.h"

namespace corvane::update {

class THttpRemoteInfosProvider final : public TCustomUpdateInfosProvider {
public:
  std::string RemoteURL;
  long ConnectTimeOut = 10000;  // ms
  long ReadTimeOut = 10000;     // ms without data

protected:
  std::string FetchText() override;
  bool FetchedOverHttps() const override;
};

}  // namespace corvane::update
