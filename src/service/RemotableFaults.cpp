#include "service/RemotableFaults.h"

#include <functional>

#include "base/Translate.h"

namespace corvane::service {
namespace {

struct FaultKind {
  std::string_view ns;
  std::string_view name;
  std::unique_ptr<ERemotableException> (*create)(std::string message);
  void (*rethrow)(const ERemotableException& error);
};

template <class K>
FaultKind Kind() {
  return {K::kNamespace, K::kTypeName,
          [](std::string message) -> std::unique_ptr<ERemotableException> {
            return std::make_unique<K>(std::move(message));
          },
          [](const ERemotableException& error) { throw static_cast<const K&>(error); }};
}

const FaultKind* FindKind(std::string_view ns, std::string_view name) {
  static const FaultKind kKinds[] = {
      Kind<ERemotableInvalideSession>(),       Kind<ERemotableOperationNonAutorisee>(),
      Kind<ERemotableEchecAuthentification>(), Kind<ERemotableEchecSuppressionAgent>(),
      Kind<ERemotableEchecModificationMotDePasse>(), Kind<ERemotableEchecIntegrite>(),
      Kind<ERemotableIdentifiantIncorrect>(),  Kind<ERemotableIdentifiantNonTrouve>(),
      Kind<ERemotableClientsConnusSeulement>()};
  for (const FaultKind& k : kKinds)
    if (k.ns == ns && k.name == name) return &k;
  return nullptr;
}

}  // namespace

std::unique_ptr<ERemotableException> CreateFault(std::string_view typeNamespace,
                                                 std::string_view typeName, std::string message) {
  if (const FaultKind* kind = FindKind(typeNamespace, typeName))
    return kind->create(std::move(message));
  return std::make_unique<ERemotableException>(std::move(message));
}

void ReplaceServiceMessage(ERemotableTarvenholtException& error) {
  error.setMessage(base::Tr(error.resString()));
}

bool ReplaceDuplicateClientIdMessage(ERemotableException& error) {
  if (dynamic_cast<ERemotableTarvenholtException*>(&error)) return false;
  if (error.message().find(kDuplicateClientIdMarker) == std::string::npos) return false;
  error.setMessage(base::Tr("Client ID already used."));
  return true;
}

void RethrowFault(std::unique_ptr<ERemotableException> error) {
  if (const FaultKind* kind = FindKind(error->typeNamespace(), error->typeName()))
    kind->rethrow(*error);
  throw ERemotableException(*error);
}

}  // namespace corvane::service
