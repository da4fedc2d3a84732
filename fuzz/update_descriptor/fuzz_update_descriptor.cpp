// Update descriptor reader: any bytes as a descriptor; every item's fields are read and the lists
// edited as the update engine does.

#include "FuzzSupport.h"
#include "update/UpdateError.h"
#include "update/XmlUpdateInfos.h"

using namespace corvane::update;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    auto infos = TXMLTUpdateInfos::Parse(corvane::fuzz::Bytes(data, size));
    for (size_t i = 0; i < infos->Updates().Count(); ++i) {
      const auto& u = infos->Updates()[i];
      (void)u.Mandatory(), (void)u.Restart(), (void)u.NoUpdate();
      (void)u.Filename().size(), (void)u.Url().size(), (void)u.Version().size(), (void)u.Crc32().size();
    }
    for (size_t i = 0; i < infos->Deletes().Count(); ++i) (void)infos->Deletes()[i].Restart();
    if (infos->Updates().Count() > 0) infos->Updates().Delete(0);
    if (infos->Deletes().Count() > 0) infos->Deletes().Delete(infos->Deletes().Count() - 1);
  } catch (const EUpdateError&) {
  }
  return 0;
}
