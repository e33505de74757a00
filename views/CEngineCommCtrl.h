#pragma once
// CEngineCommCtrl: the worker-thread state inside each setting page, and the runner of
// a communication job: the page's thread procedure runs on a worker thread under the
// application's communication lock while the main frame runs the progress dialog
// modally on the user-interface thread.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/ui/Messages.h"
#include "sdk/XJComm.h"

namespace plat {
class Event;
}
class CCommonFormView;
class SuspendedWorker;

// Results of RunJob besides the job's own result.
inline constexpr std::int32_t kJobNoMainFrame = -25;   // no main frame, or it gave no progress window / no thread
inline constexpr std::int32_t kJobThreadFailed = -24;  // the worker did not resume or left no exit code
inline constexpr std::int32_t kJobRefused = -64;       // the printer state forbids communication

// The delay before the progress dialog of a job shows itself, in milliseconds.
inline constexpr std::int32_t kJobProgressDelayMs = 1;

// Whether a job may talk to the printer in this state (an XJC_STATUS_* code as the
// status view reports it). permissive is the flag of the 0x00010005 data block (0 when
// the block is missing; it lets the printer take commands while offline): with it set,
// only a printer that cannot take commands at all refuses (unknown state, offline, and
// offline because its battery is too low, where writing its settings memory could leave
// them half written); without it, only online, the near-end warnings and a cleared ink
// condition allow.
bool IsCommunicationAllowed(std::int32_t printerState, std::int32_t permissive);

class CEngineCommCtrl {
 public:
  // The job: runs on the worker thread with the page; its result is the job's result.
  using ThreadProc = std::function<std::int32_t(CCommonFormView* page)>;
  // Reports progress from the worker thread (ReportProgress below).
  using ProgressReporter = void (*)(int percent, CEngineCommCtrl* ctrl);

  CEngineCommCtrl();
  virtual ~CEngineCommCtrl();
  CEngineCommCtrl(const CEngineCommCtrl&) = delete;
  CEngineCommCtrl& operator=(const CEngineCommCtrl&) = delete;

  // Runs the thread procedure for page as a communication job (UI thread; page is the
  // page that embeds this object and must have a controller):
  //  - the main frame comes from the page's controller; without one: kJobNoMainFrame;
  //  - the printer state is asked from the main frame (UM_GET_PRINTER_STATUS) and
  //    checked with IsCommunicationAllowed: kJobRefused, nothing else happens;
  //  - the application's communication lock is held until the worker has ended;
  //  - the main frame creates the progress dialog (UM_CREATE_PROGRESS; none:
  //    kJobNoMainFrame) and runs it (UM_RUN_PROGRESS) while the worker runs at
  //    below-normal priority;
  //  - the result is the procedure's return value, kJobThreadFailed when the worker
  //    could not be resumed or left no result (the procedure threw).
  // A job started while another job of this thread is still running (from inside the
  // progress dialog's loop) is refused with kJobRefused: the two would talk to the
  // printer at the same time. Without a thread procedure: kJobThreadFailed.
  std::int32_t RunJob(CCommonFormView* page);

  // The progress dialog of the running job, 0 while idle. Read by the worker.
  plat::HWND progressWindow = nullptr;
  // Set by the starter before each job.
  ThreadProc threadProc;
  // The running worker: its kernel thread id, its done event ("thread handle") and the
  // progress event it sets after each report. 0 / null while idle.
  pid_t threadId = 0;
  plat::Event* threadHandle = nullptr;
  plat::Event* progressEvent = nullptr;
  // Set by the page's constructor to ReportProgress.
  ProgressReporter progressCallback = nullptr;

 private:
  std::unique_ptr<SuspendedWorker> worker_;
  std::unique_ptr<plat::Event> progressEventStore_;
};

// True while a communication job started on the calling thread runs, that is while its
// progress dialog is up. UI thread.
bool IsCommunicationJobRunning();

// Sends the position (0..100) to the job's progress window (UM_PROGRESS_POSITION; the
// call returns once the dialog has taken it) and then sets the job's progress event.
// Worker thread of a job; a null ctrl does nothing.
void ReportProgress(int percent, CEngineCommCtrl* ctrl);
