#pragma once
// Numbers of the window messages between the setting pages, the main frame, the
// progress dialog and the status view, and the record that goes with a progress run.
#include <cstdint>

#include "platform/ui/Messages.h"

namespace plat {
class Event;
}

// To the main frame: create the hidden progress dialog; wParam: owner window handle or
// 0 for the frame. Result: the dialog's window handle, 0 when none could be created.
inline constexpr unsigned UM_CREATE_PROGRESS = plat::WM_USER + 100;  // 0x0464
// To the main frame: run the progress dialog modally; wParam: address of a
// ProgressJobRequest; lParam: the window to disable, 0 for the frame. Result 0, or -1
// when there is no dialog.
inline constexpr unsigned UM_RUN_PROGRESS = plat::WM_USER + 101;  // 0x0465
// To the progress dialog: start its delay and poll timers.
inline constexpr unsigned UM_PROGRESS_START = plat::WM_USER + 102;  // 0x0466
// To the progress dialog: wParam = new position 0..100. Result 0 accepted, -1 refused
// (a position smaller than the current one).
inline constexpr unsigned UM_PROGRESS_POSITION = plat::WM_USER + 103;  // 0x0467

// Status view messages; the main frame relays 0x04C8..0x04CB to the status view.
inline constexpr unsigned UM_UPDATE_PRINTER_INFO = plat::WM_USER + 200;   // 0x04C8, posted
inline constexpr unsigned UM_GET_PRINTER_STATUS = plat::WM_USER + 201;    // 0x04C9, wParam: std::int32_t*
inline constexpr unsigned UM_READ_PRINTER_SETTINGS = plat::WM_USER + 202; // 0x04CA
inline constexpr unsigned UM_STOP_STATUS_MONITOR = plat::WM_USER + 203;   // 0x04CB
inline constexpr unsigned UM_PRINTER_STATUS = plat::WM_USER + 204;        // 0x04CC, posted by the library callback
inline constexpr unsigned UM_BATTERY_STATUS = plat::WM_USER + 205;        // 0x04CD, posted by the library callback

static_assert(UM_CREATE_PROGRESS == 0x0464 && UM_PROGRESS_POSITION == 0x0467);
static_assert(UM_UPDATE_PRINTER_INFO == 0x04C8 && UM_BATTERY_STATUS == 0x04CD);

// Animation kinds of a progress run.
inline constexpr std::int32_t kProgressAnimationPaperFeed = 1;     // any kind but 2
inline constexpr std::int32_t kProgressAnimationDataTransfer = 2;

// What a communication job hands the main frame with UM_RUN_PROGRESS: where to find the
// handle that becomes signalled when the job has ended and the event the worker sets
// after each progress report, the animation kind, and the delay in milliseconds before
// the dialog shows itself. The handles belong to the requester and outlive the run.
struct ProgressJobRequest {
  plat::Event* const* doneHandle;
  plat::Event* const* progressEvent;
  std::int32_t animationKind;
  std::int32_t delayMs;
};
