// The file receiver's message sequence: codes, headers, blocks, ends and cancels from a customer,
// read as the incoming per-transfer channel reads them, into a temporary folder that is emptied
// after each input.

#include <filesystem>

#include "FuzzSupport.h"
#include "base/ManualLoop.h"
#include "base/Stream.h"
#include "session/FileReceiver.h"
#include "session/FileTransfertError.h"
#include "session/SessionError.h"

using namespace corvane;
using namespace corvane::session;
namespace fs = std::filesystem;


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 512 * 1024) return 0;
  static const fs::path folder = fs::temp_directory_path() / ("corvane-fuzz-receiver-" + std::to_string(getpid()));
  fs::create_directories(folder);
  static base::ManualLoop loop;
  {
    fuzz::FedTransport transport(fuzz::Bytes(data, size));
    TOLAFileReceiver receiver(transport, loop);
    receiver.TempFolder = folder.string();
    try {
      for (int turn = 0; turn < 100000; ++turn) {
        const TOLAMessageCode code = transport.ReadMessageCode(kNoTimeLimit);
        if (code == mcDisconnect) break;
        receiver.HandleMessage(code);
      }
    } catch (const SessionError&) {
      // Every failure ends the connection (transfer errors are session errors); what matters is
      // that nothing crashes or leaks, and that no other kind of exception escapes.
    } catch (const base::StreamError&) {
    }
    receiver.Finish();
  }
  for (const auto& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
  return 0;
}
