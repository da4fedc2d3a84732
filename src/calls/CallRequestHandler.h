#pragma once
// The call listener's request handling: a call request (User-Agent "CorvaneClient") is turned
// into an action on its call context, processed on the main thread, and answered with "DAD-"
// headers; any other request receives the information page.
//
// Threads: runs on a listener connection thread. It reads headers, writes the request data into
// the context while holding it, and hands Traiter, Purger and the history delayer to the main
// thread, waiting for each; nothing else of the controller is touched on this thread.

#include <string>

#include "calls/CallListener.h"
#include "calls/CallRequest.h"

namespace corvane::calls {

class TCorvaneAgent;

// Every request reaching the listener.
ListenerAnswer RepondreRequete(TCorvaneAgent& agent, const ListenerRequest& request);

// One call request, already read from its headers.
ListenerAnswer TraiterRequeteAppel(TCorvaneAgent& agent, const CallRequest& request,
                                   const std::string& peerAddress);

}  // namespace corvane::calls
