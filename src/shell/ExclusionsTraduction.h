#pragma once
// What window translation leaves alone: whole classes (IgnorerClasse) and single properties of a
// class and its descendants (IgnorerPropriete). The windows' translator asks with the class chain
// of the object, most derived first; "*" as a class stands for every object. Names compare without
// regard to case.
//
// Threads: registration at start-up and lookups during window translation may come from any
// thread; one mutex guards both sets.

#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::shell {

inline constexpr std::string_view kToutesClasses = "*";

class TExclusionsTraduction {
public:
  void IgnorerClasse(std::string_view className);
  void IgnorerPropriete(std::string_view className, std::string_view property);

  // classChain: the object's class and its ancestors, most derived first.
  bool EstClasseIgnoree(const std::vector<std::string>& classChain) const;
  bool EstProprieteIgnoree(const std::vector<std::string>& classChain, std::string_view property) const;

private:
  mutable std::mutex mutex_;
  std::set<std::string> classes_;
  std::set<std::pair<std::string, std::string>> properties_;
};

// Registers what no window translation may touch, program-wide: component names (`Name`, and Qt's
// `objectName`), collection items' `PropName`, everything inside fonts, `FieldName` of record sets
// and fields, `DataField` of any object, `Category` of actions, and the update providers'
// `RemoteURL` and `RemoteDocument`. Both the original class names and the Qt classes a window
// translator meets are listed. Called at start-up through RegisterErrorClassifiersAndExclusions.
void EnregistrerExclusionsProgramme(TExclusionsTraduction& exclusions);

// The program-wide registry every window translation honours.
TExclusionsTraduction& ExclusionsTraduction();
inline void IgnorerClasse(std::string_view className) { ExclusionsTraduction().IgnorerClasse(className); }
inline void IgnorerPropriete(std::string_view className, std::string_view property) {
  ExclusionsTraduction().IgnorerPropriete(className, property);
}

}  // namespace corvane::shell
