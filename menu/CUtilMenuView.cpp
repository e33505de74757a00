#include "menu/CUtilMenuView.h"

#include <QBitmap>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

#include "menu/PluginHost.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/EventLog.h"
#include "platform/ui/Messages.h"
#include "res/BitmapResources.h"
#include "res/ResourceIds.h"
#include "sdk/AppSettingsBlock.h"
#include "views/CommonMessages.h"

namespace {

// The border of the list, drawn around the rows.
const QColor kFrameColor(0xAB, 0xAD, 0xB3);
// Points per inch, for font sizes given in points.
constexpr int kPointsPerInch = 72;

// a * b / c rounded to the nearest integer, halves away from zero (c > 0).
int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  return static_cast<int>((product >= 0 ? product + c / 2 : product - c / 2) / c);
}

QColor ColorOf(std::uint32_t rgb) {
  return QColor(static_cast<int>(rgb & 0xFFu), static_cast<int>((rgb >> 8) & 0xFFu),
                static_cast<int>((rgb >> 16) & 0xFFu));
}

// Size of a picture in the view's pixels (a picture made for a higher device pixel ratio
// covers fewer of them than it has).
QSize LogicalSize(const QPixmap& picture) { return picture.deviceIndependentSize().toSize(); }

}  // namespace

unsigned MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  unsigned flags = 0;
  if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
  if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
  if (buttons & Qt::XButton1) flags |= MK_XBUTTON1;
  if (buttons & Qt::XButton2) flags |= MK_XBUTTON2;
  if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

CUtilMenuView::CUtilMenuView(QWidget* parent) : QWidget(parent) {
  plat::SetControlClassName(this, plat::kClassListView);
  // The pane reports moves without a button held too, so it can follow the mouse.
  setMouseTracking(true);
  // Areas that neither the background bitmap nor its band cover show the list colour.
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  setContentsMargins(kFrameWidth, kFrameWidth, kFrameWidth, kFrameWidth);
  // Until a menu is shown, the built-in look.
  ApplyLook(MenuLook{});
}

CUtilMenuView::~CUtilMenuView() {
  UnloadPlugins(items_);
  background_ = {};
  onMouse_ = {};
  selected_ = {};
  selecting_ = {};
  // The view follows the mouse without grabbing it, so letting go is only the flag.
  capturing_ = false;
}

void CUtilMenuView::SetHost(AppSettingsBlock* block, QWidget* mainFrame, QWidget* contentPane) {
  block_ = block;
  mainFrame_ = mainFrame;
  contentPane_ = contentPane;
}

void CUtilMenuView::OnInitialUpdate() {
  if (initialised_) return;
  initialised_ = true;

  // Menu texts in the user's language; without any language file the program cannot
  // show its texts and closes.
  const LangFileResult selected = block_ != nullptr
                           ? table_.SelectLanguageFile(plat::FieldText(block_->langFolder), block_->langId,
                                                       kLangIdEnglish)
                           : kLangFileNone;
  if (selected == kLangFileNone) {
    ShowWarningMessage(mainFrame_ != nullptr ? mainFrame_ : this, kMenuFilesMissingText);
    if (mainFrame_ != nullptr) plat::PostMessage(plat::WindowHandle(mainFrame_), plat::WM_CLOSE, 0, 0);
    return;
  }
  table_.LoadResources(kMenuResourceKey);

  menuFilePath_ = std::u16string(plat::FieldText(block_->exeFolder)) + MenuFileName(block_->mode);
  const MenuLook look = ReadMenuLook(menuFilePath_);
  if (!look.title.empty() && mainFrame_ != nullptr) mainFrame_->setWindowTitle(plat::ToQString(look.title));
  ApplyLook(look);

  std::vector<DroppedMenuItem> dropped;
  const PluginHostContext host{plat::WindowHandle(mainFrame_), plat::WindowHandle(contentPane_), block_};
  MenuItemList items = ReadMenuItems(menuFilePath_, table_, host, &dropped);
  for (const DroppedMenuItem& item : dropped)
    plat::LogEvent(plat::kEventPluginDropped, {item.section, item.dllName, plat::FromUtf8(item.reason)});
  if (block_->dataMgr != nullptr) RegisterPluginData(items, *block_->dataMgr);
  TakeItems(std::move(items));
}

void CUtilMenuView::ShowMenu(MenuItemList items, const MenuLook& look) {
  ApplyLook(look);
  TakeItems(std::move(items));
}

void CUtilMenuView::TakeItems(MenuItemList items) {
  UnloadPlugins(items_);
  hoverIndex_ = pressedIndex_ = currentIndex_ = -1;
  items_ = std::move(items);
  // The status side reads the same list; it gets it before the levels are known.
  if (itemsReceiver_) itemsReceiver_(&items_);
  ComputeMenuLevels(items_);
  FillList();
  SelectFirstItem();
}

void CUtilMenuView::ApplyLook(const MenuLook& look) {
  std::copy(look.indents.begin(), look.indents.end(), indents_.begin());
  itemHeight_ = look.itemHeight;
  itemWidth_ = look.itemWidth;
  backgroundFile_ = look.backgroundBitmap;
  onMouseFile_ = look.onMouseBitmap;
  selectedFile_ = look.selectedBitmap;
  selectingFile_ = look.selectingBitmap;
  stretch_ = look.stretch == 1;
  transparent_ = look.transparent == 1;
  defaultFontSize_ = look.defaultFontSize;
  defaultColor_ = look.defaultColor;
  background_ = LoadMenuBitmap(backgroundFile_, IDB_MENU_BACKGROUND);
  onMouse_ = LoadMenuBitmap(onMouseFile_, IDB_MENU_ON_MOUSE);
  selected_ = LoadMenuBitmap(selectedFile_, IDB_MENU_SELECTED);
  selecting_ = LoadMenuBitmap(selectingFile_, IDB_MENU_SELECTING);
  update();
}

CUtilMenuView::MenuBitmap CUtilMenuView::LoadMenuBitmap(const std::u16string& file, int builtInId) const {
  MenuBitmap bitmap;
  // The file exactly as the menu file writes it; the built-in picture when there is none
  // or it does not load. Built-in pictures are drawn for the screen's pixel ratio.
  if (!file.empty()) bitmap.picture = QPixmap(plat::ToQString(file));
  if (bitmap.picture.isNull()) bitmap.picture = LoadBitmapResource(builtInId, devicePixelRatioF());
  if (bitmap.picture.isNull()) return bitmap;
  // The transparent look leaves out every pixel of the colour at the picture's centre.
  const QImage image = bitmap.picture.toImage();
  const QRgb key = image.pixel(image.width() / 2, image.height() / 2);
  bitmap.topLeft = image.pixel(0, 0);
  bitmap.keyed = bitmap.picture;
  bitmap.keyed.setMask(bitmap.picture.createMaskFromColor(QColor::fromRgb(key), Qt::MaskInColor));
  return bitmap;
}

void CUtilMenuView::MeasureRows() {
  const QSize selectedSize = LogicalSize(selected_.picture);
  const int height = itemHeight_ != -1 ? itemHeight_ : selectedSize.height();
  const int width = itemWidth_ != -1 ? itemWidth_ : selectedSize.width();
  // Sizes that cannot be rows (0, or nonsense from the file) leave the list's own.
  rowHeight_ = fontMetrics().height() + kDefaultRowPadding;
  columnWidth_ = selectedSize.width();
  if (height > 0) rowHeight_ = itemHeight_ = height;
  if (width > 0) columnWidth_ = itemWidth_ = width;
}

void CUtilMenuView::FillList() {
  MeasureRows();
  update();
  const std::uint32_t size = ApproximateViewRect();
  if (sizeReceiver_) sizeReceiver_(static_cast<int>(size & 0xFFFFu), static_cast<int>(size >> 16));
}

void CUtilMenuView::SelectFirstItem() {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->selectable != 1) continue;
    const int index = static_cast<int>(i);
    if (IsPluginLoaded(index)) ChangeMenuState(index, kMenuStateEnter);
    currentIndex_ = index;
    RedrawRow(index);
    return;
  }
}

bool CUtilMenuView::IsPluginLoaded(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return false;
  return items_[static_cast<std::size_t>(index)]->plugin.IsLoaded();
}

std::int32_t CUtilMenuView::ChangeMenuState(int index, std::int32_t state) {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return kMenuNoPlugin;
  return ::ChangeMenuState(*items_[static_cast<std::size_t>(index)], state);
}

bool CUtilMenuView::IsSelectable(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return false;
  return items_[static_cast<std::size_t>(index)]->selectable == 1;
}

QRect CUtilMenuView::RowRect(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return {};
  const QRect client = contentsRect();
  return QRect(client.left(), client.top() + index * rowHeight_, columnWidth_, rowHeight_);
}

int CUtilMenuView::HitTest(const QPoint& point) const {
  const QRect client = contentsRect();
  if (rowHeight_ <= 0 || !client.contains(point)) return -1;
  if (point.x() - client.left() >= columnWidth_) return -1;
  const int row = (point.y() - client.top()) / rowHeight_;
  return static_cast<std::size_t>(row) < items_.size() ? row : -1;
}

std::uint32_t CUtilMenuView::ApproximateViewRect() const {
  const long long width = static_cast<long long>(std::max(columnWidth_, 0)) + 2 * kFrameWidth;
  const long long height =
      static_cast<long long>(items_.size()) * std::max(rowHeight_, 0) + 2 * kFrameWidth;
  const auto low = static_cast<std::uint32_t>(std::min<long long>(width, 0xFFFF));
  const auto high = static_cast<std::uint32_t>(std::min<long long>(height, 0xFFFF));
  return low | (high << 16);
}

void CUtilMenuView::RedrawRow(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return;
  // Labels are not clipped to their row: the band across the whole pane, with room for
  // the pushed-in text, is drawn again.
  const QRect row = RowRect(index);
  update(QRect(contentsRect().left(), row.top(), contentsRect().width(), row.height() + kPressedTextShift));
}

void CUtilMenuView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DrawBackground(painter);
  painter.save();
  painter.setClipRect(contentsRect(), Qt::IntersectClip);
  for (std::size_t i = 0; i < items_.size(); ++i) DrawRow(painter, static_cast<int>(i));
  painter.restore();
  painter.setPen(kFrameColor);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CUtilMenuView::DrawBackground(QPainter& painter) const {
  const QRect client = contentsRect();
  const QPixmap& picture = background_.picture;
  if (picture.isNull()) return;
  const QSize size = LogicalSize(picture);
  if (client.height() >= size.height()) {
    // The picture sits at the bottom; the band above it has the picture's top colour.
    painter.fillRect(QRect(client.left(), client.top(), client.width() - 1, client.height() - size.height()),
                     QColor::fromRgb(background_.topLeft));
    painter.drawPixmap(QPoint(client.left(), client.bottom() + 1 - size.height()), picture);
    return;
  }
  // A pane lower than the picture shows the picture's bottom part.
  const qreal ratio = picture.devicePixelRatio();
  const QRectF source(0, (size.height() - client.height()) * ratio, picture.width(), client.height() * ratio);
  painter.drawPixmap(QRectF(client.left(), client.top(), size.width(), client.height()), picture, source);
}

void CUtilMenuView::DrawRow(QPainter& painter, int index) const {
  const MenuItemRecord& item = *items_[static_cast<std::size_t>(index)];
  const QRect row = RowRect(index);
  const int level = std::clamp(item.level, 0, kDeepestIndentLevel);
  const int indent = indents_[static_cast<std::size_t>(level)];
  QRect text = row.adjusted(indent, 0, -indent, 0);

  // The current row's bitmap wins over the pressed row's, which wins over the hover's.
  const MenuBitmap* state = nullptr;
  if (index == currentIndex_) state = &selected_;
  else if (index == pressedIndex_) state = &selecting_;
  else if (index == hoverIndex_) state = &onMouse_;
  if (state != nullptr && !state->picture.isNull()) {
    const QSize own = LogicalSize(state->picture);
    const QSize drawn = stretch_ ? QSize(std::max(own.width(), itemWidth_), std::max(own.height(), itemHeight_)) : own;
    painter.drawPixmap(QRect(QPoint(row.left(), row.top()), drawn), transparent_ ? state->keyed : state->picture);
  }

  if (index == currentIndex_ || index == pressedIndex_) text.translate(kPressedTextShift, kPressedTextShift);

  QFont font = this->font();
  if (item.bold == 1) font.setWeight(static_cast<QFont::Weight>(kBoldWeight));
  if (item.fontSize != 0)
    font.setPixelSize(std::max(1, std::abs(MulDiv(item.fontSize, logicalDpiY(), kPointsPerInch))));
  painter.setFont(font);
  painter.setPen(ColorOf(item.color));
  // One line, vertically centred, left aligned, free to run past the row; "&" is text.
  painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                   plat::ToQString(item.label));
}

void CUtilMenuView::mouseMoveEvent(QMouseEvent* event) {
  OnMouseMove(event->position().toPoint(), MouseKeyFlags(event->buttons(), event->modifiers()));
}

void CUtilMenuView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) OnLeftButtonDown(event->position().toPoint());
}

void CUtilMenuView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) OnLeftButtonUp(event->position().toPoint());
}

void CUtilMenuView::leaveEvent(QEvent* event) {
  // The pointer left the view: what a move outside the view does while the view follows
  // the mouse.
  ReleaseCapture();
  QWidget::leaveEvent(event);
}

void CUtilMenuView::OnMouseMove(const QPoint& point, unsigned flags) {
  const bool inside = rect().contains(point);
  if (capturing_) {
    if (!inside) ReleaseCapture();
  } else {
    // A move that reaches the view from outside (a drag that left it) is not the view's.
    if (!inside) return;
    capturing_ = true;
  }

  const int row = HitTest(point);
  if (row < 0) {
    const int formerHover = hoverIndex_;
    const int formerPressed = pressedIndex_;
    hoverIndex_ = pressedIndex_ = -1;
    RedrawRow(formerHover);
    RedrawRow(formerPressed);
    return;
  }
  if (!IsSelectable(row)) return;

  const int formerHover = hoverIndex_;
  bool becameHover = false;
  if (row != hoverIndex_) {
    hoverIndex_ = row;
    becameHover = true;
    RedrawRow(formerHover);
  }
  bool redrawn = false;
  if (row != pressedIndex_) {
    if (pressedIndex_ >= 0 && pressedIndex_ != formerHover) RedrawRow(pressedIndex_);
    // Only a drag with the left button alone moves the pressed row; with Shift, Control
    // or another button held it is let go.
    if (flags == MK_LBUTTON) {
      pressedIndex_ = row;
      RedrawRow(row);
      redrawn = true;
    } else {
      pressedIndex_ = -1;
    }
  }
  if (becameHover && !redrawn) RedrawRow(row);
}

void CUtilMenuView::OnLeftButtonDown(const QPoint& point) {
  const int row = HitTest(point);
  if (row < 0 || !IsSelectable(row) || row == pressedIndex_) return;
  const int formerPressed = pressedIndex_;
  pressedIndex_ = row;
  RedrawRow(formerPressed);
  RedrawRow(row);
}

void CUtilMenuView::OnLeftButtonUp(const QPoint&) {
  const int chosen = pressedIndex_ >= 0 ? pressedIndex_ : hoverIndex_;
  if (chosen < 0 || !IsSelectable(chosen)) return;

  if (chosen == currentIndex_) {
    if (IsPluginLoaded(chosen)) ChangeMenuState(chosen, kMenuStateReselect);
    return;
  }
  const int former = currentIndex_;
  currentIndex_ = chosen;
  if (former >= 0 && IsPluginLoaded(former) && ChangeMenuState(former, kMenuStateLeave) == kPluginLeaveRefused) {
    // The page may not be left: it stays current.
    currentIndex_ = former;
    RedrawRow(former);
    RedrawRow(chosen);
    return;
  }
  RedrawRow(former);
  RedrawRow(chosen);
  if (pressedIndex_ >= 0 && pressedIndex_ != chosen) RedrawRow(pressedIndex_);
  pressedIndex_ = -1;
  hoverIndex_ = chosen;
  if (IsPluginLoaded(chosen)) ChangeMenuState(chosen, kMenuStateEnter);
}

void CUtilMenuView::ReleaseCapture() {
  if (capturing_) OnCaptureLost();
}

void CUtilMenuView::OnCaptureLost() {
  capturing_ = false;
  RedrawRow(pressedIndex_);
  RedrawRow(hoverIndex_);
  pressedIndex_ = -1;
  hoverIndex_ = -1;
}
