#include "app/CUtilSplitterWnd.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

CUtilSplitterWnd::CUtilSplitterWnd(QWidget* parent) : QWidget(parent) {}

CUtilSplitterWnd::~CUtilSplitterWnd() = default;

bool CUtilSplitterWnd::CreateStatic(int rows, int columns) {
  if (rows < 1 || columns < 1 || !rows_.empty()) return false;
  rows_.assign(static_cast<std::size_t>(rows), Track{});
  columns_.assign(static_cast<std::size_t>(columns), Track{});
  panes_.assign(static_cast<std::size_t>(rows * columns), nullptr);
  return true;
}

bool CUtilSplitterWnd::CreateView(int row, int column, QWidget* pane, QSize initialSize) {
  if (pane == nullptr || row < 0 || column < 0 || row >= GetRowCount() || column >= GetColumnCount()) return false;
  pane->setParent(this);
  panes_[static_cast<std::size_t>(row * GetColumnCount() + column)] = pane;
  rows_[static_cast<std::size_t>(row)].ideal = initialSize.height();
  columns_[static_cast<std::size_t>(column)].ideal = initialSize.width();
  pane->show();
  RecalcLayout();
  return true;
}

QWidget* CUtilSplitterWnd::GetPane(int row, int column) const {
  if (row < 0 || column < 0 || row >= GetRowCount() || column >= GetColumnCount()) return nullptr;
  return panes_[static_cast<std::size_t>(row * GetColumnCount() + column)];
}

void CUtilSplitterWnd::SetRowInfo(int row, int ideal, int minimum) {
  if (row < 0 || row >= GetRowCount()) return;
  rows_[static_cast<std::size_t>(row)].ideal = ideal;
  rows_[static_cast<std::size_t>(row)].minimum = minimum;
}

void CUtilSplitterWnd::SetColumnInfo(int column, int ideal, int minimum) {
  if (column < 0 || column >= GetColumnCount()) return;
  columns_[static_cast<std::size_t>(column)].ideal = ideal;
  columns_[static_cast<std::size_t>(column)].minimum = minimum;
}

void CUtilSplitterWnd::GetRowInfo(int row, int& ideal, int& minimum) const {
  ideal = minimum = 0;
  if (row < 0 || row >= GetRowCount()) return;
  ideal = rows_[static_cast<std::size_t>(row)].ideal;
  minimum = rows_[static_cast<std::size_t>(row)].minimum;
}

void CUtilSplitterWnd::GetColumnInfo(int column, int& ideal, int& minimum) const {
  ideal = minimum = 0;
  if (column < 0 || column >= GetColumnCount()) return;
  ideal = columns_[static_cast<std::size_t>(column)].ideal;
  minimum = columns_[static_cast<std::size_t>(column)].minimum;
}

void CUtilSplitterWnd::LayoutTracks(std::vector<Track>& tracks, int extent) {
  int position = kBorder;
  const int end = std::max(kBorder, extent - kBorder);
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    Track& track = tracks[i];
    const int left = std::max(0, end - position);
    int size;
    if (i + 1 == tracks.size()) size = left;
    else if (track.ideal < track.minimum) size = 0;
    else size = std::clamp(track.ideal, 0, left);
    track.position = position;
    track.size = size;
    position += size + kBorder + kGap + kBorder;
  }
}

void CUtilSplitterWnd::RecalcLayout() {
  if (rows_.empty()) return;
  LayoutTracks(rows_, height());
  LayoutTracks(columns_, width());
  for (int r = 0; r < GetRowCount(); ++r) {
    for (int c = 0; c < GetColumnCount(); ++c) {
      if (QWidget* pane = GetPane(r, c)) pane->setGeometry(PaneRect(r, c));
    }
  }
  update();
}

QRect CUtilSplitterWnd::PaneRect(int row, int column) const {
  if (row < 0 || column < 0 || row >= GetRowCount() || column >= GetColumnCount()) return {};
  const Track& r = rows_[static_cast<std::size_t>(row)];
  const Track& c = columns_[static_cast<std::size_t>(column)];
  return QRect(c.position, r.position, c.size, r.size);
}

std::vector<QRect> CUtilSplitterWnd::BarRects() const {
  std::vector<QRect> bars;
  for (std::size_t i = 0; i + 1 < rows_.size(); ++i) {
    const int top = rows_[i].position + rows_[i].size + kBorder;
    bars.emplace_back(0, top, width(), kGap);
  }
  for (std::size_t i = 0; i + 1 < columns_.size(); ++i) {
    const int left = columns_[i].position + columns_[i].size + kBorder;
    bars.emplace_back(left, 0, kGap, height());
  }
  return bars;
}

void CUtilSplitterWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(QPen(QColor::fromRgb(kOutlineColor), 1));
  painter.setBrush(Qt::NoBrush);
  // The border box around each pane, then the bars; outlines only.
  for (int r = 0; r < GetRowCount(); ++r) {
    for (int c = 0; c < GetColumnCount(); ++c) {
      const QRect box = PaneRect(r, c).adjusted(-kBorder, -kBorder, kBorder - 1, kBorder - 1);
      if (box.width() > 0 && box.height() > 0) painter.drawRect(box);
    }
  }
  for (const QRect& bar : BarRects()) painter.drawRect(bar.adjusted(0, 0, -1, -1));
}

void CUtilSplitterWnd::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  RecalcLayout();
}

// The bars cannot be dragged: presses, moves and releases on the splitter itself end
// here, without tracking and without reaching the window below.
void CUtilSplitterWnd::mousePressEvent(QMouseEvent* event) { event->accept(); }
void CUtilSplitterWnd::mouseMoveEvent(QMouseEvent* event) { event->accept(); }
void CUtilSplitterWnd::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void CUtilSplitterWnd::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }
