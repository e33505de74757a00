#include "platform/ui/ReportList.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyledItemDelegate>

#include "platform/ui/Controls.h"

namespace plat {
namespace {

constexpr int kDataRole = Qt::UserRole + 1;
constexpr int kDefaultColumnWidth = 100;

Qt::Alignment AlignmentOf(int format) {
  switch (format & kColumnFormatJustifyMask) {
    case kColumnFormatRight: return Qt::AlignRight | Qt::AlignVCenter;
    case kColumnFormatCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

// Rows taller than the style's default by a percentage.
class RowHeightDelegate : public QStyledItemDelegate {
 public:
  RowHeightDelegate(QObject* parent, int percent) : QStyledItemDelegate(parent), percent_(percent) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(size.height() * percent_ / 100);
    return size;
  }

 private:
  int percent_;
};

}  // namespace

ReportList::ReportList(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setColumnCount(0);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  connect(this, &QTreeWidget::itemSelectionChanged, this, &ReportList::SelectionChanged);
  connect(this, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item, int) { emit RowActivated(indexOfTopLevelItem(item)); });
}

bool ReportList::GetColumn(int index, ListColumn& column) const {
  if (index < 0 || index >= ColumnCount()) return false;
  column = columns_[index];
  return true;
}

int ReportList::InsertColumn(int index, const ListColumn& column) {
  if (index < 0) return -1;
  if (index > ColumnCount()) index = ColumnCount();
  ListColumn c = column;
  if (c.width < 0) c.width = kDefaultColumnWidth;
  columns_.insert(columns_.begin() + index, c);
  setColumnCount(ColumnCount());
  // Shift the texts of existing rows one column to the right from the new column on.
  for (int row = 0; row < topLevelItemCount(); ++row) {
    QTreeWidgetItem* item = topLevelItem(row);
    for (int col = ColumnCount() - 1; col > index; --col) item->setText(col, item->text(col - 1));
    item->setText(index, QString());
  }
  for (int i = index; i < ColumnCount(); ++i) ApplyColumn(i);
  return index;
}

bool ReportList::SetColumn(int index, const ListColumn& column) {
  if (index < 0 || index >= ColumnCount()) return false;
  ListColumn c = column;
  if (c.width < 0) c.width = columns_[index].width;
  columns_[index] = c;
  ApplyColumn(index);
  return true;
}

void ReportList::SetColumnWidth(int index, int width) {
  if (index < 0 || index >= ColumnCount()) return;
  columns_[index].width = width;
  ApplyColumn(index);
}

void ReportList::ApplyColumn(int index) {
  const ListColumn& c = columns_[index];
  QTreeWidgetItem* head = headerItem();
  head->setText(index, ToQString(c.text));
  head->setTextAlignment(index, AlignmentOf(c.format));
  setColumnWidth(index, c.width);
  for (int row = 0; row < topLevelItemCount(); ++row)
    topLevelItem(row)->setTextAlignment(index, AlignmentOf(c.format));
}

int ReportList::InsertRow(int row, const QString& text) {
  if (row < 0 || row > topLevelItemCount()) row = topLevelItemCount();
  auto* item = new QTreeWidgetItem;
  item->setText(0, text);
  for (int col = 0; col < ColumnCount(); ++col) item->setTextAlignment(col, AlignmentOf(columns_[col].format));
  insertTopLevelItem(row, item);
  return row;
}

void ReportList::SetRowText(int row, int column, const QString& text) {
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setText(column, text);
}

QString ReportList::RowText(int row, int column) const {
  QTreeWidgetItem* item = topLevelItem(row);
  return item ? item->text(column) : QString();
}

void ReportList::SetRowData(int row, std::intptr_t data) {
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setData(0, kDataRole, QVariant::fromValue<qlonglong>(data));
}

std::intptr_t ReportList::RowData(int row) const {
  QTreeWidgetItem* item = topLevelItem(row);
  return item ? static_cast<std::intptr_t>(item->data(0, kDataRole).toLongLong()) : 0;
}

void ReportList::DeleteAllRows() { clear(); }

int ReportList::SelectedRow() const {
  const QList<QTreeWidgetItem*> items = selectedItems();
  return items.isEmpty() ? -1 : indexOfTopLevelItem(items.first());
}

void ReportList::SelectRow(int row) {
  QTreeWidgetItem* item = row >= 0 ? topLevelItem(row) : nullptr;
  if (!item) {
    clearSelection();
    return;
  }
  setCurrentItem(item);
  item->setSelected(true);
  scrollToItem(item);
}

int ReportList::TextWidth(const QString& text) const {
  return QFontMetrics(font()).horizontalAdvance(text);
}

void ReportList::SetRowHeightPercent(int percent) {
  setItemDelegate(new RowHeightDelegate(this, percent));
}

}  // namespace plat
