#include "shell/ServiceErrorClassifier.h"

#include "service/RemotableFaults.h"
#include "service/ServiceErrors.h"

namespace corvane::shell {
namespace {

ErrorDescription fault(ErrorKind kind, const service::ERemotableException& e) {
  ErrorDescription d;
  d.kind = kind;
  d.message = e.message();
  d.faultCode = e.faultCode();
  d.faultActor = e.faultActor();
  d.faultDetail = e.faultDetail();
  return d;
}

}  // namespace

std::optional<ErrorDescription> ClassifyServiceError(const std::exception_ptr& error) {
  if (!error) return std::nullopt;
  try {
    std::rethrow_exception(error);
  } catch (const service::ERemotableInvalideSession& e) {
    ErrorDescription d = fault(ErrorKind::InvalidSession, e);
    d.kindMessage = std::string(e.resString());
    return d;
  } catch (const service::ERemotableTarvenholtException& e) {
    ErrorDescription d = fault(ErrorKind::ServiceFamilyFault, e);
    d.kindMessage = std::string(e.resString());
    return d;
  } catch (const service::ERemotableException& e) {
    return fault(ErrorKind::ServiceFault, e);
  } catch (const service::ENotWellFormedAnswer& e) {
    return ErrorDescription{ErrorKind::ServerUnreachable, e.message(), {}, {}, {}, {}};
  } catch (const service::EConnectTimeout& e) {
    return ErrorDescription{ErrorKind::ServerUnreachable, e.message(), {}, {}, {}, {}};
  } catch (const service::EReadTimeout& e) {
    return ErrorDescription{ErrorKind::ServerUnreachable, e.message(), {}, {}, {}, {}};
  } catch (const service::EServiceError& e) {
    return ErrorDescription{ErrorKind::Other, e.message(), {}, {}, {}, {}};
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace corvane::shell
