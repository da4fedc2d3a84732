#include "assistance/SessionTexts.h"

#include <chrono>
#include <ctime>

#include "base/Format.h"
#include "base/Translate.h"

namespace corvane::assistance {

std::string TexteBanniere(int etat) {
  switch (etat) {
    case 0: return base::Tr("Not connected");
    case 1: return base::Tr("Connecting...");
    case 3: return base::Tr("Disconnection detected");
    case 4: return base::Tr("Waiting client disconnection...");
    case 5: return base::Tr("Disconnecting server...");
    case 6: return base::Tr("Killing remaining threads...");
    case 7: return base::Tr("Disconnection done");
    default: return std::string();
  }
}

std::string TexteDuree(uint64_t millisecondes) {
  const uint64_t s = millisecondes / 1000;
  return base::Format("%dh %dmin %ds", {static_cast<long long>(s / 3600),
                                         static_cast<long long>(s % 3600 / 60),
                                         static_cast<long long>(s % 60)});
}

std::string HeureLocale() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

}  // namespace corvane::assistance
