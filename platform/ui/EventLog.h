#pragma once
// Automation hooks for scripts and end-to-end tests, both off unless the environment
// asks for them:
//
//   XJ_EVENT_LOG=<file>           one line is appended to the file for every notable
//                                 event: "<pid>\t<time>\t<event>[\t<field>...]", the time
//                                 in seconds of the machine's monotonic clock
//                                 (CLOCK_MONOTONIC, the clock of std::chrono::steady_clock)
//                                 with six decimals, so that other processes can set the
//                                 events against their own clock readings. Fields have
//                                 backslash, tab, CR and LF escaped as \\ \t \r \n.
//   XJ_SELECT_DIALOG_ANSWER=ok|cancel
//                                 the printer selection dialog, once shown, is
//                                 answered: OK on its selected row (the first), or Cancel.
//   XJ_MESSAGE_BOX_ANSWER=ok|yes|no|cancel
//                                 message boxes are not shown: each is logged and
//                                 answered with the given answer ("yes"/"no" answer a
//                                 Yes/No box, "cancel" answers Cancel where the box has
//                                 it and No elsewhere, an OK box is always answered OK).
//
// Events: "messagebox" (caption, text, answer), "main-window-shown", "raised" (a second
// start asked this copy to come to the front), "splash-shown", "splash-closed",
// "exit" (exit code), "startup-ended" (reason), "second-copy" (this start found a
// running copy and ends; "answered" or "no-answer": whether that copy came forward) and
// "plugin-dropped" (a menu item left out of the menu: its section, its library's name
// and why).
// The status pane adds "status-line" (the status line as shown), "battery-picture" (the
// picture's number), "error-guidance" (status code, title, guidance text; the dialog is
// not shown when message boxes are answered automatically), "settings-read" (the
// result of reading the printer's settings) and "notification" (summary, body of a
// desktop notification, "sent" or "no-bus"); the progress dialog adds "progress-shown"
// (its title) and "progress-closed" (its title and how many milliseconds it was held
// open after the job had ended, so that it stays up long enough to be read); the printer
// selection dialog adds "printer-list" (one field per row: the row's printer, interface
// and port, separated by " | ") whenever it fills its list, and "selection-answered"
// ("ok" or "cancel") when XJ_SELECT_DIALOG_ANSWER presses its button.
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

inline constexpr char kEventLogVariable[] = "XJ_EVENT_LOG";
inline constexpr char kMessageBoxAnswerVariable[] = "XJ_MESSAGE_BOX_ANSWER";
inline constexpr char kSelectDialogAnswerVariable[] = "XJ_SELECT_DIALOG_ANSWER";

inline constexpr char kEventMessageBox[] = "messagebox";
inline constexpr char kEventMainWindowShown[] = "main-window-shown";
inline constexpr char kEventRaised[] = "raised";
inline constexpr char kEventSplashShown[] = "splash-shown";
inline constexpr char kEventSplashClosed[] = "splash-closed";
inline constexpr char kEventExit[] = "exit";
inline constexpr char kEventStartupEnded[] = "startup-ended";
inline constexpr char kEventSecondCopy[] = "second-copy";
inline constexpr char kEventPluginDropped[] = "plugin-dropped";
inline constexpr char kEventStatusLine[] = "status-line";
inline constexpr char kEventBatteryPicture[] = "battery-picture";
inline constexpr char kEventErrorGuidance[] = "error-guidance";
inline constexpr char kEventSettingsRead[] = "settings-read";
inline constexpr char kEventNotification[] = "notification";
inline constexpr char kEventProgressShown[] = "progress-shown";
inline constexpr char kEventProgressClosed[] = "progress-closed";
inline constexpr char kEventPrinterList[] = "printer-list";
inline constexpr char kEventSelectionAnswered[] = "selection-answered";

// The escaped form of a field as it stands in the log.
std::string EscapeEventField(std::string_view text);

// Appends "<pid>\t<time>\t<event>\t<field1>\t<field2>..." to the log file when
// XJ_EVENT_LOG names one; nothing otherwise. Each line is written with a single append,
// so lines of several threads or processes sharing the file never interleave. Any
// thread.
void LogEvent(std::string_view event, std::initializer_list<std::u16string_view> fields = {});
void LogEvent(std::string_view event, const std::vector<std::u16string_view>& fields);

// One line of the log, taken apart: the fields unescaped.
struct EventLine {
  long pid = 0;
  double seconds = 0;  // CLOCK_MONOTONIC
  std::string name;
  std::vector<std::string> fields;
};
// Parses a line as LogEvent writes it (without its line end); nothing for a line that
// does not have the form (a line cut short by a full disk, for instance).
std::optional<EventLine> ParseEventLine(std::string_view line);

// True when XJ_EVENT_LOG names a file. Any thread.
bool EventLogEnabled();

// Automatic answers of XJ_MESSAGE_BOX_ANSWER.
enum class AutomaticAnswer { kNone, kOk, kYes, kNo, kCancel, kInvalid };
// "ok", "yes", "no", "cancel" (letter case ignored); null or empty gives kNone, anything else
// kInvalid.
AutomaticAnswer ParseAutomaticAnswer(const char* value);
// True when XJ_MESSAGE_BOX_ANSWER holds a valid answer: windows the user only reads and
// closes (the error guidance) are then logged and not shown. Any thread.
bool AutomaticAnswersEnabled();
// The answer a box of the given type (MB_OK, MB_YESNO plus icon bits) gets.
int AutomaticAnswerFor(AutomaticAnswer answer, unsigned type);

// Installs the message-box hook when either variable is set: every box is logged;
// with an answer the box is answered without being shown, otherwise it is shown as
// usual and logged with the user's answer. An invalid answer is reported on standard
// error once, and boxes are then shown. Returns true when a hook was installed.
// UI thread, once at start.
bool InstallMessageBoxAutomation();

}  // namespace plat
