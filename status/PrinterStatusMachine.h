#pragma once
// PrinterStatusMachine: what the status pane makes of the status and battery codes the
// communication library reports. It decides which code the pane shows, when the
// printer's settings must be read again, when the error guidance opens and which
// battery picture is shown; the pane does the showing, the reading and the opening.
//
// The status it shows: a code the library reports is either a main code or an ink code
// (IsInkStatusCode). A pending ink condition hides "Online" and every main code at or
// above it; a lower main code wins over it; XJC_STATUS_INK_CLEARED brings the last main
// code back. A code outside the table shows as unknown.
//
// Reading the settings again: after the printer was offline, could not be asked, or
// reported a code the pane does not know, the next code that lets the printer be talked
// to (online, or a near-end warning) asks for a read; only a complete read
// (kSettingsReadComplete) ends the request. A printer that could not be asked may have
// been restarted, reset or exchanged meanwhile, so its settings are read once more when
// it answers again. A read that the printer stopped answering in the middle of
// (kSettingsReadNoAnswer) may have met a connection that was lost and is back at once,
// so the status stays the same: the next report of it counts as new and the read is
// tried once more, but only once until the printer is seen in another state, so a
// printer that always stops at the same place is not read over and over.
//
// No Qt here. Not thread-safe: the pane uses it on the UI thread.
#include <cstdint>
#include <optional>

#include "sdk/XJComm.h"

// Result of a complete settings read (ReadPrinterSettings of the pane), and of one that
// ended because the printer stopped answering.
inline constexpr std::int32_t kSettingsReadComplete = 1;
inline constexpr std::int32_t kSettingsReadNoAnswer = -64;

// What one status code changes.
struct StatusStep {
  // False when the code was ignored: monitoring stopped, or the same main code again.
  bool handled = false;
  // The code to show (XJC_STATUS_UNKNOWN for a code outside the table) and the one shown
  // before.
  std::int32_t shown = XJC_STATUS_UNKNOWN;
  std::int32_t previous = XJC_STATUS_UNKNOWN;
  // The printer's settings are to be read now (the pane skips it while another
  // communication job runs).
  bool readSettings = false;
  // The shown code changed to a fatal or an auto cutter error: the error guidance opens.
  bool opensGuidance = false;
  // The shown code differs from the one shown before.
  bool changed() const { return handled && shown != previous; }
};

class PrinterStatusMachine {
 public:
  // Monitoring starts. When the start-up communication succeeded the printer is taken
  // as online (main code 0, shown 0); otherwise the shown code stays as it is.
  void StartMonitoring(bool startupCommunicationOk);
  // Monitoring ends: from now on every status and battery code is ignored.
  void StopMonitoring() { monitoringEnabled_ = false; }

  // Takes a status code from the library.
  StatusStep OnStatus(std::int32_t code);
  // The read that step asked for failed because the printer is not the right one or
  // could not be read after the user was told (-67): the code shown before comes back
  // and the read stays due.
  void RollBack(const StatusStep& step);
  // The result of a settings read: a complete read ends the request for one; one the
  // printer stopped answering is tried again at the next status report (see above).
  void OnSettingsRead(std::int32_t result);

  // Takes a battery code: the picture to show now, nothing when the code was ignored,
  // repeats the last one, or has no picture (the picture stays).
  std::optional<int> OnBattery(std::uint16_t code, bool scaleIsFine);

  std::int32_t ShownStatus() const { return shownStatus_; }
  std::int32_t LastMainStatus() const { return lastMainStatus_; }
  std::int32_t InkStatus() const { return inkStatus_; }
  bool NeedsSettingsRead() const { return needsSettingsRead_; }
  bool MonitoringEnabled() const { return monitoringEnabled_; }
  std::optional<std::uint16_t> LastBatteryCode() const { return lastBatteryCode_; }

 private:
  std::int32_t shownStatus_ = XJC_STATUS_UNKNOWN;
  std::int32_t lastMainStatus_ = XJC_STATUS_UNKNOWN;
  std::int32_t inkStatus_ = XJC_STATUS_INK_CLEARED;
  std::optional<std::uint16_t> lastBatteryCode_;
  bool monitoringEnabled_ = true;
  bool needsSettingsRead_ = true;
  bool retriedAfterNoAnswer_ = false;
};
