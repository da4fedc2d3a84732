#include "update/AutoUpdater.h"

#include <unistd.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/Format.h"
#include "base/Translate.h"
#include "update/CurlTransfer.h"
#include "update/FileVersion.h"
#include "update/HelperImage.h"
#include "update/UpdateError.h"
#include "update/UpdateFiles.h"
#include "update/helper/HelperCommandLine.h"
#include "update/helper/HelperProcess.h"

namespace corvane::update {

namespace {

using base::Format;
using base::Tr;

void StartDetachedProcess(const std::string& exe, const std::vector<std::string>& args) {
  if (const int error = helper::SpawnDetached(exe, args); error != 0)
    throw EUpdateFileError(Format(Tr("Cannot start the update helper %s: %s"), {exe, std::strerror(error)}));
}

bool IsSha256Text(const std::string& text) {
  if (text.size() != 64) return false;
  for (char ch : text)
    if (!std::isxdigit(static_cast<unsigned char>(ch))) return false;
  return true;
}

std::string LowerHex(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return text;
}

}  // namespace

TAutoUpdater::TAutoUpdater(RunningProgram program, const std::string& lastUsedUpdateExeFileNameToDelete,
                           SpecialFolders folders)
    : program_(std::move(program)), tags_("maj", program_.exePath, std::move(folders)) {
  StartProcess = &StartDetachedProcess;
  tags_.OnReplaceTag = [this](const std::string& name, const std::vector<TTagAttribute>&, const std::string&,
                              std::string& replacement) {
    if (OnReplaceTag) OnReplaceTag(*this, name, replacement);
  };
  DeleteLeftoverHelper(lastUsedUpdateExeFileNameToDelete);
  justUpdated_ = !lastUsedUpdateExeFileNameToDelete.empty();
}

TAutoUpdater::~TAutoUpdater() = default;

void TAutoUpdater::DeleteLeftoverHelper(const std::string& path) {
  if (!path.empty() && FileExists(path)) ::unlink(path.c_str());
}

void TAutoUpdater::Verifier() {
  if (justUpdated_) {
    if (OnJustUpdated) OnJustUpdated(*this);
    if (!SearchUpdateEvenIfJustUpdated) return;
  }
  completed_ = true;
  infos_.reset();
  mandatoryCount_ = optionalCount_ = 0;
  std::unique_ptr<TXMLTUpdateInfos> infos;
  try {
    if (InfosProvider) infos = InfosProvider->LireInfos();
  } catch (const std::exception&) {
    return;  // no descriptor: no update, nothing shown
  }
  if (!infos) return;

  TXMLTUpdateInfoList& updates = infos->Updates();
  for (size_t i = updates.Count(); i-- > 0;) {
    TXMLTUpdateInfo& entry = updates[i];
    entry.SetFilename(tags_.Remplacer(entry.Filename()));
    entry.SetDescription(tags_.Remplacer(entry.Description()));
    CheckTargetPath(entry.Filename());
    if (!UpdateNeeded(entry)) updates.Delete(i);
  }
  TXMLTDeleteInfoList& deletes = infos->Deletes();
  for (size_t i = deletes.Count(); i-- > 0;) {
    TXMLTDeleteInfo& entry = deletes[i];
    entry.SetFilename(tags_.Remplacer(entry.Filename()));
    entry.SetDescription(tags_.Remplacer(entry.Description()));
    CheckTargetPath(entry.Filename());
    if (!FileExists(entry.Filename())) deletes.Delete(i);
  }
  for (size_t i = 0; i < updates.Count(); ++i) (updates[i].Mandatory() ? mandatoryCount_ : optionalCount_)++;
  infos_ = std::move(infos);
}

bool TAutoUpdater::UpdateNeeded(const TXMLTUpdateInfo& entry) const {
  const std::string target = entry.Filename();
  if (!FileExists(target)) return true;
  const std::string version = entry.Version();
  if (version.empty()) return std::to_string(FileCrc32(target)) != entry.Crc32();
  const auto installed = ReadFileVersion(target);
  if (!installed) throw EUpdateVersionInfoError(Format(Tr("The file %s has no version information."), {target}));
  const TFileVersion wanted = ParseVersionText(version);
  return HasNonZeroPart(wanted) && HasNonZeroPart(*installed) && VersionLower(*installed, wanted);
}

int TAutoUpdater::NombreATelecharger() const {
  int count = 0;
  if (infos_)
    for (size_t i = 0; i < infos_->Updates().Count(); ++i)
      if (!infos_->Updates()[i].NoUpdate()) ++count;
  return count;
}

void TAutoUpdater::Appliquer(unsigned selection) {
  if (!infos_ || (selection & (kMandatory | kOptional)) == 0) return;
  terminateRequired_ = false;
  selfUpdate_ = false;
  appliedCount_ = 0;
  completed_ = false;
  lastError_.clear();
  bool attached = false;
  try {
    TXMLTUpdateInfoList& updates = infos_->Updates();
    for (size_t i = 0; i < updates.Count(); ++i) {
      TXMLTUpdateInfo& entry = updates[i];
      if ((selection & (entry.Mandatory() ? kMandatory : kOptional)) == 0) continue;
      if (!attached && StreamDownloader) {
        StreamDownloader->SetEvenements(this);
        attached = true;
      }
      ApplyUpdate(entry);
    }
    for (size_t i = 0; i < infos_->Deletes().Count(); ++i) ApplyDelete(infos_->Deletes()[i]);
    completed_ = true;
  } catch (const std::exception& e) {
    lastError_ = e.what();
  }
  // The downloader may outlive this engine: never leave it pointing here.
  if (attached) StreamDownloader->SetEvenements(nullptr);
  currentEntry_ = nullptr;
  if (OnUpdateTerminated) OnUpdateTerminated(*this);
}

void TAutoUpdater::ApplyUpdate(TXMLTUpdateInfo& entry) {
  currentEntry_ = &entry;
  if (!entry.NoUpdate()) {
    const std::string target = entry.Filename();
    CheckTargetPath(target);
    if (!StreamDownloader) throw EUpdateDownloadError(Tr("No downloader is set for the updates."));
    std::string url = entry.Url();
    if (BeforeDownload) BeforeDownload(*this, url);
    if (infos_->FilesOverHttpsOnly() && UrlScheme(url) != "https")
      throw EUpdateDownloadError(Format(
          Tr("The address %s is refused: the update descriptor came over HTTPS, so its files must too."),
          {UrlWithoutPassword(url)}));
    const std::string temp = CreateUniqueTempFile("UPDT");
    try {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      if (!out) throw EUpdateFileError(Format(Tr("Cannot write the temporary file %s."), {temp}));
      if (!StreamDownloader->Telecharger(url, out))
        throw EUpdateDownloadError(Format(Tr("The address %s cannot be downloaded (unsupported scheme)."), {url}));
      out.close();
      if (!out) throw EUpdateFileError(Format(Tr("Cannot write the temporary file %s."), {temp}));
      VerifyDownload(entry, url, temp);
      TakeTargetMode(temp, target);
      if (entry.Restart()) {
        const bool self = IsOwnExecutable(target);
        std::vector<std::string> args = {"-src", temp, "-dest", target, "-pid", std::to_string(::getpid())};
        if (self) {
          args.push_back("-params");
          args.push_back(helper::EncodeParams(program_.arguments));
        }
        args.push_back("-action");
        args.push_back(std::to_string(self ? helper::kActionMoveAndRestart : helper::kActionMove));
        StartHelper(args);
        terminateRequired_ = true;
        selfUpdate_ = selfUpdate_ || self;
      } else {
        InstallFile(temp, target);
      }
    } catch (...) {
      ::unlink(temp.c_str());
      throw;
    }
  }
  ++appliedCount_;
  if (OnUpdateApplied) OnUpdateApplied(*this);
  currentEntry_ = nullptr;
}

void TAutoUpdater::VerifyDownload(const TXMLTUpdateInfo& entry, const std::string& url,
                                  const std::string& file) const {
  const std::string version = entry.Version();
  if (!version.empty()) {
    const auto actual = ReadFileVersion(file);
    if (!actual || !(*actual == ParseVersionText(version)))
      throw EUpdateDownloadError(Format(Tr("The file downloaded from %s is not version %s."), {url, version}));
  } else if (std::to_string(FileCrc32(file)) != entry.Crc32()) {
    throw EUpdateDownloadError(Format(Tr("The file downloaded from %s does not match its CRC-32."), {url}));
  }
  const std::string sha256 = entry.Sha256();
  if (sha256.empty()) return;
  if (!IsSha256Text(sha256))
    throw EUpdateDownloadError(Format(Tr("The SHA-256 announced for %s is not 64 hexadecimal digits."), {url}));
  if (FileSha256(file) != LowerHex(sha256))
    throw EUpdateDownloadError(Format(Tr("The file downloaded from %s does not match its SHA-256."), {url}));
}

void TAutoUpdater::ApplyDelete(const TXMLTDeleteInfo& entry) {
  const std::string target = entry.Filename();
  CheckTargetPath(target);
  if (!entry.Restart()) {
    ::unlink(target.c_str());  // a failure is ignored
    return;
  }
  StartHelper({"-dest", target, "-action", std::to_string(helper::kActionDelete), "-pid", std::to_string(::getpid())});
  terminateRequired_ = true;
}

void TAutoUpdater::StartHelper(const std::vector<std::string>& args) {
  if (helperPath_.empty() || !FileExists(helperPath_)) helperPath_ = WriteHelperImage();
  StartProcess(helperPath_, args);
}

bool TAutoUpdater::IsOwnExecutable(const std::string& path) const {
  std::error_code ec;
  if (std::filesystem::equivalent(path, program_.exePath, ec)) return true;
  return std::filesystem::path(path).lexically_normal() == std::filesystem::path(program_.exePath).lexically_normal();
}

void TAutoUpdater::DebutTravail(int64_t total) {
  if (OnWorkBegin) OnWorkBegin(*this, total);
}

void TAutoUpdater::Travail(int64_t done) {
  if (OnWork) OnWork(*this, done);
}

void TAutoUpdater::FinTravail() {
  if (OnWorkEnd) OnWorkEnd(*this);
}

}  // namespace corvane::update
