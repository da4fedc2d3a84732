// The history grid's rows in their closing-state colours and the selected row in highlight colours.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTableView>

#include "records/VirtualRecordSet.h"
#include "shell/ui/HistoryTableModel.h"

namespace corvane::shell::ui {
namespace {

using records::FieldDef;
using records::FieldType;

TEST(HistoryGrid, RowsAreDrawnInClosingStateColoursAndTheSelectionInHighlight) {
  records::VirtualRecordSet set("EzAssistance");
  FieldDef id;
  id.name = "AssistanceID";
  id.size = 32;
  id.displayLabel = "ID";
  set.addField(id);
  FieldDef etat;
  etat.name = "EtatCloture";
  etat.type = FieldType::Integer;
  etat.visible = false;
  set.addField(etat);
  const std::vector<int64_t> states{0, 1, 2, 3, 4, 5, 4};
  set.callbacks().recordCount = [&] { return static_cast<int>(states.size()); };
  set.callbacks().fieldValue = [&](int row, const records::Field& f) -> records::Variant {
    if (f.name() == "EtatCloture") return states[static_cast<size_t>(row)];
    return std::to_string(row + 1);
  };
  set.open();

  QTableView view;
  HistoryTableModel model(set);
  view.setModel(&model);
  view.setItemDelegate(new HistoryDelegate(&view));
  view.setSelectionBehavior(QAbstractItemView::SelectRows);
  view.resize(300, 300);
  ASSERT_EQ(model.columnCount(), 1);  // the hidden closing state is no column
  EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "ID");
  view.selectRow(6);
  view.show();
  const QImage picture = view.viewport()->grab().toImage();

  const QPalette& palette = view.palette();
  const QColor expected[] = {QColor(0, 128, 0),   QColor(128, 128, 0), QColor(128, 128, 128), QColor(128, 0, 0),
                             QColor(255, 0, 0),   palette.color(QPalette::Base),
                             palette.color(QPalette::Active, QPalette::Highlight)};
  for (int row = 0; row < 7; ++row) {
    SCOPED_TRACE(row);
    const QRect cell = view.visualRect(model.index(row, 0));
    // Right of the text, inside the grid lines.
    const QColor seen = picture.pixelColor(cell.right() - 3, cell.center().y());
    EXPECT_EQ(seen.rgb(), expected[row].rgb());
  }
  // Text starts 2 pixels right of the cell's corner: the first two columns are background only.
  const QRect first = view.visualRect(model.index(0, 0));
  for (int y = first.top(); y <= first.bottom(); ++y) {
    EXPECT_EQ(picture.pixelColor(first.left(), y).rgb(), expected[0].rgb());
    EXPECT_EQ(picture.pixelColor(first.left() + 1, y).rgb(), expected[0].rgb());
  }
  // A closed record set leaves the grid empty.
  set.close();
  EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
}  // namespace corvane::shell::ui
