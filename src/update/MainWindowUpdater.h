#pragma once
// The update set-up of the main window: an HTTP(S) descriptor provider with 10000 ms time-outs, a
// libcurl downloader with its default client settings, and no check in a run that follows an
// update. HTTPS is the recommended scheme for the descriptor and the files.

#include <string>
#include <string_view>

#include "update/AutoUpdater.h"

namespace corvane::update {

inline constexpr std::string_view kDescripteurUrlParDefaut =
    "https://www.tarvenholt.example/maj/CorvaneAgent/CorvaneAgent.xml";

void ConfigureMainWindowUpdater(TAutoUpdater& engine, std::string_view descriptorUrl = kDescripteurUrlParDefaut);

}  // namespace corvane::update
