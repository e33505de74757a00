#pragma once
// Automation hooks for scripts and end-to-end tests, both off unless the environment
// asks for them:
//
//   XJ_EVENT_LOG=<file>           one line is appended to the file for every notable
//                                 event: "<pid>\t<event>[\t<field>...]". Fields have
//                                 backslash, tab, CR and LF escaped as \\ \t \r \n.
//   XJ_MESSAGE_BOX_ANSWER=ok|yes|no|cancel
//                                 message boxes are not shown: each is logged and
//                                 answered with the given answer ("yes"/"no" answer a
//                                 Yes/No box, "cancel" answers Cancel where the box has
//                                 it and No elsewhere, an OK box is always answered OK).
//
// Events: "messagebox" (caption, text, answer), "main-window-shown", "raised" (a second
// start asked this copy to come to the front), "splash-shown", "splash-closed",
// "exit" (exit code), "startup-ended" (reason) and "second-copy" (this start found a
// running copy and ends; "answered" or "no-answer": whether that copy came forward).
#include <initializer_list>
#include <string>
#include <string_view>

namespace plat {

inline constexpr char kEventLogVariable[] = "XJ_EVENT_LOG";
inline constexpr char kMessageBoxAnswerVariable[] = "XJ_MESSAGE_BOX_ANSWER";

inline constexpr char kEventMessageBox[] = "messagebox";
inline constexpr char kEventMainWindowShown[] = "main-window-shown";
inline constexpr char kEventRaised[] = "raised";
inline constexpr char kEventSplashShown[] = "splash-shown";
inline constexpr char kEventSplashClosed[] = "splash-closed";
inline constexpr char kEventExit[] = "exit";
inline constexpr char kEventStartupEnded[] = "startup-ended";
inline constexpr char kEventSecondCopy[] = "second-copy";

// The escaped form of a field as it stands in the log.
std::string EscapeEventField(std::string_view text);

// Appends "<pid>\t<event>\t<field1>\t<field2>..." to the log file when XJ_EVENT_LOG
// names one; nothing otherwise. Each line is written with a single append, so lines of
// several threads or processes sharing the file never interleave. Any thread.
void LogEvent(std::string_view event, std::initializer_list<std::u16string_view> fields = {});

// True when XJ_EVENT_LOG names a file. Any thread.
bool EventLogEnabled();

// Automatic answers of XJ_MESSAGE_BOX_ANSWER.
enum class AutomaticAnswer { kNone, kOk, kYes, kNo, kCancel, kInvalid };
// "ok", "yes", "no", "cancel" (letter case ignored); null or empty gives kNone, anything else
// kInvalid.
AutomaticAnswer ParseAutomaticAnswer(const char* value);
// The answer a box of the given type (MB_OK, MB_YESNO plus icon bits) gets.
int AutomaticAnswerFor(AutomaticAnswer answer, unsigned type);

// Installs the message-box hook when either variable is set: every box is logged;
// with an answer the box is answered without being shown, otherwise it is shown as
// usual and logged with the user's answer. An invalid answer is reported on standard
// error once, and boxes are then shown. Returns true when a hook was installed.
// UI thread, once at start.
bool InstallMessageBoxAutomation();

}  // namespace plat
