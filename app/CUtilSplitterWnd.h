#pragma once
// CUtilSplitterWnd: a static splitter: a fixed grid of panes with given row heights and
// column widths, separated by bars that cannot be dragged. Every part of the splitter
// (pane borders, bars) is drawn only as the 1-pixel outline of its rectangle in
// RGB(240, 240, 240), never filled, so the splitter all but disappears into the window.
// Mouse presses and moves on the splitter's own area (its bars and borders) are
// swallowed; panes get their own mouse events as usual.
//
// Layout: a border of kBorder pixels around every pane and a gap of kGap pixels between
// neighbouring panes. Each row but the last gets its ideal height (limited to what is
// left); the last row takes whatever remains. Columns likewise. A row or column whose
// ideal size is below its minimum is collapsed to 0.
//
// Threads: UI thread only.
#include <QColor>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

class CUtilSplitterWnd : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kBorder = 2;
  static constexpr int kGap = 7;
  static constexpr QRgb kOutlineColor = 0xFFF0F0F0;  // RGB(240, 240, 240)

  explicit CUtilSplitterWnd(QWidget* parent = nullptr);
  ~CUtilSplitterWnd() override;

  // Makes the splitter a grid of rows × columns. False when either is below 1 or the
  // grid was created before.
  bool CreateStatic(int rows, int columns);
  int GetRowCount() const { return static_cast<int>(rows_.size()); }
  int GetColumnCount() const { return static_cast<int>(columns_.size()); }

  // Puts pane into the cell (the splitter becomes its parent) with an initial ideal
  // size for its row and column. False for a cell outside the grid or a null pane.
  bool CreateView(int row, int column, QWidget* pane, QSize initialSize);
  // The pane of a cell, or null.
  QWidget* GetPane(int row, int column) const;

  // Ideal and minimum size of a row or column (out-of-range indexes are ignored; the
  // getters then report 0 and 0). Take effect with RecalcLayout.
  void SetRowInfo(int row, int ideal, int minimum);
  void SetColumnInfo(int column, int ideal, int minimum);
  void GetRowInfo(int row, int& ideal, int& minimum) const;
  void GetColumnInfo(int column, int& ideal, int& minimum) const;

  // Places every pane after the rows and columns. Also runs on every resize.
  void RecalcLayout();

  // The rectangle of a cell's pane, and the rectangles of the bars between rows and
  // between columns, in splitter coordinates (after the last layout).
  QRect PaneRect(int row, int column) const;
  std::vector<QRect> BarRects() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  struct Track {
    int ideal = 1;
    int minimum = 1;
    int position = 0;  // after layout: start of the pane
    int size = 0;      // after layout: size of the pane
  };
  static void LayoutTracks(std::vector<Track>& tracks, int extent);

  std::vector<Track> rows_;
  std::vector<Track> columns_;
  std::vector<QWidget*> panes_;  // rows × columns, row-major
};
