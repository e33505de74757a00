#pragma once
// CUtilStatusView: the status pane across the bottom of the main window. This is its
// first shape: it exists as row 1 of the frame's outer splitter, takes the messages the
// frame relays to it (UM_UPDATE_PRINTER_INFO .. UM_STOP_STATUS_MONITOR), answers the
// status question with "unknown" (-1), and registers its status and battery callbacks
// with the communication library. Showing the printer's name, port, status and battery
// comes with the status view proper.
//
// Threads: UI thread only, except the two callbacks, which the library calls on its
// monitor thread and which only post messages.
#include <QWidget>
#include <cstdint>

#include "sdk/XJComm.h"
#include "platform/ui/Messages.h"

class XJC;

// Status shown before any notification arrived.
inline constexpr std::int32_t kStatusUnknown = -1;

class CUtilStatusView : public QWidget {
  Q_OBJECT
 public:
  // Message results.
  static constexpr plat::LRESULT kResultOk = 0;
  static constexpr plat::LRESULT kResultHandled = 1;

  explicit CUtilStatusView(QWidget* parent = nullptr);
  ~CUtilStatusView() override;

  // Registers StatusCallback and BatteryCallback with the library, each with this
  // view's window handle as context. XJC_E_NOT_LOADED (nothing registered) when xjc is
  // null or its library is not loaded; otherwise the first failing registration's
  // result, or XJC_OK. UI thread.
  XJC_RESULT RegisterStatusCallbacks(XJC* xjc);

  // The library's status procedure: posts UM_PRINTER_STATUS (wParam = value, lParam =
  // the view's handle) to the view whose handle is context while that view exists;
  // returns the post's result (1 posted, 0 not). Library monitor thread.
  static std::int32_t StatusCallback(std::uint32_t value, void* context);
  // The battery procedure: the same with UM_BATTERY_STATUS and the value's low 16 bits.
  static std::int32_t BatteryCallback(std::uint32_t value, void* context);

  // The status code shown, kStatusUnknown before any notification.
  std::int32_t ShownStatus() const { return shownStatus_; }
  bool MonitoringEnabled() const { return monitoringEnabled_; }

 private:
  plat::LRESULT OnUpdatePrinterInfo();
  plat::LRESULT OnGetPrinterStatus(plat::WPARAM statusOut);
  plat::LRESULT OnReadPrinterSettings();
  plat::LRESULT OnStopStatusMonitor();
  plat::LRESULT OnPrinterStatus(plat::WPARAM status);
  plat::LRESULT OnBatteryStatus(plat::WPARAM battery);

  std::int32_t shownStatus_ = kStatusUnknown;
  bool monitoringEnabled_ = true;
};
