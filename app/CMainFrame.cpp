#include "app/CMainFrame.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <cstdlib>

#include "sdk/AppSettingsBlock.h"
#include "app/CAboutDlg.h"
#include "app/CUtilDummyView.h"
#include "app/CUtilSplitterWnd.h"
#include "comm/CCommStateDlg.h"
#include "comm/XJC.h"
#include "menu/CUtilMenuView.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/EventLog.h"
#include "platform/ui/RunningCopy.h"
#include "status/CUtilStatusView.h"
#include "views/Messages.h"

namespace {
constexpr char16_t kMainWindowResourceKey[] = u"MAIN_WINDOW";
constexpr int kProgressTitleMessage = 0;
constexpr char16_t kAboutMenuText[] = u"&About XJ-K52II Utility...";
// Cells of the splitters.
constexpr int kOuterContentRow = 0;
constexpr int kOuterStatusRow = 1;
constexpr int kInnerMenuColumn = 0;
constexpr int kInnerContentColumn = 1;
}  // namespace

std::u16string RunningCopyTagName() {
  return std::u16string(kRunningCopyTagBase) + u"_" + kRunningCopyTagModel;
}

CMainFrame::CMainFrame(AppSettingsBlock* block, QWidget* parent) : QWidget(parent), block_(block) {
  // A frame without maximise button and without sizing border.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(kMinWidth, kMinHeight);
  InstallMessageHandlers();
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::Create() {
  // Texts of the main window; without a language file the built-in texts stay.
  if (block_ != nullptr) {
    table_.SelectLanguageFile(plat::FieldText(block_->langFolder), block_->langId, kLangIdEnglish);
    if (table_.IsFileFound()) table_.LoadResources(kMainWindowResourceKey);
  }

  tag_ = new plat::WindowTag(this, plat::ToQString(RunningCopyTagName()));

  setWindowTitle(plat::ToQString(std::u16string(kUtilityModelName) + u" Utility " + kUtilityVersionText));

  // Client area: the outer splitter fills it; its row 1 is the status pane, its row 0
  // the inner splitter with the menu and the content pane.
  outer_ = new CUtilSplitterWnd(this);
  if (!outer_->CreateStatic(2, 1)) return false;
  outer_->setGeometry(rect());
  auto* status = new CUtilStatusView;
  if (!outer_->CreateView(kOuterStatusRow, 0, status, QSize(1, 1))) return false;
  status->OnInitialUpdate(block_, this, printerAnswered_);
  inner_ = new CUtilSplitterWnd;
  if (!inner_->CreateStatic(1, 2)) return false;
  if (!outer_->CreateView(kOuterContentRow, 0, inner_, QSize(1, 1))) return false;
  auto* menu = new CUtilMenuView;
  if (!inner_->CreateView(0, kInnerMenuColumn, menu, QSize(1, 1))) return false;
  auto* content = new CUtilDummyView;
  if (!inner_->CreateView(0, kInnerContentColumn, content, QSize(1, 1))) return false;
  outer_->show();

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }

  // The plug-ins get the frame and the content pane, in which they show their pages.
  menu->SetHost(block_, this, content);
  menu->SetItemsReceiver([this](MenuItemList* items) { SetMenuItems(items); });
  menu->SetListSizeReceiver([this](int width, int height) { SetMenuPaneSize(width, height); });
  menu->OnInitialUpdate();
  return true;
}

std::optional<PaneLayout> CMainFrame::ComputePaneLayout(int clientWidth, int clientHeight, int menuWidth,
                                                        int menuHeight) {
  if (menuWidth <= 0 || menuHeight <= 0) return std::nullopt;
  PaneLayout layout{};
  layout.outerColumnWidth = clientWidth;
  layout.outerRow0Height = std::abs(clientHeight - kOuterRowMargin);
  layout.outerRow1Height = kStatusRowHeight;
  layout.innerColumn0Width = menuWidth;
  layout.innerColumn1Width = std::abs(clientWidth - menuWidth);
  layout.innerRow0Height = std::abs(clientHeight - kInnerRowMargin);
  return layout;
}

SizingRect CMainFrame::ApplySizingLimit(const SizingRect& proposed) {
  SizingRect rect = proposed;
  if (rect.right - rect.left < kMinWidth) rect.right = rect.left + kMinWidth;
  if (rect.bottom - rect.top < kMinHeight) rect.bottom = rect.top + kMinHeight;
  return rect;
}

void CMainFrame::SetMenuPaneSize(int width, int height) {
  menuWidth_ = width;
  menuHeight_ = height;
  RecalcPaneLayout();
}

void CMainFrame::SetMenuItems(MenuItemList* items) {
  // Kept for the status view, which starts monitoring the printer with these items.
  menuItems_ = items;
  if (CUtilStatusView* status = StatusView()) status->StartMonitoring(items);
}

void CMainFrame::RecalcPaneLayout() {
  if (outer_ == nullptr || inner_ == nullptr) return;
  if (outer_->GetRowCount() < 2 || inner_->GetColumnCount() < 2) return;
  const std::optional<PaneLayout> layout = ComputePaneLayout(width(), height(), menuWidth_, menuHeight_);
  if (!layout) return;
  outer_->SetColumnInfo(0, layout->outerColumnWidth, kPaneMinimum);
  outer_->SetRowInfo(kOuterContentRow, layout->outerRow0Height, kPaneMinimum);
  outer_->SetRowInfo(kOuterStatusRow, layout->outerRow1Height, kPaneMinimum);
  outer_->RecalcLayout();
  inner_->SetColumnInfo(kInnerMenuColumn, layout->innerColumn0Width, kPaneMinimum);
  inner_->SetColumnInfo(kInnerContentColumn, layout->innerColumn1Width, kPaneMinimum);
  inner_->SetRowInfo(0, layout->innerRow0Height, kPaneMinimum);
  inner_->RecalcLayout();
}

CUtilMenuView* CMainFrame::MenuView() const {
  return inner_ != nullptr ? qobject_cast<CUtilMenuView*>(inner_->GetPane(0, kInnerMenuColumn)) : nullptr;
}

CUtilDummyView* CMainFrame::ContentView() const {
  return inner_ != nullptr ? qobject_cast<CUtilDummyView*>(inner_->GetPane(0, kInnerContentColumn)) : nullptr;
}

QWidget* CMainFrame::StatusPane() const {
  return outer_ != nullptr ? outer_->GetPane(kOuterStatusRow, 0) : nullptr;
}

CUtilStatusView* CMainFrame::StatusView() const { return qobject_cast<CUtilStatusView*>(StatusPane()); }

bool CMainFrame::QueryClose() {
  CUtilMenuView* menu = MenuView();
  if (menu == nullptr) return true;
  const int current = menu->CurrentIndex();
  if (current < 0) return true;
  if (menu->IsPluginLoaded(current)) return menu->ChangeMenuState(current, kMenuStateLeave) == kMenuLeaveAllowed;
  // Nobody can say whether this page may be left: the request is ignored.
  return false;
}

void CMainFrame::ShowAboutBox() {
  CAboutDlg about(this);
  about.exec();
}

void CMainFrame::InstallMessageHandlers() {
  plat::SetMessageHandler(this, plat::WM_CLOSE, [this](plat::WPARAM, plat::LPARAM) {
    close();
    return plat::LRESULT{0};
  });
  plat::SetMessageHandler(this, plat::WM_SYSCOMMAND,
                          [this](plat::WPARAM command, plat::LPARAM) { return OnSysCommand(command); });
  plat::SetMessageHandler(this, plat::WM_SIZING, [](plat::WPARAM, plat::LPARAM rect) {
    if (rect != 0) {
      auto* sizing = reinterpret_cast<SizingRect*>(rect);
      *sizing = ApplySizingLimit(*sizing);
    }
    return plat::LRESULT{1};
  });
  for (const unsigned message : {UM_UPDATE_PRINTER_INFO, UM_GET_PRINTER_STATUS, UM_READ_PRINTER_SETTINGS,
                                 UM_STOP_STATUS_MONITOR}) {
    plat::SetMessageHandler(this, message, [this, message](plat::WPARAM w, plat::LPARAM l) {
      return RelayToStatus(message, w, l);
    });
  }
  InstallProgressDialogHandlers(
      this, [this] { return table_.MessageOr(kProgressTitleMessage, kProgressDialogDefaultTitle); },
      ProgressDialogHooks{[this] { BeforeProgressRun(); }, [this] { AfterProgressRun(); }});

  auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
  help->setContext(Qt::WindowShortcut);
  connect(help, &QShortcut::activated, this, &CMainFrame::ShowAboutBox);
}

plat::LRESULT CMainFrame::RelayToStatus(unsigned message, plat::WPARAM wParam, plat::LPARAM lParam) {
  QWidget* status = StatusPane();
  if (status == nullptr) return 0;
  if (message == UM_UPDATE_PRINTER_INFO) {
    plat::PostMessage(plat::WindowHandle(status), message, wParam, lParam);
    return 0;
  }
  return plat::SendMessage(plat::WindowHandle(status), message, wParam, lParam);
}

plat::LRESULT CMainFrame::OnSysCommand(plat::WPARAM command) {
  switch (command & 0xFFF0u) {
    case SC_ABOUTBOX: ShowAboutBox(); break;
    case SC_CLOSE: close(); break;
    case SC_MINIMIZE: showMinimized(); break;
    case SC_RESTORE: showNormal(); break;
    default: break;
  }
  return 0;
}

void CMainFrame::BeforeProgressRun() {
  // The status view must not be driven by the library while a page's job talks to the
  // printer.
  XJC* xjc = BlockXJC(block_);
  if (StatusView() == nullptr || xjc == nullptr || !xjc->IsLoaded()) return;
  xjc->XJC_UnregisterStatusProc();
  xjc->XJC_UnregisterBatStatusProc();
}

void CMainFrame::AfterProgressRun() {
  XJC* xjc = BlockXJC(block_);
  CUtilStatusView* status = StatusView();
  if (status == nullptr || xjc == nullptr || !xjc->IsLoaded()) return;
  xjc->XJC_Initialize();
  status->RegisterStatusCallbacks(xjc);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (outer_ != nullptr) outer_->setGeometry(rect());
  RecalcPaneLayout();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // The toolkit may deliver one close request twice (to the widget and to its native
  // window); the page was asked once and has let go, so it is not asked again.
  if (closed_) {
    event->accept();
    return;
  }
  if (!isEnabled()) {
    closePending_ = true;
    event->ignore();
    return;
  }
  if (!QueryClose()) {
    event->ignore();
    return;
  }
  event->accept();
  closed_ = true;
  emit Closed();
}

void CMainFrame::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!shownOnce_) {
    shownOnce_ = true;
    plat::LogEvent(plat::kEventMainWindowShown, {plat::FromQString(windowTitle())});
  }
}

void CMainFrame::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange && isEnabled() && closePending_) {
    closePending_ = false;
    plat::PostMessage(plat::WindowHandle(this), plat::WM_CLOSE, 0, 0);
  }
}

void CMainFrame::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* about = menu.addAction(plat::ToQString(kAboutMenuText));
  if (menu.exec(event->globalPos()) == about) ShowAboutBox();
}
