#include "update/MainWindowUpdater.h"

#include <memory>

#include "update/CurlStreamDownloader.h"
#include "update/HttpRemoteInfosProvider.h"

namespace corvane::update {

void ConfigureMainWindowUpdater(TAutoUpdater& engine, std::string_view descriptorUrl) {
  auto provider = std::make_shared<THttpRemoteInfosProvider>();
  provider->RemoteURL = std::string(descriptorUrl);
  provider->ConnectTimeOut = 10000;
  provider->ReadTimeOut = 10000;
  engine.InfosProvider = std::move(provider);
  engine.StreamDownloader = std::make_shared<TCurlStreamDownloader>();
  engine.SearchUpdateEvenIfJustUpdated = false;
}

}  // namespace corvane::update
