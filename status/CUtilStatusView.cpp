#include "status/CUtilStatusView.h"

#include "comm/XJC.h"
#include "views/Messages.h"

CUtilStatusView::CUtilStatusView(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  plat::SetMessageHandler(this, UM_UPDATE_PRINTER_INFO,
                          [this](plat::WPARAM, plat::LPARAM) { return OnUpdatePrinterInfo(); });
  plat::SetMessageHandler(this, UM_GET_PRINTER_STATUS,
                          [this](plat::WPARAM w, plat::LPARAM) { return OnGetPrinterStatus(w); });
  plat::SetMessageHandler(this, UM_READ_PRINTER_SETTINGS,
                          [this](plat::WPARAM, plat::LPARAM) { return OnReadPrinterSettings(); });
  plat::SetMessageHandler(this, UM_STOP_STATUS_MONITOR,
                          [this](plat::WPARAM, plat::LPARAM) { return OnStopStatusMonitor(); });
  plat::SetMessageHandler(this, UM_PRINTER_STATUS,
                          [this](plat::WPARAM w, plat::LPARAM) { return OnPrinterStatus(w); });
  plat::SetMessageHandler(this, UM_BATTERY_STATUS,
                          [this](plat::WPARAM w, plat::LPARAM) { return OnBatteryStatus(w); });
}

CUtilStatusView::~CUtilStatusView() = default;

XJC_RESULT CUtilStatusView::RegisterStatusCallbacks(XJC* xjc) {
  if (xjc == nullptr || !xjc->IsLoaded()) return XJC_E_NOT_LOADED;
  void* context = plat::WindowHandle(this);
  const XJC_RESULT status = xjc->XJC_RegisterStatusProc(&CUtilStatusView::StatusCallback, context);
  const XJC_RESULT battery = xjc->XJC_RegisterBatStatusProc(&CUtilStatusView::BatteryCallback, context);
  return status != XJC_OK ? status : battery;
}

std::int32_t CUtilStatusView::StatusCallback(std::uint32_t value, void* context) {
  auto* view = static_cast<plat::HWND>(context);
  if (!plat::IsWindow(view)) return 0;
  return plat::PostMessage(view, UM_PRINTER_STATUS, value, reinterpret_cast<plat::LPARAM>(view)) ? 1 : 0;
}

std::int32_t CUtilStatusView::BatteryCallback(std::uint32_t value, void* context) {
  auto* view = static_cast<plat::HWND>(context);
  if (!plat::IsWindow(view)) return 0;
  return plat::PostMessage(view, UM_BATTERY_STATUS, value & 0xFFFFu, reinterpret_cast<plat::LPARAM>(view)) ? 1 : 0;
}

plat::LRESULT CUtilStatusView::OnUpdatePrinterInfo() { return kResultOk; }

plat::LRESULT CUtilStatusView::OnGetPrinterStatus(plat::WPARAM statusOut) {
  if (statusOut != 0) *reinterpret_cast<std::int32_t*>(statusOut) = shownStatus_;
  return kResultOk;
}

plat::LRESULT CUtilStatusView::OnReadPrinterSettings() { return kResultOk; }

plat::LRESULT CUtilStatusView::OnStopStatusMonitor() {
  monitoringEnabled_ = false;
  return kResultOk;
}

plat::LRESULT CUtilStatusView::OnPrinterStatus(plat::WPARAM) { return kResultHandled; }

plat::LRESULT CUtilStatusView::OnBatteryStatus(plat::WPARAM) { return kResultHandled; }
