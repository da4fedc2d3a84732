#pragma once
// The update engine: decides which entries of the update descriptor this machine needs, downloads
// them, checks each download against the descriptor (its version, else its CRC-32, and its SHA-256
// when one is given; a descriptor that came over HTTPS admits only HTTPS downloads), puts it in
// place, deletes obsolete files, and hands the files that cannot be replaced while the program
// runs to the update helper, which finishes after the program has ended and restarts it when it
// replaced the program itself.
//
// Threads: construction and Verifier run on the main thread (OnReplaceTag and OnJustUpdated are
// raised there). Appliquer runs on the wizard's worker thread and raises OnWorkBegin, OnWork,
// OnWorkEnd, OnUpdateApplied and OnUpdateTerminated there; their receivers hand them over to the
// main thread. No lock: the main thread leaves the engine alone while an apply runs.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "update/FileSystemRemplaceTag.h"
#include "update/RunningProgram.h"
#include "update/StreamDownloader.h"
#include "update/UpdateInfosProvider.h"
#include "update/XmlUpdateInfos.h"
#include "update/helper/HelperCommandLine.h"

namespace corvane::update {

class TAutoUpdater final : private IStreamDownloadEvents {
public:
  // Selection bits of Appliquer.
  static constexpr unsigned kMandatory = 1;
  static constexpr unsigned kOptional = 2;

  // program: the running executable and its arguments (RunningProgram::Current() in the program).
  // lastUsedUpdateExeFileNameToDelete: the value of the command-line switch of that name
  // (helper::kSwitchLastUsedUpdateExe), empty when absent; the file it names is deleted and a
  // non-empty value marks this run as just updated.
  TAutoUpdater(RunningProgram program, const std::string& lastUsedUpdateExeFileNameToDelete,
               SpecialFolders folders = SpecialFolders::FromEnvironment());
  ~TAutoUpdater() override;
  TAutoUpdater(const TAutoUpdater&) = delete;
  TAutoUpdater& operator=(const TAutoUpdater&) = delete;

  // Deletes the update helper left behind by the update that restarted this program, if the file
  // exists. The constructor calls it with the switch's value.
  static void DeleteLeftoverHelper(const std::string& path);

  std::shared_ptr<IUpdateInfosProvider> InfosProvider;
  std::shared_ptr<IStreamDownloader> StreamDownloader;
  bool SearchUpdateEvenIfJustUpdated = false;

  std::function<void(TAutoUpdater& sender, std::string& url)> BeforeDownload;
  std::function<void(TAutoUpdater& sender, const std::string& tag, std::string& replacement)> OnReplaceTag;
  std::function<void(TAutoUpdater& sender, int64_t total)> OnWorkBegin;
  std::function<void(TAutoUpdater& sender, int64_t done)> OnWork;
  std::function<void(TAutoUpdater& sender)> OnWorkEnd;
  std::function<void(TAutoUpdater& sender)> OnUpdateApplied;
  std::function<void(TAutoUpdater& sender)> OnUpdateTerminated;
  std::function<void(TAutoUpdater& sender)> OnJustUpdated;

  // Starts a program without waiting; throws EUpdateFileError when it cannot. Defaults to a
  // detached process; tests replace it to see the helper's command line.
  std::function<void(const std::string& exe, const std::vector<std::string>& args)> StartProcess;

  // Checks for updates. Throws EUpdateVersionInfoError when a version rule meets an existing
  // target without version information and EUpdateUnsafeTarget for a refused target path; the
  // descriptor is then dropped, so nothing half-checked can be applied. A descriptor that cannot
  // be fetched or read just means no update.
  void Verifier();
  int NombreMisesAJour() const { return mandatoryCount_ + optionalCount_; }

  // Applies the needed entries of the selected kinds, then the delete entries. Never throws: an
  // error ends the apply with Completed() false and its text in LastError().
  void Appliquer(unsigned selection);
  // Update entries whose noupdate is false.
  int NombreATelecharger() const;

  int MandatoryCount() const { return mandatoryCount_; }
  int OptionalCount() const { return optionalCount_; }
  bool HasMandatory() const { return mandatoryCount_ > 0; }
  bool HasOptional() const { return optionalCount_ > 0; }
  bool JustUpdated() const { return justUpdated_; }
  bool TerminateRequired() const { return terminateRequired_; }
  bool SelfUpdate() const { return selfUpdate_; }
  bool Completed() const { return completed_; }
  int AppliedCount() const { return appliedCount_; }
  const std::string& LastError() const { return lastError_; }
  const std::string& HelperPath() const { return helperPath_; }
  // The entry being applied, or nullptr.
  const TXMLTUpdateInfo* CurrentEntry() const { return currentEntry_; }
  // The descriptor reduced to the needed entries, or nullptr.
  TXMLTUpdateInfos* Infos() { return infos_.get(); }

private:
  void DebutTravail(int64_t total) override;
  void Travail(int64_t done) override;
  void FinTravail() override;

  bool UpdateNeeded(const TXMLTUpdateInfo& entry) const;
  void ApplyUpdate(TXMLTUpdateInfo& entry);
  void ApplyDelete(const TXMLTDeleteInfo& entry);
  void VerifyDownload(const TXMLTUpdateInfo& entry, const std::string& url, const std::string& file) const;
  void StartHelper(const std::vector<std::string>& args);
  bool IsOwnExecutable(const std::string& path) const;

  RunningProgram program_;
  TFileSystemRemplaceTag tags_;
  std::unique_ptr<TXMLTUpdateInfos> infos_;
  int mandatoryCount_ = 0;
  int optionalCount_ = 0;
  bool justUpdated_ = false;
  bool terminateRequired_ = false;
  bool selfUpdate_ = false;
  bool completed_ = false;
  int appliedCount_ = 0;
  const TXMLTUpdateInfo* currentEntry_ = nullptr;
  std::string helperPath_;
  std::string lastError_;
};

}  // namespace corvane::update
