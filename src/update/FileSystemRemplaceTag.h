#pragma once
// The tag replacer that knows the file-system tags: appexename (the running executable), app (its
// folder, with a trailing "/"), and the special folders of SpecialFolders.h. Other names go to
// OnReplaceTag. A block's inner text is dropped for these tags.

#include <string>

#include "update/RemplaceTag.h"
#include "update/SpecialFolders.h"

namespace corvane::update {

class TFileSystemRemplaceTag : public TCustomRemplaceTag {
public:
  TFileSystemRemplaceTag(std::string prefix, std::string exePath, SpecialFolders folders);

protected:
  void ReplaceTag(const std::string& name, const std::vector<TTagAttribute>& attributes, const std::string& inner,
                  std::string& replacement) override;

private:
  std::string exePath_;
  SpecialFolders folders_;
};

}  // namespace corvane::update
