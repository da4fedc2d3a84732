#pragma once
// Event types shared by the file-transfer channels and managers.

#include <functional>
#include <string>

#include "session/FileTransfertProgressInfos.h"

namespace corvane::session {

class TOLABaseComponent;

// (sender, progress record): raised on the main thread, after every step of a transfer.
using TOLAFileTransfertProgressionEvent =
    std::function<void(TOLABaseComponent& sender, const TOLAFileTransfertProgressInfos& infos)>;

// (sender, authorized end operations by reference): raised on the sending transfer's connection
// thread before its header goes out.
using TOLAFileTransfertConfigEvent =
    std::function<void(TOLABaseComponent& sender, TOLAAuthorizedEndOperations& authorized)>;

}  // namespace corvane::session
