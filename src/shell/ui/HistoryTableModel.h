#pragma once
// The history grid: an item model over the history record set (its visible fields, display texts
// and translated labels) and the delegate that draws each row in its closing-state colours, the
// selected row in highlight colours and bold, every text 2 pixels right of and below the cell's
// corner. Main thread only.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <vector>

#include "records/VirtualRecordSet.h"

namespace corvane::shell::ui {

class HistoryTableModel final : public QAbstractTableModel {
public:
  // The closing state (0..5) of a row, for the delegate.
  static constexpr int EtatClotureRole = Qt::UserRole + 1;

  explicit HistoryTableModel(records::VirtualRecordSet& set, QObject* parent = nullptr);
  ~HistoryTableModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Characters of the field's display width, for the initial column widths.
  int displayWidth(int column) const;

private:
  void changed(records::VirtualRecordSet::Change change, int row);

  records::VirtualRecordSet& set_;
  std::vector<int> columns_;  // field index of each visible column
  int etatCloture_ = -1;
  int listener_ = 0;
};

class HistoryDelegate final : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace corvane::shell::ui
