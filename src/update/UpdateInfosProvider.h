#pragma once
// Where the update descriptor comes from.
//
// Threads: LireInfos runs on the caller's thread (the main thread's check) and blocks until the
// descriptor arrived or failed.

#include <memory>
#include <string>

#include "update/XmlUpdateInfos.h"

namespace corvane::update {

class IUpdateInfosProvider {
public:
  virtual ~IUpdateInfosProvider() = default;
  // Fetches and parses the descriptor. Throws (EUpdateDownloadError, EUpdateDescriptorError) on
  // any failure: network, time-out, refusal, invalid XML.
  virtual std::unique_ptr<TXMLTUpdateInfos> LireInfos() = 0;
};

// Common part of the remote providers: fetch the text, then bind it as the descriptor.
class TCustomUpdateInfosProvider : public IUpdateInfosProvider {
public:
  std::unique_ptr<TXMLTUpdateInfos> LireInfos() override {
    std::unique_ptr<TXMLTUpdateInfos> infos = TXMLTUpdateInfos::Parse(FetchText());
    infos->SetFilesOverHttpsOnly(FetchedOverHttps());
    return infos;
  }

  // Certificate authorities for HTTPS/FTPS (a PEM file); empty = the system's store.
  std::string CaInfo;

protected:
  virtual std::string FetchText() = 0;
  // Whether the descriptor travels over HTTPS (its files must then do the same).
  virtual bool FetchedOverHttps() const { return false; }
};

}  // namespace corvane::update
