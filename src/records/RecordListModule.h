#pragma once
// The common part of the agents and customers modules: an owning list of service records shown
// through a virtual record set, with posting, deleting, re-reading and locating done one record
// at a time through the controller's wrappers.
//
// Threads: main thread only.

#include <memory>
#include <string>
#include <vector>

#include "records/GestionRTTIProprietes.h"
#include "records/VirtualRecordSet.h"
#include "service/ServiceGateway.h"

namespace corvane::records {

template <class R>
class RecordListModule {
public:
  RecordListModule(service::ServiceGateway& controller, std::string recordSetName)
      : controller_(controller), set_(std::move(recordSetName)) {
    auto& cb = set_.callbacks();
    cb.beforeOpen = [this] { load(); };
    cb.recordCount = [this] { return static_cast<int>(list_.size()); };
    cb.fieldValue = [this](int row, const Field& f) {
      reader_.setObjet(list_[static_cast<size_t>(row)].get());
      return reader_.getValue(f.name());
    };
    cb.postData = [this](int row, RecordSetState state) { postRow(row, state); };
    cb.deleteRecord = [this](int row) {
      remove(idOf(*list_[static_cast<size_t>(row)]));
      list_.erase(list_.begin() + row);
    };
    cb.locate = [this](std::string_view key, const Variant& value) { return locateRow(key, value); };
    cb.beforePost = [this] { fillDefaults(); };
  }
  virtual ~RecordListModule() = default;
  RecordListModule(const RecordListModule&) = delete;
  RecordListModule& operator=(const RecordListModule&) = delete;

  VirtualRecordSet& recordSet() { return set_; }
  const VirtualRecordSet& recordSet() const { return set_; }
  const std::vector<std::unique_ptr<R>>& items() const { return list_; }

  // Close and open again, which reloads the list from the service.
  void refresh() {
    set_.close();
    set_.open();
  }
  // Drops a pending edit or insertion, then closes.
  void cancelAndClose() {
    set_.cancel();
    set_.close();
  }
  int recordCount() const { return set_.recordCount(); }

protected:
  virtual std::vector<R> listAll() = 0;
  virtual std::string add(const R& record) = 0;
  virtual void update(const R& record) = 0;
  virtual R read(const std::string& id) = 0;
  virtual void remove(const std::string& id) = 0;
  virtual std::string& idOf(R& record) = 0;
  virtual void fillDefaults() {}

  // Sets `field` to `value` when it is null (defaults of a new row).
  void defaultIfNull(std::string_view field, const Variant& value) {
    Field& f = set_.fieldByName(field);
    if (f.isNull()) f.setValue(value);
  }

  service::ServiceGateway& controller_;
  VirtualRecordSet set_;

private:
  void load() {
    list_.clear();
    for (R& r : listAll()) list_.push_back(std::make_unique<R>(std::move(r)));
  }

  int locateRow(std::string_view key, const Variant& value) {
    for (size_t i = 0; i < list_.size(); ++i) {
      reader_.setObjet(list_[i].get());
      if (VariantEquals(reader_.getValue(key), value)) return static_cast<int>(i);
    }
    return -1;
  }

  void postRow(int row, RecordSetState state) {
    try {
      R record;
      TGestionRTTIProprietes writer(&record);
      for (int i = 0; i < set_.fieldCount(); ++i) writer.setValue(set_.field(i).name(), set_.field(i).value());
      if (state == RecordSetState::Edit) {
        update(record);
        if (row >= 0 && row < static_cast<int>(list_.size())) list_.erase(list_.begin() + row);
      } else {
        idOf(record) = add(record);
      }
      auto saved = std::make_unique<R>(read(idOf(record)));
      if (row >= 0 && row < static_cast<int>(list_.size())) list_.insert(list_.begin() + row, std::move(saved));
      else list_.push_back(std::move(saved));
    } catch (...) {
      // The grid must show the service's state, not the refused change. The save's own error is
      // the one reported, also when the service cannot be reached for the reload.
      try {
        set_.refresh();
      } catch (...) {
      }
      throw;
    }
  }

  std::vector<std::unique_ptr<R>> list_;
  TGestionRTTIProprietes reader_;
};

}  // namespace corvane::records
