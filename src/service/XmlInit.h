#pragma once
// libxml2 must be initialised once before threads use it (SOAP calls may run on several threads
// in the service and in tests); every envelope reader and writer calls this first.

#include <libxml/parser.h>

#include <mutex>

namespace corvane::service {

inline void InitialiseXml() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

}  // namespace corvane::service
