#include "status/PrinterStatusMachine.h"

#include "status/BatteryPictures.h"
#include "status/PrinterStatusTexts.h"

namespace {

// Codes after which the printer's settings may no longer be those read before.
bool InvalidatesSettings(std::int32_t shown) {
  return shown == XJC_STATUS_UNKNOWN || shown == XJC_STATUS_OFFLINE || shown == XJC_STATUS_NO_REPLY ||
         shown == XJC_STATUS_BATTERY_OFFLINE;
}

// Codes in which the printer can be talked to, so a due read may run.
bool AllowsSettingsRead(std::int32_t shown) {
  switch (shown) {
    case XJC_STATUS_ONLINE:
    case XJC_STATUS_PAPER_NEAR_END:
    case XJC_STATUS_JOURNAL_NEAR_END:
    case XJC_STATUS_INK_1_NEAR_END:
    case XJC_STATUS_INK_2_NEAR_END:
      return true;
    default:
      return false;
  }
}

bool IsGuidedError(std::int32_t shown) {
  return shown == XJC_STATUS_FATAL_ERROR || shown == XJC_STATUS_AUTOCUTTER_ERROR;
}

}  // namespace

void PrinterStatusMachine::StartMonitoring(bool startupCommunicationOk) {
  if (!startupCommunicationOk) return;
  lastMainStatus_ = XJC_STATUS_ONLINE;
  shownStatus_ = XJC_STATUS_ONLINE;
}

StatusStep PrinterStatusMachine::OnStatus(std::int32_t code) {
  StatusStep step;
  step.previous = shownStatus_;
  step.shown = shownStatus_;
  if (!monitoringEnabled_ || code == lastMainStatus_) return step;
  step.handled = true;

  std::int32_t shown = code;
  if (IsInkStatusCode(code)) {
    inkStatus_ = code;
    if (code == XJC_STATUS_INK_CLEARED) shown = lastMainStatus_;
  } else {
    lastMainStatus_ = code;
    if (inkStatus_ != XJC_STATUS_INK_CLEARED && (code == XJC_STATUS_ONLINE || code >= inkStatus_)) shown = inkStatus_;
  }
  if (!IsKnownStatusCode(shown)) shown = XJC_STATUS_UNKNOWN;
  if (InvalidatesSettings(shown)) needsSettingsRead_ = true;
  if (!AllowsSettingsRead(shown)) retriedAfterNoAnswer_ = false;

  shownStatus_ = shown;
  step.shown = shown;
  step.readSettings = needsSettingsRead_ && AllowsSettingsRead(shown);
  step.opensGuidance = IsGuidedError(shown) && shown != step.previous;
  return step;
}

void PrinterStatusMachine::RollBack(const StatusStep& step) {
  if (!step.handled) return;
  shownStatus_ = step.previous;
  needsSettingsRead_ = true;
}

void PrinterStatusMachine::OnSettingsRead(std::int32_t result) {
  if (result == kSettingsReadComplete) {
    needsSettingsRead_ = false;
    retriedAfterNoAnswer_ = false;
  } else if (result == kSettingsReadNoAnswer && !retriedAfterNoAnswer_) {
    // The status has not changed for the library, which reports it only on changes and
    // once to every new registration: forget it, so that report asks for the read.
    retriedAfterNoAnswer_ = true;
    lastMainStatus_ = XJC_STATUS_UNKNOWN;
  }
}

std::optional<int> PrinterStatusMachine::OnBattery(std::uint16_t code, bool scaleIsFine) {
  if (!monitoringEnabled_ || lastBatteryCode_ == code) return std::nullopt;
  lastBatteryCode_ = code;
  return BatteryPictureFor(code, scaleIsFine);
}
