// SOAP answer and fault parser: the bytes are the HTTP body a service answers with (status 200 or
// 500 by the first byte) to one of the console's operations, picked by the second byte. Every
// failure must surface as a service error, never as a crash.

#include "FuzzSupport.h"
#include "service/CorvaneAgent.h"
#include "service/CorvaneGroupeAgent.h"
#include "service/RemotableFaults.h"
#include "service/ServiceErrors.h"

using namespace corvane::service;

namespace {

class CannedTransport final : public SoapTransport {
public:
  HttpAnswer answer;
  HttpAnswer post(const std::string&, const std::string&, const std::string&) override { return answer; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  auto transport = std::make_shared<CannedTransport>();
  transport->answer.status = (data[0] & 1) ? 500 : 200;
  transport->answer.body.assign(reinterpret_cast<const char*>(data + 2), size - 2);
  CorvaneAgentProxy agent("http://127.0.0.1/root/", transport);
  CorvaneGroupeAgentProxy group("http://127.0.0.1/root/", transport);
  try {
    switch (data[1] % 9) {
      case 0: agent.LogIn("u", "p"); break;
      case 1: agent.ListeAssistances("s", TRemotableFiltre{}); break;
      case 2: agent.ListeAgents("s"); break;
      case 3: agent.ObtenirAgent("s", "1"); break;
      case 4: agent.ObtenirPhoto("s", "1"); break;
      case 5: agent.ListeClients("s"); break;
      case 6: agent.ObtenirClientParIdentifiant("s", "g", "i"); break;
      case 7: agent.ModifierStatus("s", TStatusAgent::saDisponible); break;
      default: {
        TRemotableGroupeAgent g;
        group.ModifierGroupe("s", g);  // in/out parameter
        break;
      }
    }
  } catch (const EServiceError&) {
  }
  return 0;
}
