#pragma once
// CUtilMenuView: the left pane of the main window, the list of setting pages. It reads
// the menu definition file of the launch mode at its first update, hosts the plug-ins
// of the items it keeps, and draws every row itself from the look the file gives:
// indents by level, a state bitmap for the current row, the row being pressed and the
// row under the mouse, and the background bitmap anchored at the bottom of the pane.
//
// Choosing a row with the left button asks the current page's plug-in whether it may be
// left (state 1; kPluginLeaveRefused keeps it), then tells the new row's plug-in that it
// is current (state 2); choosing the current row again tells it state 3. Headings (items
// that are not selectable) never react. The keyboard never changes the current row.
//
// The view owns the menu item list and with it the loaded plug-ins: destroying the view
// finalises and unloads them, front first.
//
// Threads: UI thread only.
#include <QPixmap>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "lang/CLangResTable.h"
#include "menu/MenuDefinition.h"
#include "menu/MenuItem.h"

struct AppSettingsBlock;

// The close query's answer of a page that may be left.
inline constexpr std::int32_t kMenuLeaveAllowed = kPluginOk;
// Shown when the language files are missing; the application then closes.
inline constexpr char16_t kMenuFilesMissingText[] = u"Could not find the required files.\nClosing application.";

// Mouse key flags of a move, as the list control receives them: the buttons held and
// Shift and Control.
inline constexpr unsigned MK_LBUTTON = 0x0001;
inline constexpr unsigned MK_RBUTTON = 0x0002;
inline constexpr unsigned MK_SHIFT = 0x0004;
inline constexpr unsigned MK_CONTROL = 0x0008;
inline constexpr unsigned MK_MBUTTON = 0x0010;
inline constexpr unsigned MK_XBUTTON1 = 0x0020;
inline constexpr unsigned MK_XBUTTON2 = 0x0040;
unsigned MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

class CUtilMenuView : public QWidget {
  Q_OBJECT
 public:
  // Width of the list's border, on every side.
  static constexpr int kFrameWidth = 1;
  // The text of the current row and of the row being pressed moves this far right and
  // down, so the row looks pushed in.
  static constexpr int kPressedTextShift = 2;
  // Deepest level with an indent of its own; deeper rows use its indent.
  static constexpr int kDeepestIndentLevel = 4;
  // Levels the menu file gives indents for.
  static constexpr int kIndentLevels = 5;
  // Row height while no bitmap or file gives one: the font's height plus this.
  static constexpr int kDefaultRowPadding = 4;
  // Text weight of a bold item.
  static constexpr int kBoldWeight = 700;

  explicit CUtilMenuView(QWidget* parent = nullptr);
  ~CUtilMenuView() override;

  // What the view needs before its first update: the application settings block
  // (folders, language, launch mode, data manager), the main frame (title, close
  // request, plug-in initialisation) and the content pane in which the plug-ins show
  // their pages. Any of them may be null.
  void SetHost(AppSettingsBlock* block, QWidget* mainFrame, QWidget* contentPane);
  // Receives the size the list needs for all rows (width, height), once it is filled.
  void SetListSizeReceiver(std::function<void(int, int)> receiver) { sizeReceiver_ = std::move(receiver); }
  // Receives the menu item list once it is read (the list stays owned by the view).
  void SetItemsReceiver(std::function<void(MenuItemList*)> receiver) { itemsReceiver_ = std::move(receiver); }

  // First update: reads the menu definition file of the launch mode, loads the
  // plug-ins, registers their data blocks, hands the list to the items receiver, fills
  // the list and makes the first selectable item current. Without a language file it
  // shows a warning, asks the main frame to close and reads nothing. Runs once; later
  // calls do nothing.
  void OnInitialUpdate();

  // Shows a menu built elsewhere (a menu read by the caller, or built in code) with a
  // look: the bitmaps are loaded as for a menu file, the list replaces (and unloads) the
  // former one, is handed to the items receiver, gets its levels, is filled and gets its
  // first selection.
  void ShowMenu(MenuItemList items, const MenuLook& look);

  // The current row, -1 when none.
  int CurrentIndex() const { return currentIndex_; }
  // The row under the mouse and the row being pressed, -1 when none.
  int HoverIndex() const { return hoverIndex_; }
  int PressedIndex() const { return pressedIndex_; }
  // The menu items in row order.
  MenuItemList& Items() { return items_; }
  const MenuItemList& Items() const { return items_; }
  // True when the row exists and its plug-in is loaded.
  bool IsPluginLoaded(int index) const;
  // The row's FORMVIEWDLL_ChangeMenuState(state); kMenuNoPlugin when the row does not
  // exist or has no loaded plug-in.
  std::int32_t ChangeMenuState(int index, std::int32_t state);

  // Row metrics after filling: row height, column width, and a row's rectangle in view
  // coordinates (empty for a row that does not exist).
  int RowHeight() const { return rowHeight_; }
  int ColumnWidth() const { return columnWidth_; }
  QRect RowRect(int index) const;
  // The row under a point in view coordinates, -1 when none.
  int HitTest(const QPoint& point) const;
  // Width (low 16 bits) and height (high 16 bits) the list needs to show every row:
  // the column and the rows, with the border around them.
  std::uint32_t ApproximateViewRect() const;
  // The path of the menu definition file read at the first update.
  const std::u16string& MenuFilePath() const { return menuFilePath_; }
  const CLangResTable& Table() const { return table_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  // One state bitmap or the background: the picture, the picture with its key colour
  // (the centre pixel) made transparent, for the transparent look, and the colour of its
  // top-left pixel, which fills the band above the background.
  struct MenuBitmap {
    QPixmap picture;
    QPixmap keyed;
    QRgb topLeft = 0;
  };

  void ApplyLook(const MenuLook& look);
  MenuBitmap LoadMenuBitmap(const std::u16string& file, int builtInId) const;
  void TakeItems(MenuItemList items);
  void MeasureRows();
  void FillList();
  void SelectFirstItem();
  bool IsSelectable(int index) const;
  void RedrawRow(int index);
  void DrawBackground(QPainter& painter) const;
  void DrawRow(QPainter& painter, int index) const;
  void OnMouseMove(const QPoint& point, unsigned flags);
  void OnLeftButtonDown(const QPoint& point);
  void OnLeftButtonUp(const QPoint& point);
  void ReleaseCapture();
  void OnCaptureLost();

  AppSettingsBlock* block_ = nullptr;
  QWidget* mainFrame_ = nullptr;
  QWidget* contentPane_ = nullptr;
  std::function<void(int, int)> sizeReceiver_;
  std::function<void(MenuItemList*)> itemsReceiver_;
  bool initialised_ = false;

  MenuItemList items_;
  std::array<std::int32_t, kIndentLevels> indents_{};
  MenuBitmap background_;
  MenuBitmap onMouse_;
  MenuBitmap selected_;
  MenuBitmap selecting_;
  int hoverIndex_ = -1;
  int pressedIndex_ = -1;
  int currentIndex_ = -1;
  int itemHeight_ = -1;
  int itemWidth_ = -1;
  int rowHeight_ = 0;
  int columnWidth_ = 0;
  std::u16string backgroundFile_;
  std::u16string onMouseFile_;
  std::u16string selectedFile_;
  std::u16string selectingFile_;
  std::int32_t defaultFontSize_ = -1;
  std::uint32_t defaultColor_ = 0;
  bool capturing_ = false;
  bool stretch_ = false;
  bool transparent_ = false;
  std::u16string menuFilePath_;
  CLangResTable table_;
};
