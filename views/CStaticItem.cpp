#include "views/CStaticItem.h"

#include <QPainter>

CStaticItem::CStaticItem(QWidget* parent) : QLabel(parent) {
  // The brush paints the background; the label itself draws only its text.
  setAutoFillBackground(false);
}

CStaticItem::~CStaticItem() = default;

void CStaticItem::MakeBold() {
  QWidget* parent = parentWidget();
  if (!parent) return;
  QFont bold = parent->font();
  bold.setWeight(static_cast<QFont::Weight>(kBoldWeight));
  boldFont_ = bold;
  setFont(*boldFont_);
  update();
}

const QBrush* CStaticItem::OnCtlColor(int ctlColorKind) {
  if (!brush_) brush_ = QBrush(ColorFromColorRef(color_));
  return ctlColorKind == CTLCOLOR_STATIC ? &*brush_ : nullptr;
}

void CStaticItem::paintEvent(QPaintEvent* event) {
  if (const QBrush* brush = OnCtlColor(CTLCOLOR_STATIC)) {
    QPainter p(this);
    p.fillRect(rect(), *brush);
  }
  QLabel::paintEvent(event);
}
