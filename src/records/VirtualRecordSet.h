#pragma once
// The in-memory record set behind every list of the console. It has no storage of its own: a
// fixed list of declared, typed fields, and callbacks through which the owning module supplies
// the rows (count, values), receives posted and deleted rows and answers locate requests.
//
// Besides the cursor operations the modules and windows use (open, first, next, edit, post, ...),
// it offers random access by (row, field) and change notifications, so that an item model can
// wrap it for a grid without moving the cursor.
//
// Rows as a grid sees them ("display rows") are the stored rows plus, while inserting, the
// pending new row at `editRow()`; the stored rows from there on are shown one position lower.
// `valueAt` and `textAt` take display rows and read the edit buffer for the row being edited.
// Notifications come in the pairs a table model needs: "about to" before the rows change,
// the done notification after, so that an adapter never has to reset on a keystroke.
//
// Threads: main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/Variant.h"

namespace corvane::records {

enum class FieldType { String, Integer, SmallInt, Boolean, DateTime, Memo };

enum class RecordSetState { Inactive, Browse, Edit, Insert };

class VirtualRecordSet;

struct FieldDef {
  std::string name;
  FieldType type = FieldType::String;
  int size = 0;                // strings: most characters the agent can type (values read stay whole)
  std::string displayLabel;    // English caption, translated when shown; empty: the name
  int displayWidth = 0;        // in characters; 0: the type's default
  bool visible = true;
  bool required = false;
  bool readOnly = false;
  std::optional<int64_t> minValue, maxValue;  // integers
  std::string displayFormat;                  // date-times, FormatDateTime patterns
  // Rewrites a value for display; `row` is the stored row shown (the current row while editing,
  // -1 for a pending new row, which has no stored row yet).
  std::function<std::string(int row, const Variant& value)> getText;
  // Turns an edited text into the value stored.
  std::function<Variant(std::string_view text)> setText;
  // Runs after the field's value changed while editing; throwing restores the old value.
  std::function<void()> onValidate;
};

// One field of a record set, read and written at the current row (or the edit buffer).
class Field {
public:
  const FieldDef& def() const { return def_; }
  const std::string& name() const { return def_.name; }
  int index() const { return index_; }
  // The translated display label, or the name when there is none.
  std::string displayLabel() const;

  Variant value() const;
  bool isNull() const { return IsNull(value()); }
  std::string asString() const;  // the display text (getter, display format)
  int64_t asInteger() const;     // 0 when null
  double asDateTime() const;     // 0 when null
  bool asBoolean() const;

  // Only while editing or inserting. Converts to the field's type (EDataSetError when it does
  // not), cuts a string to the field's size, checks the range, stores, then runs the validation
  // callback.
  void setValue(const Variant& value);
  void setAsString(std::string_view text);  // through the text setter when there is one

private:
  friend class VirtualRecordSet;
  Field(VirtualRecordSet& owner, FieldDef def, int index)
      : owner_(owner), def_(std::move(def)), index_(index) {}
  VirtualRecordSet& owner_;
  FieldDef def_;
  int index_;
};

class VirtualRecordSet {
public:
  struct Callbacks {
    std::function<void()> beforeOpen;  // the module fills its list
    std::function<int()> recordCount;
    std::function<Variant(int row, const Field& field)> fieldValue;
    // Posted values are readable from the fields while this runs.
    std::function<void(int row, RecordSetState state)> postData;
    std::function<void(int row)> deleteRecord;
    // Row position of the first record whose `keyField` equals `value`, or -1.
    std::function<int(std::string_view keyField, const Variant& value)> locate;
    std::function<void()> beforePost;
    std::function<void()> beforeRefresh;
    std::function<void()> afterScroll;
  };

  // AboutToReset / Reset: every row may change (open, close, refresh, or a post or delete whose
  //   effect on the rows is not the expected one); re-read everything after Reset.
  // RowAboutToBeInserted / RowInserted (row): a display row appears at `row`.
  // RowAboutToBeRemoved / RowRemoved (row): the display row at `row` goes.
  // RowChanged (row): values of that display row changed, the row count did not.
  // CurrentRow: the cursor moved; State: the edit state changed.
  enum class Change {
    Reset,
    RowChanged,
    RowInserted,
    RowRemoved,
    CurrentRow,
    State,
    AboutToReset,
    RowAboutToBeInserted,
    RowAboutToBeRemoved,
  };
  using Listener = std::function<void(Change change, int row)>;

  explicit VirtualRecordSet(std::string name);
  VirtualRecordSet(const VirtualRecordSet&) = delete;
  VirtualRecordSet& operator=(const VirtualRecordSet&) = delete;

  const std::string& name() const { return name_; }
  void addField(FieldDef def);  // only while closed
  int fieldCount() const { return static_cast<int>(fields_.size()); }
  Field& field(int index) { return *fields_.at(static_cast<size_t>(index)); }
  const Field& field(int index) const { return *fields_.at(static_cast<size_t>(index)); }
  Field* findField(std::string_view name);
  const Field* findField(std::string_view name) const;
  Field& fieldByName(std::string_view name);  // EDataSetError when missing
  const Field& fieldByName(std::string_view name) const;

  Callbacks& callbacks() { return callbacks_; }

  // Cursor and state.
  RecordSetState state() const { return state_; }
  bool active() const { return state_ != RecordSetState::Inactive; }
  bool editing() const { return state_ == RecordSetState::Edit || state_ == RecordSetState::Insert; }
  void open();
  void close();
  void refresh();  // close and open again
  void cancel();   // drops a pending edit or insertion
  void edit();
  void insert();   // a new row before the current one
  void append();   // a new row after the last one
  void post();
  void deleteRecord();
  bool locate(std::string_view keyField, const Variant& value);
  void first();
  void next();
  void prior();
  void last();
  void moveTo(int row);
  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  int recordCount() const;  // stored rows, without a pending insertion
  // The rows a grid shows: the stored rows plus the pending inserted row, if any.
  int displayRowCount() const;
  int recNo() const { return current_; }  // -1 when there is no row
  // Display row of the pending edit or insertion; -1 when not editing.
  int editRow() const { return editing() ? editRow_ : -1; }

  // Random access for item models by display row; the cursor does not move. Values are
  // converted to the field's type (empty when the supplied value does not convert); the row
  // being edited or inserted shows the edit buffer.
  Variant valueAt(int row, int fieldIndex) const;
  std::string textAt(int row, int fieldIndex) const;

  int addListener(Listener listener);
  void removeListener(int id);

private:
  friend class Field;
  Variant currentValue(int fieldIndex) const;
  Variant storedValue(int row, int fieldIndex) const;
  int storedRowOf(int displayRow) const;  // -1 for the pending inserted row
  void beginInsertion(int row);
  void endPendingInsertion();
  void storeValue(int fieldIndex, Variant value);
  void notify(Change change, int row);
  void scrolled();
  void requireActive() const;
  void checkBrowse();

  std::string name_;
  std::vector<std::unique_ptr<Field>> fields_;
  Callbacks callbacks_;
  RecordSetState state_ = RecordSetState::Inactive;
  int current_ = -1;
  int editRow_ = -1;  // row position of the pending edit or insertion
  bool bof_ = true, eof_ = true;
  std::vector<Variant> buffer_;
  std::vector<std::pair<int, Listener>> listeners_;
  int nextListenerId_ = 1;
};

// Converts a value to a field type's representation: text for strings (empty text is null; no
// length limit, the size applies to edits only), integers, booleans, day numbers. Throws
// EDataSetError naming the field when it does not convert.
Variant ConvertForField(const FieldDef& def, const Variant& value);

}  // namespace corvane::records
