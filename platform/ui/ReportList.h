#pragma once
// A list control in report view: columns with heading, width and alignment, rows of
// texts with one integer of item data each, single selection of whole rows.
#include <QTreeWidget>
#include <cstdint>

#include "platform/ControlHost.h"

namespace plat {

class ReportList : public QTreeWidget {
  Q_OBJECT
 public:
  explicit ReportList(QWidget* parent = nullptr);

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  bool GetColumn(int index, ListColumn& column) const;
  // Inserts at index (an index past the end appends); returns the new index or -1.
  // Width -1 gives the default width.
  int InsertColumn(int index, const ListColumn& column);
  bool SetColumn(int index, const ListColumn& column);
  void SetColumnWidth(int index, int width);

  // Rows. InsertRow returns the new row index.
  int InsertRow(int row, const QString& text);
  int RowCount() const { return topLevelItemCount(); }
  void SetRowText(int row, int column, const QString& text);
  QString RowText(int row, int column) const;
  void SetRowData(int row, std::intptr_t data);
  std::intptr_t RowData(int row) const;
  void DeleteAllRows();

  int SelectedRow() const;        // -1 when none
  void SelectRow(int row);        // selects and focuses; -1 clears
  // Width in pixels a text needs in this list's font.
  int TextWidth(const QString& text) const;
  // Row height: taller rows, as the printer list uses (percent of the default).
  void SetRowHeightPercent(int percent);

 signals:
  void SelectionChanged();
  void RowActivated(int row);

 private:
  void ApplyColumn(int index);
  std::vector<ListColumn> columns_;
};

}  // namespace plat
