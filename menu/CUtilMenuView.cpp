#include "menu/CUtilMenuView.h"

#include <algorithm>

CUtilMenuView::CUtilMenuView(QWidget* parent) : QWidget(parent) {
  // An empty list shows the list's background, not whatever lies below the pane.
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
}

CUtilMenuView::~CUtilMenuView() = default;

const MenuRow* CUtilMenuView::Item(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= rows_.size()) return nullptr;
  return &rows_[static_cast<std::size_t>(index)];
}

bool CUtilMenuView::IsPluginLoaded(int index) const {
  const MenuRow* row = Item(index);
  return row != nullptr && static_cast<bool>(row->changeMenuState);
}

std::int32_t CUtilMenuView::ChangeMenuState(int index, std::int32_t state) {
  if (!IsPluginLoaded(index)) return kMenuNoPlugin;
  return rows_[static_cast<std::size_t>(index)].changeMenuState(state);
}

void CUtilMenuView::AppendRow(MenuRow row) {
  rows_.push_back(std::move(row));
  update();
}

bool CUtilMenuView::SetCurrentIndex(int index) {
  if (index == -1) {
    currentIndex_ = -1;
    return true;
  }
  const MenuRow* row = Item(index);
  if (row == nullptr || !row->selectable) return false;
  currentIndex_ = index;
  update();
  return true;
}

std::uint32_t CUtilMenuView::ApproximateViewRect() const {
  const int rowsShown = std::max<int>(1, static_cast<int>(rows_.size()));
  const auto width = static_cast<std::uint32_t>(kListColumnWidth) & 0xFFFFu;
  const auto height = static_cast<std::uint32_t>(std::min(rowsShown * kRowHeight, 0xFFFF)) & 0xFFFFu;
  return width | (height << 16);
}

void CUtilMenuView::OnInitialUpdate() {
  const std::uint32_t size = ApproximateViewRect();
  if (sizeReceiver_) sizeReceiver_(static_cast<int>(size & 0xFFFFu), static_cast<int>(size >> 16));
}
