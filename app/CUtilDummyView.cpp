#include "app/CUtilDummyView.h"

#include <QPointer>
#include <QResizeEvent>
#include <vector>

CUtilDummyView::CUtilDummyView(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
}

CUtilDummyView::~CUtilDummyView() = default;

void CUtilDummyView::NotifyDescendantsOfSize(plat::WPARAM sizeType, int width, int height) {
  // A page's handler may create or delete windows: walk a snapshot and skip the dead.
  std::vector<QPointer<QWidget>> descendants;
  for (QWidget* child : findChildren<QWidget*>()) descendants.emplace_back(child);
  const plat::LPARAM size = MakeSizeLParam(width, height);
  for (const QPointer<QWidget>& child : descendants) {
    if (child) plat::SendMessage(plat::WindowHandle(child), plat::WM_SIZE, sizeType, size);
  }
}

void CUtilDummyView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  NotifyDescendantsOfSize(SIZE_RESTORED, event->size().width(), event->size().height());
}
