#include "shell/ui/HistoryTableModel.h"

#include <QApplication>
#include <QPainter>

#include "records/Cloture.h"

namespace corvane::shell::ui {

using records::VirtualRecordSet;

HistoryTableModel::HistoryTableModel(VirtualRecordSet& set, QObject* parent) : QAbstractTableModel(parent), set_(set) {
  for (int i = 0; i < set_.fieldCount(); ++i)
    if (set_.field(i).def().visible) columns_.push_back(i);
  if (const auto* f = set_.findField("EtatCloture")) etatCloture_ = f->index();
  listener_ = set_.addListener([this](VirtualRecordSet::Change c, int row) { changed(c, row); });
}

HistoryTableModel::~HistoryTableModel() { set_.removeListener(listener_); }

void HistoryTableModel::changed(VirtualRecordSet::Change change, int row) {
  switch (change) {
    case VirtualRecordSet::Change::RowChanged:
      if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
      break;
    case VirtualRecordSet::Change::CurrentRow:
      break;
    default:  // opened, closed, rows added or removed: the grid reads everything again
      beginResetModel();
      endResetModel();
  }
}

int HistoryTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !set_.active() ? 0 : set_.recordCount();
}

int HistoryTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant HistoryTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::DisplayRole)
    return QString::fromStdString(set_.textAt(index.row(), columns_[static_cast<size_t>(index.column())]));
  if (role == EtatClotureRole) {
    if (etatCloture_ < 0) return 5;
    const records::Variant v = set_.valueAt(index.row(), etatCloture_);
    if (const auto* n = std::get_if<int64_t>(&v)) return static_cast<int>(*n);
    return 5;
  }
  return {};
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return {};
  if (section < 0 || section >= columnCount()) return {};
  return QString::fromStdString(set_.field(columns_[static_cast<size_t>(section)]).displayLabel());
}

int HistoryTableModel::displayWidth(int column) const {
  const auto& def = set_.field(columns_.at(static_cast<size_t>(column))).def();
  if (def.displayWidth > 0) return def.displayWidth;
  return def.type == records::FieldType::DateTime ? 18 : (def.size > 0 ? std::min(def.size, 20) : 10);
}

void HistoryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette& palette = option.palette;
  QColor background, text;
  if (selected) {
    background = palette.color(QPalette::Active, QPalette::Highlight);
    text = palette.color(QPalette::Active, QPalette::HighlightedText);
  } else {
    const auto colours = records::ClotureColoursOf(index.data(HistoryTableModel::EtatClotureRole).toInt());
    if (colours.systemColours) {
      background = palette.color(QPalette::Base);
      text = palette.color(QPalette::Text);
    } else {
      background = QColor(colours.background.r, colours.background.g, colours.background.b);
      text = QColor(colours.text.r, colours.text.g, colours.text.b);
    }
  }
  painter->save();
  painter->fillRect(option.rect, background);
  QFont font = option.font;
  font.setBold(selected);
  painter->setFont(font);
  painter->setPen(text);
  painter->setClipRect(option.rect);
  const QRect textRect = option.rect.adjusted(2, 2, 0, 0);
  const QString shown = QFontMetrics(font).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideNone,
                                                      textRect.width());
  painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
  if (option.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.backgroundColor = background;
    const QWidget* widget = option.widget;
    (widget ? widget->style() : QApplication::style())
        ->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
  }
  painter->restore();
}

}  // namespace corvane::shell::ui
