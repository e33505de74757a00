#pragma once
// Which changes of the printer's status reach the user as a desktop notification, and
// the switch in SETTING.INI that turns them off. A change notifies at most once: the
// shown status turning into an error, an open cover or paper out, or the battery
// picture turning to low or empty from a picture that was neither.
//
// No Qt here. Pure functions except NotificationsEnabled, which reads SETTING.INI.
#include <cstdint>
#include <optional>
#include <string_view>

struct StatusStep;

// SETTING.INI: section and key of the switch (1 on, 0 off; a missing key is on).
inline constexpr char16_t kNotificationSection[] = u"Notification";
inline constexpr char16_t kNotificationKey[] = u"DesktopNotification";
inline constexpr std::int32_t kNotificationsOn = 1;

enum class StatusNotice {
  kNone,
  kError,      // fatal, recoverable, auto-recoverable, auto cutter or paper layout error
  kCoverOpen,
  kPaperOut,   // roll paper or journal
};

// The notice a status step gives: one for a step that changed the shown code into one of
// the kinds above, kNone otherwise.
StatusNotice NoticeForStatus(const StatusStep& step);

// True when the battery picture changes from previous (none before the first) to a
// low or empty one and previous was neither.
bool NoticeForBattery(std::optional<int> previous, int picture);

// The switch of the SETTING.INI at settingIniPath.
bool NotificationsEnabled(std::u16string_view settingIniPath);
