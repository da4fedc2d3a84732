#include "records/DataGridRules.h"

#include "base/Translate.h"

namespace corvane::records {
namespace {

bool IntegerField(const FieldDef& def) {
  return def.type == FieldType::SmallInt || def.type == FieldType::Integer;
}

bool SetCheckBox(VirtualRecordSet& set, int fieldIndex, int64_t value) {
  set.edit();
  set.field(fieldIndex).setValue(value);
  return true;
}

bool Toggle(VirtualRecordSet& set, int fieldIndex) {
  const bool checked = set.active() && set.field(fieldIndex).asInteger() == 1;
  return SetCheckBox(set, fieldIndex, checked ? 0 : 1);
}

}  // namespace

bool ShowsCheckBox(const VirtualRecordSet& set, const GridColumn& column) {
  if (!column.checkBox || column.fieldIndex < 0 || column.fieldIndex >= set.fieldCount()) return false;
  return IntegerField(set.field(column.fieldIndex).def());
}

bool CellReadOnly(const VirtualRecordSet& set, const GridColumn& column, bool gridReadOnly) {
  if (gridReadOnly || column.readOnly || !set.active()) return true;
  if (column.fieldIndex < 0 || column.fieldIndex >= set.fieldCount()) return true;
  return set.field(column.fieldIndex).def().readOnly;
}

GridKeyOutcome PressGridKey(VirtualRecordSet& set, const GridColumn& column, bool gridReadOnly, GridKey key,
                            bool ctrl) {
  if (key == GridKey::Delete && ctrl) return GridKeyOutcome::Swallowed;
  if (!ShowsCheckBox(set, column)) return GridKeyOutcome::PassOn;
  if (key == GridKey::Other || key == GridKey::Delete) return GridKeyOutcome::PassOn;  // navigation
  if (CellReadOnly(set, column, gridReadOnly) || (set.recNo() < 0 && !set.editing()))
    return GridKeyOutcome::Swallowed;
  switch (key) {
    case GridKey::Space: Toggle(set, column.fieldIndex); break;
    case GridKey::Plus:
    case GridKey::One: SetCheckBox(set, column.fieldIndex, 1); break;
    case GridKey::Minus:
    case GridKey::Zero:
    case GridKey::Backspace: SetCheckBox(set, column.fieldIndex, 0); break;
    default: break;
  }
  return GridKeyOutcome::Handled;
}

bool ClickCheckBoxCell(VirtualRecordSet& set, const GridColumn& column, bool gridReadOnly, bool wasCurrentCell) {
  if (!wasCurrentCell || !ShowsCheckBox(set, column) || CellReadOnly(set, column, gridReadOnly)) return false;
  if (set.recNo() < 0 && !set.editing()) return false;
  return Toggle(set, column.fieldIndex);
}

bool CheckBoxChecked(const VirtualRecordSet& set, int row, int fieldIndex) {
  const Variant v = set.valueAt(row, fieldIndex);
  return std::holds_alternative<int64_t>(v) && std::get<int64_t>(v) == 1;
}

ColumnChooserTexts ColumnChooserTexts::Program() {
  return {"Select columns", "[Display real names]", "&Ok", "A least one column must be selected"};
}

ColumnChooserTexts ColumnChooserTexts::translated() const {
  return {base::Tr(caption), base::Tr(realNames), base::Tr(ok), base::Tr(noSelection)};
}

bool PostCancelEnabled(const VirtualRecordSet* set) { return set && set->active() && set->editing(); }

}  // namespace corvane::records
