#include "shell/ErrorMapping.h"

#include <mutex>
#include <vector>

#include "base/Format.h"
#include "base/Translate.h"
#include "shell/RacineServeur.h"

namespace corvane::shell {
namespace {

constexpr std::string_view kDuplicateClientIdMarker = "C_UK_IDEN_GRA";

constexpr std::string_view kTexteClientIdDejaUtilise = "Client ID already used.";
constexpr std::string_view kTextePortOccupe = "The port %d is busy. You are not connected.";
constexpr std::string_view kTexteValeurManquante = "Missing expected value.";
constexpr std::string_view kTexteConnexionImpossible = "Can't connect to the server %s";
constexpr std::string_view kTexteErreurInconnue = "Unknown error";

std::mutex classifiersMutex;
std::vector<ErrorClassifier>& classifiers() {
  static std::vector<ErrorClassifier> list;
  return list;
}

// The translated format, or the English one when a catalogue's translation does not fit the
// arguments: an error box must never fail on a faulty catalogue.
std::string formatTranslated(std::string_view english, std::initializer_list<base::FormatArg> args) {
  try {
    return base::Format(base::Tr(english), args);
  } catch (const base::FormatError&) {
    return base::Format(english, args);
  }
}

std::string trimRight(std::string text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  return text;
}

}  // namespace

std::string AppendFullStop(std::string text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text.push_back('.');
  return text;
}

ErrorReaction MapError(const ErrorDescription& error, const ErrorContext& context) {
  if (error.kind == ErrorKind::GridOperation) return {};

  std::string text = error.message;
  const bool family = error.kind == ErrorKind::ServiceFamilyFault || error.kind == ErrorKind::InvalidSession;
  if (family) text = base::Tr(error.kindMessage);

  if ((error.kind == ErrorKind::ServiceFault || family) && text.find(kDuplicateClientIdMarker) != std::string::npos)
    text = base::Tr(kTexteClientIdDejaUtilise);
  else if (error.kind == ErrorKind::ListenerPortBusy)
    text = formatTranslated(kTextePortOccupe, {context.portNegociation});
  else if (error.kind == ErrorKind::MissingValue)
    text = base::Tr(kTexteValeurManquante);
  else if (error.kind == ErrorKind::ServerUnreachable) {
    // The built-in root is not shown; the blank before the placeholder goes with it.
    const bool defaultRoot = EstRacineParDefaut(context.racineServeur);
    text = formatTranslated(kTexteConnexionImpossible, {defaultRoot ? std::string() : context.racineServeur});
    if (defaultRoot) text = trimRight(std::move(text));
  }

  ErrorReaction reaction;
  if (error.kind == ErrorKind::InvalidSession) {
    if (context.reloginEnCours) return {};
    reaction.startRelogin = true;
  }
  reaction.show = !text.empty();
  if (reaction.show) reaction.text = AppendFullStop(std::move(text));
  return reaction;
}

void RegisterErrorClassifier(ErrorClassifier classifier) {
  std::lock_guard lock(classifiersMutex);
  classifiers().push_back(std::move(classifier));
}

ErrorDescription DescribeError(const std::exception_ptr& error) {
  if (!error) return {};
  std::vector<ErrorClassifier> list;
  {
    std::lock_guard lock(classifiersMutex);
    list = classifiers();
  }
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (auto description = (*it)(error)) return *description;
  ErrorDescription d;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    d.message = e.what();
  } catch (...) {
    d.message = base::Tr(kTexteErreurInconnue);
  }
  return d;
}

}  // namespace corvane::shell
