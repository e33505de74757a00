#pragma once
// CMainFrame: the main window. A fixed-size frame (796 × 523, no menu bar, no maximise
// button, not resizable by the user) split into three panes: the setting menu on the
// left (CUtilMenuView), the content pane on the right in which the plug-ins show their
// pages (CUtilDummyView), and the status pane across the bottom (CUtilStatusView).
//
// It sizes the panes to the menu's natural width, relays the setting pages' status
// messages to the status pane (UM_UPDATE_PRINTER_INFO posted; UM_GET_PRINTER_STATUS,
// UM_READ_PRINTER_SETTINGS and UM_STOP_STATUS_MONITOR sent, their result returned),
// creates and runs the progress dialog for the pages' communication jobs
// (UM_CREATE_PROGRESS, UM_RUN_PROGRESS), and asks the current page before it closes.
// While it exists it carries the running copy's tag, so a second start brings it to the
// front. F1 and the window's context menu show the version information.
//
// Threads: UI thread only. Other threads reach it only through plat::SendMessage and
// plat::PostMessage.
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "lang/CLangResTable.h"
#include "menu/MenuItem.h"
#include "platform/ui/Messages.h"

struct AppSettingsBlock;
class CUtilDummyView;
class CUtilMenuView;
class CUtilSplitterWnd;
class CUtilStatusView;
namespace plat {
class WindowTag;
}

// The running copy's tag: "%s_%s" of these two.
inline constexpr char16_t kRunningCopyTagBase[] = u"XJ-K52II_UTILITY";
inline constexpr char16_t kRunningCopyTagModel[] = u"XJ-K52II";
std::u16string RunningCopyTagName();

// The rectangle WM_SIZING hands over (lParam points to it); the handler corrects it.
struct SizingRect {
  int left;
  int top;
  int right;
  int bottom;
};

// Pane sizes for a client area of the frame and the menu list's size.
struct PaneLayout {
  int outerColumnWidth;  // the one column of the outer splitter
  int outerRow0Height;   // menu and content
  int outerRow1Height;   // status
  int innerColumn0Width; // menu
  int innerColumn1Width; // content
  int innerRow0Height;
};

class CMainFrame : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMinWidth = 796;
  static constexpr int kMinHeight = 523;
  // Pane arithmetic: the menu and content row is the client height less kOuterRowMargin,
  // the status row kStatusRowHeight high; the inner row the client height less
  // kInnerRowMargin. Absolute values keep every size positive on a very low client.
  static constexpr int kOuterRowMargin = 67;
  static constexpr int kStatusRowHeight = 65;
  static constexpr int kInnerRowMargin = 65;
  static constexpr int kPaneMinimum = 1;
  // System command that shows the about box.
  static constexpr plat::WPARAM SC_ABOUTBOX = 0xE140;
  static constexpr plat::WPARAM SC_MINIMIZE = 0xF020;
  static constexpr plat::WPARAM SC_CLOSE = 0xF060;
  static constexpr plat::WPARAM SC_RESTORE = 0xF120;

  // The frame works with the application settings block (language, communication
  // object); block must outlive the frame.
  explicit CMainFrame(AppSettingsBlock* block, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Whether the printer answered start-up's communication test, which decides whether
  // the status pane reads the printer when monitoring starts. Before Create.
  void SetPrinterAnswered(bool answered) { printerAnswered_ = answered; }

  // Creates the window: language table "MAIN_WINDOW", the running copy's tag, the title,
  // the two splitters with their panes (the status pane gets its initial update);
  // centres the frame on the screen and gives the menu view its first update (which
  // reads the menu file, loads the plug-ins, may set the title, and hands over the menu
  // items and the menu's size). False when the panes cannot be created.
  bool Create();

  // Pane layout for a client size, or none while the menu list has no size yet.
  static std::optional<PaneLayout> ComputePaneLayout(int clientWidth, int clientHeight, int menuWidth,
                                                     int menuHeight);
  // WM_SIZING: a rectangle narrower or lower than the minimum is widened to the right
  // (right := left + 796) or lengthened downwards (bottom := top + 523).
  static SizingRect ApplySizingLimit(const SizingRect& proposed);

  // The size the menu list needs (from the menu view); lays the panes out again.
  void SetMenuPaneSize(int width, int height);
  int MenuPaneWidth() const { return menuWidth_; }
  // The menu item list, from the menu view once it has read the menu file (the view
  // keeps owning it); null before. The status view starts monitoring the printer with it.
  void SetMenuItems(MenuItemList* items);
  MenuItemList* MenuItems() const { return menuItems_; }
  int MenuPaneHeight() const { return menuHeight_; }
  // Lays the panes out for the current client size; nothing while the splitters are
  // incomplete or the menu size is not known.
  void RecalcPaneLayout();

  // A close request while the frame is disabled (a page's communication job runs behind
  // the progress dialog) waits until the frame is enabled again, then takes its course.
  bool IsClosePending() const { return closePending_; }

  // The close query: true when the window may close. No menu view or no current page:
  // yes. A current page whose plug-in is loaded decides: it is asked whether it may be
  // left (state 1) and only 0 lets the window close. A current page without a loaded
  // plug-in cannot confirm that it may be left, so close requests are ignored until
  // another page (or none) is current.
  bool QueryClose();

  // Shows the version information modally.
  void ShowAboutBox();

  CUtilSplitterWnd* OuterSplitter() const { return outer_; }
  CUtilSplitterWnd* InnerSplitter() const { return inner_; }
  // The panes as the splitters hold them (null when missing).
  CUtilMenuView* MenuView() const;
  CUtilDummyView* ContentView() const;
  QWidget* StatusPane() const;
  CUtilStatusView* StatusView() const;
  const CLangResTable& Table() const { return table_; }

 signals:
  // The window was closed (after a close query that allowed it).
  void Closed();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void InstallMessageHandlers();
  plat::LRESULT RelayToStatus(unsigned message, plat::WPARAM wParam, plat::LPARAM lParam);
  plat::LRESULT OnSysCommand(plat::WPARAM command);
  void BeforeProgressRun();
  void AfterProgressRun();

  AppSettingsBlock* block_;
  CUtilSplitterWnd* outer_ = nullptr;
  CUtilSplitterWnd* inner_ = nullptr;
  int menuWidth_ = 0;
  int menuHeight_ = 0;
  MenuItemList* menuItems_ = nullptr;
  bool printerAnswered_ = false;
  CLangResTable table_;
  plat::WindowTag* tag_ = nullptr;
  bool shownOnce_ = false;
  bool closePending_ = false;
  bool closed_ = false;  // a close request was accepted
};
