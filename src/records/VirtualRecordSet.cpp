#include "records/VirtualRecordSet.h"

#include <algorithm>
#include <cmath>

#include "base/Format.h"
#include "base/Translate.h"
#include "records/DateTimeText.h"
#include "records/RecordsErrors.h"
#include "service/ServiceErrors.h"

namespace corvane::records {
namespace {

// Keeps at most `size` UTF-8 characters.
std::string TruncateChars(std::string text, int size) {
  if (size <= 0) return text;
  int chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == size) {
        text.resize(i);
        break;
      }
      ++chars;
    }
  }
  return text;
}

[[noreturn]] void BadValue(const FieldDef& def, const Variant& value, std::string_view kind) {
  throw EDataSetError(base::Format(base::Tr("'%s' is not a valid %s value for field '%s'"),
                                   {service::ToText(value), base::Tr(kind), def.name}));
}

}  // namespace

Variant ConvertForField(const FieldDef& def, const Variant& value) {
  if (IsNull(value)) return value;
  switch (def.type) {
    case FieldType::String:
    case FieldType::Memo: {
      std::string text = service::ToText(value);
      if (text.empty()) return {};
      return text;
    }
    case FieldType::Integer:
    case FieldType::SmallInt: {
      int64_t v = 0;
      if (std::holds_alternative<int64_t>(value)) {
        v = std::get<int64_t>(value);
      } else if (std::holds_alternative<bool>(value)) {
        v = std::get<bool>(value) ? 1 : 0;
      } else if (std::holds_alternative<double>(value)) {
        double d = std::get<double>(value);
        if (!std::isfinite(d) || std::fabs(d) > 9.0e15) BadValue(def, value, "integer");
        v = std::llround(d);
      } else {
        const std::string& text = std::get<std::string>(value);
        if (Trimmed(text).empty()) return {};
        std::optional<int64_t> parsed = ParseInteger(text);
        if (!parsed) BadValue(def, value, "integer");
        v = *parsed;
      }
      const int64_t lo = def.type == FieldType::SmallInt ? -32768 : INT32_MIN;
      const int64_t hi = def.type == FieldType::SmallInt ? 32767 : INT32_MAX;
      if (v < lo || v > hi) BadValue(def, value, "integer");
      return v;
    }
    case FieldType::Boolean:
      if (std::holds_alternative<std::string>(value) && Trimmed(std::get<std::string>(value)).empty())
        return {};
      try {
        return service::ToBoolean(value, def.name);
      } catch (const service::EPropertyError&) {
        BadValue(def, value, "boolean");
      }
    case FieldType::DateTime:
      if (std::holds_alternative<double>(value)) return value;
      if (std::holds_alternative<int64_t>(value)) return static_cast<double>(std::get<int64_t>(value));
      if (std::holds_alternative<std::string>(value)) {
        if (Trimmed(std::get<std::string>(value)).empty()) return {};
        if (auto parsed = service::ParseXsdDateTime(std::get<std::string>(value))) return *parsed;
      }
      BadValue(def, value, "date and time");
  }
  return {};
}

// ---- Field

std::string Field::displayLabel() const {
  return def_.displayLabel.empty() ? def_.name : base::Tr(def_.displayLabel);
}

Variant Field::value() const { return owner_.currentValue(index_); }

std::string Field::asString() const {
  Variant v = value();
  if (def_.getText)
    return def_.getText(owner_.state() == RecordSetState::Insert ? -1 : owner_.recNo(), v);
  if (IsNull(v)) return {};
  if (def_.type == FieldType::DateTime)
    return FormatDateTime(def_.displayFormat.empty() ? "dd/mm/yyyy hh:nn:ss" : def_.displayFormat,
                          std::get<double>(v));
  return service::ToText(v);
}

int64_t Field::asInteger() const {
  Variant v = value();
  if (IsNull(v)) return 0;
  if (std::holds_alternative<int64_t>(v)) return std::get<int64_t>(v);
  if (std::holds_alternative<bool>(v)) return std::get<bool>(v) ? 1 : 0;
  if (std::holds_alternative<double>(v)) return static_cast<int64_t>(std::get<double>(v));
  std::optional<int64_t> parsed = ParseInteger(std::get<std::string>(v));
  if (!parsed) BadValue(def_, v, "integer");
  return *parsed;
}

double Field::asDateTime() const {
  Variant v = value();
  if (std::holds_alternative<double>(v)) return std::get<double>(v);
  if (std::holds_alternative<int64_t>(v)) return static_cast<double>(std::get<int64_t>(v));
  return 0;
}

bool Field::asBoolean() const {
  Variant v = value();
  if (IsNull(v)) return false;
  FieldDef asBool;
  asBool.name = def_.name;
  asBool.type = FieldType::Boolean;
  Variant b = ConvertForField(asBool, v);
  return !IsNull(b) && std::get<bool>(b);
}

void Field::setValue(const Variant& value) {
  if (!owner_.editing())
    throw EDataSetError(base::Format(base::Tr("%s: Dataset not in edit or insert mode"), {owner_.name()}));
  if (def_.readOnly)
    throw EDataSetError(base::Format(base::Tr("Field '%s' cannot be modified"), {def_.name}));
  Variant converted = ConvertForField(def_, value);
  // The declared size bounds what the agent types; values the service sent are shown whole.
  if (def_.type == FieldType::String && std::holds_alternative<std::string>(converted))
    converted = TruncateChars(std::move(std::get<std::string>(converted)), def_.size);
  if (std::holds_alternative<int64_t>(converted) && (def_.minValue || def_.maxValue)) {
    int64_t v = std::get<int64_t>(converted);
    int64_t lo = def_.minValue.value_or(0), hi = def_.maxValue.value_or(0);
    if (v < lo || v > hi)
      throw EDataSetError(base::Format(
          base::Tr("%d is not a valid value for field '%s'. The allowed range is %d to %d"),
          {static_cast<long long>(v), def_.name, static_cast<long long>(lo), static_cast<long long>(hi)}));
  }
  Variant previous = owner_.currentValue(index_);
  owner_.storeValue(index_, std::move(converted));
  if (def_.onValidate) {
    try {
      def_.onValidate();
    } catch (...) {
      owner_.storeValue(index_, std::move(previous));
      throw;
    }
  }
}

void Field::setAsString(std::string_view text) {
  if (def_.setText) setValue(def_.setText(text));
  else setValue(std::string(text));
}

// ---- VirtualRecordSet

VirtualRecordSet::VirtualRecordSet(std::string name) : name_(std::move(name)) {}

void VirtualRecordSet::addField(FieldDef def) {
  if (active()) throw EDataSetError(base::Format(base::Tr("%s: Cannot perform this operation on an open dataset"), {name_}));
  int index = fieldCount();
  fields_.push_back(std::unique_ptr<Field>(new Field(*this, std::move(def), index)));
}

Field* VirtualRecordSet::findField(std::string_view name) {
  for (auto& f : fields_)
    if (service::EqualsIgnoreCase(f->name(), name)) return f.get();
  return nullptr;
}

const Field* VirtualRecordSet::findField(std::string_view name) const {
  return const_cast<VirtualRecordSet*>(this)->findField(name);
}

Field& VirtualRecordSet::fieldByName(std::string_view name) {
  Field* f = findField(name);
  if (!f) throw EDataSetError(base::Format(base::Tr("%s: Field '%s' not found"), {name_, name}));
  return *f;
}

const Field& VirtualRecordSet::fieldByName(std::string_view name) const {
  return const_cast<VirtualRecordSet*>(this)->fieldByName(name);
}

int VirtualRecordSet::recordCount() const {
  if (!active() || !callbacks_.recordCount) return 0;
  return std::max(0, callbacks_.recordCount());
}

int VirtualRecordSet::displayRowCount() const {
  return recordCount() + (state_ == RecordSetState::Insert ? 1 : 0);
}

int VirtualRecordSet::storedRowOf(int displayRow) const {
  if (state_ != RecordSetState::Insert || displayRow < editRow_) return displayRow;
  return displayRow == editRow_ ? -1 : displayRow - 1;
}

void VirtualRecordSet::requireActive() const {
  if (!active()) throw EDataSetError(base::Format(base::Tr("%s: Cannot perform this operation on a closed dataset"), {name_}));
}

void VirtualRecordSet::notify(Change change, int row) {
  // A listener may remove itself while being told; walk a copy.
  auto copy = listeners_;
  for (auto& [id, listener] : copy) listener(change, row);
}

int VirtualRecordSet::addListener(Listener listener) {
  listeners_.emplace_back(nextListenerId_, std::move(listener));
  return nextListenerId_++;
}

void VirtualRecordSet::removeListener(int id) {
  std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

void VirtualRecordSet::open() {
  if (active()) return;
  if (fields_.empty())
    throw EDataSetError(base::Tr("Virtual dataset can only be used with persistent fields."));
  notify(Change::AboutToReset, -1);
  if (callbacks_.beforeOpen) callbacks_.beforeOpen();
  state_ = RecordSetState::Browse;
  notify(Change::Reset, -1);
  first();
}

void VirtualRecordSet::close() {
  if (!active()) return;
  notify(Change::AboutToReset, -1);
  buffer_.clear();
  state_ = RecordSetState::Inactive;
  current_ = -1;
  bof_ = eof_ = true;
  notify(Change::Reset, -1);
}

void VirtualRecordSet::refresh() {
  requireActive();
  if (callbacks_.beforeRefresh) callbacks_.beforeRefresh();
  if (editing()) cancel();
  close();
  open();
}

void VirtualRecordSet::cancel() {
  if (!editing()) return;
  if (state_ == RecordSetState::Insert) {
    endPendingInsertion();
  } else {
    buffer_.clear();
    state_ = RecordSetState::Browse;
    notify(Change::RowChanged, editRow_);  // the row shows its stored values again
  }
  current_ = std::min(current_, recordCount() - 1);
  notify(Change::State, current_);
}

void VirtualRecordSet::endPendingInsertion() {
  const int row = editRow_;
  notify(Change::RowAboutToBeRemoved, row);
  buffer_.clear();
  state_ = RecordSetState::Browse;
  notify(Change::RowRemoved, row);
}

void VirtualRecordSet::checkBrowse() {
  requireActive();
  if (editing()) post();
}

void VirtualRecordSet::edit() {
  requireActive();
  if (editing()) return;
  if (current_ < 0) insert();
  else {
    buffer_.clear();
    for (int i = 0; i < fieldCount(); ++i) buffer_.push_back(storedValue(current_, i));
    editRow_ = current_;
    state_ = RecordSetState::Edit;
    notify(Change::State, current_);
  }
}

void VirtualRecordSet::insert() {
  checkBrowse();
  beginInsertion(std::max(current_, 0));
}

void VirtualRecordSet::append() {
  checkBrowse();
  beginInsertion(recordCount());
}

void VirtualRecordSet::beginInsertion(int row) {
  notify(Change::RowAboutToBeInserted, row);
  buffer_.assign(fields_.size(), Variant{});
  editRow_ = row;
  state_ = RecordSetState::Insert;
  notify(Change::RowInserted, row);
  notify(Change::State, row);
}

void VirtualRecordSet::post() {
  requireActive();
  if (!editing()) return;
  if (callbacks_.beforePost) callbacks_.beforePost();
  for (const auto& f : fields_)
    if (f->def().required && IsNull(buffer_[static_cast<size_t>(f->index())]))
      throw EMissingFieldValue(base::Format(base::Tr("Field '%s' must have a value"), {f->displayLabel()}));
  const RecordSetState posted = state_;
  const int row = editRow_;
  const int shownBefore = displayRowCount();
  // On failure the callback may have reloaded the record set (which ends the edit); otherwise the
  // edit stays pending so that the user can correct it.
  if (callbacks_.postData) callbacks_.postData(row, posted);
  buffer_.clear();
  state_ = RecordSetState::Browse;
  const int count = recordCount();
  current_ = count == 0 ? -1 : std::clamp(row, 0, count - 1);
  bof_ = eof_ = count == 0;
  // The module keeps the saved record at the edited position: the shown row now holds the stored
  // values. Any other outcome leaves no row mapping to announce.
  if (count == shownBefore && row >= 0 && row < count) {
    notify(Change::RowChanged, row);
  } else {
    notify(Change::AboutToReset, -1);
    notify(Change::Reset, -1);
  }
  notify(Change::State, current_);
  scrolled();
}

void VirtualRecordSet::deleteRecord() {
  requireActive();
  if (state_ == RecordSetState::Insert) {
    cancel();
    return;
  }
  if (editing()) cancel();
  if (current_ < 0) return;
  const int row = current_;
  const int countBefore = recordCount();
  notify(Change::RowAboutToBeRemoved, row);
  try {
    if (callbacks_.deleteRecord) callbacks_.deleteRecord(row);
  } catch (...) {
    // The announced removal must end; the rows are then re-read as they really are.
    notify(Change::RowRemoved, row);
    notify(Change::AboutToReset, -1);
    notify(Change::Reset, -1);
    throw;
  }
  const int count = recordCount();
  current_ = count == 0 ? -1 : std::min(row, count - 1);
  bof_ = eof_ = count == 0;
  notify(Change::RowRemoved, row);
  if (count != countBefore - 1) {
    notify(Change::AboutToReset, -1);
    notify(Change::Reset, -1);
  }
  scrolled();
}

bool VirtualRecordSet::locate(std::string_view keyField, const Variant& value) {
  checkBrowse();
  if (!callbacks_.locate) return false;
  int row = callbacks_.locate(keyField, value);
  if (row < 0 || row >= recordCount()) return false;
  moveTo(row);
  return true;
}

void VirtualRecordSet::scrolled() {
  notify(Change::CurrentRow, current_);
  if (callbacks_.afterScroll) callbacks_.afterScroll();
}

void VirtualRecordSet::first() {
  checkBrowse();
  const int count = recordCount();
  current_ = count > 0 ? 0 : -1;
  bof_ = true;
  eof_ = count == 0;
  scrolled();
}

void VirtualRecordSet::last() {
  checkBrowse();
  const int count = recordCount();
  current_ = count - 1;
  eof_ = true;
  bof_ = count == 0;
  scrolled();
}

void VirtualRecordSet::next() {
  checkBrowse();
  const int count = recordCount();
  if (current_ + 1 >= count) {
    eof_ = true;
    return;
  }
  ++current_;
  bof_ = eof_ = false;
  scrolled();
}

void VirtualRecordSet::prior() {
  checkBrowse();
  if (current_ <= 0) {
    bof_ = true;
    return;
  }
  --current_;
  bof_ = eof_ = false;
  scrolled();
}

void VirtualRecordSet::moveTo(int row) {
  checkBrowse();
  const int count = recordCount();
  if (row < 0 || row >= count) return;
  current_ = row;
  bof_ = eof_ = false;
  scrolled();
}

Variant VirtualRecordSet::valueAt(int row, int fieldIndex) const {
  if (!active() || row < 0 || row >= displayRowCount()) return {};
  if (editing() && row == editRow_) return buffer_.at(static_cast<size_t>(fieldIndex));
  return storedValue(storedRowOf(row), fieldIndex);
}

Variant VirtualRecordSet::storedValue(int row, int fieldIndex) const {
  if (!active() || !callbacks_.fieldValue || row < 0 || row >= recordCount()) return {};
  const Field& f = field(fieldIndex);
  try {
    return ConvertForField(f.def(), callbacks_.fieldValue(row, f));
  } catch (const EDataSetError&) {
    return {};  // a stored value the field cannot show is shown empty, not as an error per cell
  }
}

std::string VirtualRecordSet::textAt(int row, int fieldIndex) const {
  const Field& f = field(fieldIndex);
  Variant v = valueAt(row, fieldIndex);
  if (f.def().getText) return f.def().getText(storedRowOf(row), v);
  if (IsNull(v)) return {};
  if (f.def().type == FieldType::DateTime)
    return FormatDateTime(f.def().displayFormat.empty() ? "dd/mm/yyyy hh:nn:ss" : f.def().displayFormat,
                          std::get<double>(v));
  return service::ToText(v);
}

Variant VirtualRecordSet::currentValue(int fieldIndex) const {
  if (editing()) return buffer_.at(static_cast<size_t>(fieldIndex));
  return storedValue(current_, fieldIndex);
}

void VirtualRecordSet::storeValue(int fieldIndex, Variant value) {
  buffer_.at(static_cast<size_t>(fieldIndex)) = std::move(value);
  notify(Change::RowChanged, editRow_);
}

}  // namespace corvane::records
