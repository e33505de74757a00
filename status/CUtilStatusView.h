#pragma once
// CUtilStatusView: the status pane across the bottom of the main window. It shows a
// picture of the printer, the printer's name, its port, its status and a battery
// picture; follows the status and battery codes the communication library reports
// through two callbacks that only post messages; reads the printer's settings again
// when the printer comes back (through the hidden printer settings view it owns); opens
// the error guidance for a fatal or auto cutter error; and tells the desktop when the
// printer needs the user. What it decides is PrinterStatusMachine's; this class shows it.
//
// Other windows talk to it only through messages, which the main frame relays:
// UM_UPDATE_PRINTER_INFO, UM_GET_PRINTER_STATUS, UM_READ_PRINTER_SETTINGS,
// UM_STOP_STATUS_MONITOR, and from the callbacks UM_PRINTER_STATUS, UM_BATTERY_STATUS.
//
// Threads: UI thread only, except the two callbacks, which the library calls on its
// monitor thread and which only post messages.
#include <QPixmap>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "lang/CLangResTable.h"
#include "menu/MenuItem.h"
#include "platform/ui/Messages.h"
#include "sdk/XJComm.h"
#include "status/PrinterStatusMachine.h"
#include "status/StatusPaneText.h"

class CPrinterSettingViewCtrl;
class CStaticItem;
class CStaticPictureItem;
class DesktopNotifier;
class XJC;
struct AppSettingsBlock;

// Status shown before any notification arrived.
inline constexpr std::int32_t kStatusUnknown = XJC_STATUS_UNKNOWN;

// Message results.
inline constexpr plat::LRESULT kStatusMessageOk = 0;
inline constexpr plat::LRESULT kStatusMessageFailed = -1;     // no printer information block
inline constexpr plat::LRESULT kStatusMessageHandled = 1;
inline constexpr plat::LRESULT kStatusMessageReadFailed = 0;  // the printer came back wrong

// ReadPrinterSettings without a page to read with.
inline constexpr std::int32_t kReadNoPage = -25;

// Text of the language-file failure at the initial update.
inline constexpr char16_t kTextNoFilesClosing[] = u"Could not find the required files.\nClosing application.";

class CUtilStatusView : public QWidget {
  Q_OBJECT
 public:
  // Dialog template of the pane, its size and controls (dialog units).
  static constexpr int IDD = 135;
  static constexpr int kWidthDlu = 435;
  static constexpr int kHeightDlu = 30;
  static constexpr int IDC_PRINTER_PICTURE = 1017;
  static constexpr int IDC_PRINTER_NAME = 1021;
  static constexpr int IDC_PORT = 1022;
  static constexpr int IDC_STATUS = 1025;
  static constexpr int IDC_BATTERY = 1033;
  // Message results of the first shape of the pane.
  static constexpr plat::LRESULT kResultOk = kStatusMessageOk;
  static constexpr plat::LRESULT kResultHandled = kStatusMessageHandled;
  // How long ReadPrinterSettings waits before it opens a port given by its connection
  // path a second time.
  static constexpr int kReopenDelayMs = 1000;

  explicit CUtilStatusView(QWidget* parent = nullptr);
  // Releases the battery bitmap, the controller (and with it the hidden settings view).
  ~CUtilStatusView() override;

  // The initial update: the language texts ("PRT_STATUS"; without any language file a
  // warning and WM_CLOSE to the main window, and the pane stays empty), the hidden
  // printer settings view as a child of mainFrame, the printer information block in the
  // data manager when missing, the text controls' background, the name and port lines,
  // and in file mode no battery picture. printerAnswered: the printer answered start-up's
  // communication test (never in file mode). block must outlive the view. Once.
  void OnInitialUpdate(AppSettingsBlock* block, QWidget* mainFrame, bool printerAnswered);

  // Keeps the menu item list whose plug-ins read their settings from the printer (null:
  // none yet). The menu view keeps owning it.
  void SetMenuItems(MenuItemList* items);
  MenuItemList* MenuItems() const { return items_; }

  // Starts following the printer: the name and port lines, the menu items; when the
  // printer answered at start-up, "Online" and a read of the printer's settings,
  // otherwise the status shown so far; then registers both callbacks.
  void StartMonitoring(MenuItemList* items);

  // Registers StatusCallback and BatteryCallback with the library, each with this
  // view's window handle as context. XJC_E_NOT_LOADED (nothing registered) when xjc is
  // null or its library is not loaded; otherwise the first failing registration's
  // result, or XJC_OK.
  XJC_RESULT RegisterStatusCallbacks(XJC* xjc);

  // The library's status procedure: posts UM_PRINTER_STATUS (wParam = value, lParam =
  // the view's handle) to the view whose handle is context while that view exists;
  // returns the post's result (1 posted, 0 not). Library monitor thread.
  static std::int32_t StatusCallback(std::uint32_t value, void* context);
  // The battery procedure: the same with UM_BATTERY_STATUS and the value's low 16 bits.
  static std::int32_t BatteryCallback(std::uint32_t value, void* context);

  // Reads the printer's settings behind the progress dialog (the printer settings
  // view's read as a communication job); a port given by its connection path is opened
  // afresh around it. 1 without a menu item list; otherwise the read's result, 1 when
  // complete.
  std::int32_t ReadPrinterSettings();

  // The status code shown, kStatusUnknown before any notification.
  std::int32_t ShownStatus() const { return machine_.ShownStatus(); }
  bool MonitoringEnabled() const { return machine_.MonitoringEnabled(); }
  const PrinterStatusMachine& Machine() const { return machine_; }
  // The texts as the controls show them.
  QString StatusText() const;
  QString NameText() const;
  QString PortText() const;
  // The battery picture's number (res/ResourceIds.h).
  int BatteryPicture() const { return batteryPicture_; }
  CStaticPictureItem* BatteryControl() const { return battery_; }
  CPrinterSettingViewCtrl* SettingViewCtrl() const { return ctrl_.get(); }
  // The last status word shown, without label.
  const std::u16string& LastStatusText() const { return lastStatusText_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

  // The pane's operations, in this order, each the handler of its message.
  // UM_GET_PRINTER_STATUS: stores the shown status code at statusOut; 0.
  virtual plat::LRESULT OnGetPrinterStatus(plat::WPARAM statusOut);
  // WM_ERASEBKGND: the pane is painted in the window colour; 1.
  virtual plat::LRESULT OnEraseBackground(plat::WPARAM deviceContext);
  // UM_UPDATE_PRINTER_INFO: rebuilds the name and port lines and shows all three; 0, or
  // -1 (nothing changes) when the printer information block cannot be read.
  virtual plat::LRESULT OnUpdatePrinterInfo();
  // UM_READ_PRINTER_SETTINGS: ReadPrinterSettings; its result.
  virtual plat::LRESULT OnReadPrinterSettings();
  // UM_STOP_STATUS_MONITOR: status and battery codes are ignored from now on; 0.
  virtual plat::LRESULT OnStopStatusMonitor();
  // UM_PRINTER_STATUS: the status machine's step shown; 1, or 0 when the printer came
  // back wrong (the read was refused and the old status stays).
  virtual plat::LRESULT OnPrinterStatus(plat::WPARAM status);
  // UM_BATTERY_STATUS: the battery picture of the code; 1.
  virtual plat::LRESULT OnBatteryStatus(plat::WPARAM battery);

 private:

  void CreateControls();
  std::u16string StatusWordText(std::int32_t code) const;
  void SetStatusLine(const std::u16string& word);
  void ShowBatteryPicture(int picture);
  void OpenErrorGuidance(std::int32_t code);
  void Notify(const std::u16string& summary);
  XJC* Comm();

  AppSettingsBlock* block_ = nullptr;
  QWidget* mainFrame_ = nullptr;
  bool printerAnswered_ = false;
  MenuItemList* items_ = nullptr;
  bool itemsHandedOver_ = false;
  XJC* xjc_ = nullptr;

  CStaticPictureItem* printer_ = nullptr;
  CStaticItem* name_ = nullptr;
  CStaticItem* port_ = nullptr;
  CStaticItem* status_ = nullptr;
  CStaticPictureItem* battery_ = nullptr;
  int batteryPicture_ = 0;

  // The three lines as the data exchange keeps them.
  std::u16string statusLine_;
  std::u16string nameLine_;
  std::u16string portLine_;
  std::u16string lastStatusText_ = u"Unknown";

  PrinterStatusMachine machine_;
  std::unique_ptr<CPrinterSettingViewCtrl> ctrl_;
  CLangResTable table_;
  StatusPaneLabels labels_;
  std::unique_ptr<DesktopNotifier> notifier_;
  bool initialized_ = false;
};
