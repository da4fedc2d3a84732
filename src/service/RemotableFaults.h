#pragma once
// SOAP faults as errors. ERemotableException is the generic service fault (any fault that is not
// of the service's own family); ERemotableTarvenholtException roots the family, whose kinds are
// identified on the wire by the type name and namespace on the fault's `detail` element.
//
// Each kind's message is a fixed, translatable text (GetResStringRec); ReplaceServiceMessage puts
// the translated text in place of the one the service sent. The service side throws the same
// classes and writes them back with their wire identification.

#include <memory>
#include <string>
#include <string_view>

#include "service/ServiceErrors.h"

namespace corvane::service {

inline constexpr std::string_view kAccesRestreintExceptionsNs =
    "urn:UAccesRestreintInvokableExceptions";
inline constexpr std::string_view kCorvaneExceptionsNs = "urn:UCorvaneRemotableExceptions";

// The text the service puts in a generic fault when a customer identifier is already used.
inline constexpr std::string_view kDuplicateClientIdMarker = "C_UK_IDEN_GRA";

class ERemotableException : public EServiceError {
public:
  using EServiceError::EServiceError;

  // As received ("SOAP-ENV:Server", ...); empty when absent.
  const std::string& faultCode() const { return faultCode_; }
  const std::string& faultActor() const { return faultActor_; }
  // The whole XML text of the fault's detail element; empty when absent.
  const std::string& faultDetail() const { return faultDetail_; }
  void setFaultCode(std::string v) { faultCode_ = std::move(v); }
  void setFaultActor(std::string v) { faultActor_ = std::move(v); }
  void setFaultDetail(std::string v) { faultDetail_ = std::move(v); }

  // Wire identification of the kind; empty for the generic fault.
  virtual std::string_view typeNamespace() const { return {}; }
  virtual std::string_view typeName() const { return {}; }

private:
  std::string faultCode_;
  std::string faultActor_;
  std::string faultDetail_;
};

class ERemotableTarvenholtException : public ERemotableException {
public:
  using ERemotableException::ERemotableException;
  // The kind's own message, untranslated.
  virtual std::string_view resString() const = 0;
};

#define CORVANE_FAULT_KIND(Kind, Namespace, Text)                                       \
  class Kind : public ERemotableTarvenholtException {                                   \
  public:                                                                               \
    using ERemotableTarvenholtException::ERemotableTarvenholtException;                 \
    static constexpr std::string_view kTypeName = #Kind;                                \
    static constexpr std::string_view kNamespace = Namespace;                           \
    static std::string_view GetResStringRec() { return Text; }                          \
    std::string_view typeNamespace() const override { return kNamespace; }              \
    std::string_view typeName() const override { return kTypeName; }                    \
    std::string_view resString() const override { return GetResStringRec(); }          \
  };

CORVANE_FAULT_KIND(ERemotableInvalideSession, kAccesRestreintExceptionsNs,
                   "Session non valide.\r\nSoit votre session a expiré, soit vous n'êtes pas "
                   "autorisé(e) à faire cette opération.")
CORVANE_FAULT_KIND(ERemotableOperationNonAutorisee, kCorvaneExceptionsNs, "Unauthorized operation")
CORVANE_FAULT_KIND(ERemotableEchecAuthentification, kCorvaneExceptionsNs,
                   "Incorrect ID or password.")
CORVANE_FAULT_KIND(ERemotableEchecSuppressionAgent, kCorvaneExceptionsNs,
                   "The agent can't be deleted.")
CORVANE_FAULT_KIND(ERemotableEchecModificationMotDePasse, kCorvaneExceptionsNs,
                   "The password can't be changed.")
CORVANE_FAULT_KIND(ERemotableEchecIntegrite, kCorvaneExceptionsNs, "Integrity violation")
CORVANE_FAULT_KIND(ERemotableIdentifiantIncorrect, kCorvaneExceptionsNs,
                   "This ID is incorrect or already existing.")
CORVANE_FAULT_KIND(ERemotableIdentifiantNonTrouve, kCorvaneExceptionsNs,
                   "Incorrect client ID.\r\nPlease contact us by another way to get an avaible ID.")
CORVANE_FAULT_KIND(ERemotableClientsConnusSeulement, kCorvaneExceptionsNs,
                   "Only identified clients can get assistance.\r\nPlease contact us by another "
                   "way to get an ID.")

#undef CORVANE_FAULT_KIND

// The kind registered for (namespace, type name), created with the given message; a generic
// ERemotableException when the pair names no kind of the family.
std::unique_ptr<ERemotableException> CreateFault(std::string_view typeNamespace,
                                                 std::string_view typeName, std::string message);

// Sets the message of a family error to its kind's translated text. The application-wide error
// handler calls it before showing the error.
void ReplaceServiceMessage(ERemotableTarvenholtException& error);

// A generic fault whose text contains kDuplicateClientIdMarker reports a customer identifier
// already used in the group: its text becomes "Client ID already used." (translated). Returns
// whether the rule applied. Family errors are left alone.
bool ReplaceDuplicateClientIdMessage(ERemotableException& error);

// Rethrows a fault error with its dynamic type preserved (for code holding it by pointer).
[[noreturn]] void RethrowFault(std::unique_ptr<ERemotableException> error);

}  // namespace corvane::service
