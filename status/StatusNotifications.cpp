#include "status/StatusNotifications.h"

#include "platform/Profile.h"
#include "sdk/XJComm.h"
#include "status/BatteryPictures.h"
#include "status/PrinterStatusMachine.h"

StatusNotice NoticeForStatus(const StatusStep& step) {
  if (!step.changed()) return StatusNotice::kNone;
  switch (step.shown) {
    case XJC_STATUS_FATAL_ERROR:
    case XJC_STATUS_RECOVERABLE_ERROR:
    case XJC_STATUS_AUTO_RECOVERABLE_ERROR:
    case XJC_STATUS_AUTOCUTTER_ERROR:
    case XJC_STATUS_PAPER_LAYOUT_ERROR:
      return StatusNotice::kError;
    case XJC_STATUS_COVER_OPEN:
      return StatusNotice::kCoverOpen;
    case XJC_STATUS_PAPER_END:
    case XJC_STATUS_JOURNAL_END:
      return StatusNotice::kPaperOut;
    default:
      return StatusNotice::kNone;
  }
}

bool NoticeForBattery(std::optional<int> previous, int picture) {
  if (!IsLowBatteryPicture(picture)) return false;
  return !previous || !IsLowBatteryPicture(*previous);
}

bool NotificationsEnabled(std::u16string_view settingIniPath) {
  return plat::ProfileInt(kNotificationSection, kNotificationKey, kNotificationsOn, settingIniPath) != 0;
}
