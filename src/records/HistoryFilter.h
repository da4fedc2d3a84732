#pragma once
// What the history reads from the filter window: the period [start, end) in local time, the
// criteria, and the captions the export writes. TFiltresAssistances implements it.

#include <string>

#include "service/Remotables.h"

namespace corvane::records {

class HistoryFilter {
public:
  virtual ~HistoryFilter() = default;
  virtual service::TDateTime DateDebut() const = 0;  // included
  virtual service::TDateTime DateFin() const = 0;    // not included
  // A new filter record with every property of the working filter.
  virtual service::TRemotableFiltre Criteres() const = 0;
  virtual std::string LibellePeriode() const = 0;
  virtual std::string LibelleCriteres() const = 0;
};

}  // namespace corvane::records
