#pragma once
// The rules of the data grid (TTarvenholtDBGrid) that are not drawing: the check-box columns and
// their keys, the keys the grid refuses, which cells are read-only, the column chooser's texts and
// the enabling of the post and cancel actions. The Qt grid asks these and only draws.
//
// Threads: main thread only.

#include <string>

#include "records/VirtualRecordSet.h"

namespace corvane::records {

// Keys the grid gives a meaning to; everything else is `Other`.
enum class GridKey { Space, Plus, One, Minus, Zero, Backspace, Delete, Other };

enum class GridKeyOutcome {
  PassOn,     // not the grid's business: the normal cell handling goes on
  Handled,    // the key changed a check-box cell
  Swallowed,  // the key does nothing at all (no editor, no deletion)
};

// A grid column as the rules see it.
struct GridColumn {
  int fieldIndex = -1;
  bool checkBox = false;  // marked by the owning window
  bool readOnly = false;
};

// A marked column shows a box only over a 16- or 32-bit integer field.
bool ShowsCheckBox(const VirtualRecordSet& set, const GridColumn& column);

// Read-only cells: a read-only grid, column or field, or a closed record set.
bool CellReadOnly(const VirtualRecordSet& set, const GridColumn& column, bool gridReadOnly);

// A key pressed on the current cell of `column`, at the record set's current row. On a check-box
// cell Space toggles, "+" and "1" set 1, "-", "0" and Backspace set 0, each putting the row into
// edit mode, when the cell is modifiable (on a read-only one they do nothing). Other keys pass on
// for navigation; a check-box cell never gets an editor. Ctrl+Delete is swallowed everywhere:
// rows are never deleted from the keyboard.
GridKeyOutcome PressGridKey(VirtualRecordSet& set, const GridColumn& column, bool gridReadOnly, GridKey key,
                            bool ctrl);

// A left click on a cell of `column` at the current row; toggles a check-box cell when that cell
// was already the current cell. Returns whether the value changed.
bool ClickCheckBoxCell(VirtualRecordSet& set, const GridColumn& column, bool gridReadOnly, bool wasCurrentCell);

// True while the check-box cell of the current row shows a check (value 1).
bool CheckBoxChecked(const VirtualRecordSet& set, int row, int fieldIndex);

// The column chooser's texts. A grid that sets none shows the defaults; every grid of the program
// sets `Program()` (keys translated when shown).
struct ColumnChooserTexts {
  std::string caption = "Sélectionner colonnes";
  std::string realNames = "[Afficher les noms réels]";
  std::string ok = "&Ok";
  std::string noSelection = "Au moins une colonne doit être sélectionnée !";

  static ColumnChooserTexts Program();
  ColumnChooserTexts translated() const;  // each text through the catalogue
};

// The post and cancel actions (TTarvenholtDataSetActionPost / ...Cancel) are enabled only while
// the record set is open, modifiable and in edit or insert state.
bool PostCancelEnabled(const VirtualRecordSet* set);

}  // namespace corvane::records
