#include "views/CEngineCommCtrl.h"

#include <QEventLoop>
#include <QObject>
#include <mutex>

#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "platform/Sync.h"
#include "views/CCommonFormView.h"
#include "views/CFormViewCtrl.h"
#include "views/Messages.h"
#include "views/SuspendedWorker.h"

namespace {

// Jobs running on this thread: a second job from inside the first one's progress loop
// would get the (re-entrant) communication lock and run beside it.
thread_local int tRunningJobs = 0;

// Serialises jobs of pages whose settings block has no lock of its own.
plat::CriticalSection& FallbackLock() {
  static plat::CriticalSection lock;
  return lock;
}

std::int32_t PermissiveFlag(const AppSettingsBlock* block) {
  if (!block || !block->dataMgr) return 0;
  std::uint8_t buffer[kCommRunnerBlockSize] = {};
  if (block->dataMgr->GetData(kCommRunnerBlockId, buffer, kCommRunnerBlockSize) != kSettingOk) return 0;
  return static_cast<std::int32_t>(ReadLE32(buffer + kCommRunnerPermissiveOffset));
}

}  // namespace

bool IsCommunicationAllowed(std::int32_t printerState, std::int32_t permissive) {
  switch (printerState) {
    case XJC_STATUS_UNKNOWN:
    case XJC_STATUS_OFFLINE:
    case XJC_STATUS_BATTERY_OFFLINE:
      return false;
    case XJC_STATUS_ONLINE:
    case XJC_STATUS_PAPER_NEAR_END:
    case XJC_STATUS_JOURNAL_NEAR_END:
    case XJC_STATUS_INK_1_NEAR_END:
    case XJC_STATUS_INK_2_NEAR_END:
    case XJC_STATUS_INK_CLEARED:
      return true;
    default:
      return permissive != 0;
  }
}

bool IsCommunicationJobRunning() { return tRunningJobs > 0; }

CEngineCommCtrl::CEngineCommCtrl() = default;
CEngineCommCtrl::~CEngineCommCtrl() = default;

std::int32_t CEngineCommCtrl::RunJob(CCommonFormView* page) {
  CFormViewCtrl* controller = page ? page->Controller() : nullptr;
  const plat::HWND mainFrame = controller ? controller->MainFrame() : nullptr;
  if (!mainFrame || !plat::IsWindow(mainFrame)) return kJobNoMainFrame;
  if (!threadProc) return kJobThreadFailed;
  if (tRunningJobs > 0) return kJobRefused;

  std::int32_t state = XJC_STATUS_UNKNOWN;
  plat::SendMessage(mainFrame, UM_GET_PRINTER_STATUS, reinterpret_cast<plat::WPARAM>(&state), 0);
  AppSettingsBlock* block = controller->SettingsBlock();
  if (!IsCommunicationAllowed(state, PermissiveFlag(block))) return kJobRefused;

  std::unique_lock lock(block && block->commLock ? *block->commLock : FallbackLock());
  ++tRunningJobs;

  // Lives on this thread until the worker has been joined; the worker's "finished"
  // notice is queued to it, so it is simply dropped once the job is over.
  QObject waiter;
  QEventLoop* waitingLoop = nullptr;

  const auto finish = [&](std::int32_t result) {
    if (worker_) worker_->Join();
    worker_.reset();
    threadHandle = nullptr;
    threadId = 0;
    progressEvent = nullptr;
    progressEventStore_.reset();
    progressWindow = nullptr;
    --tRunningJobs;
    return result;
  };

  const auto dialog = reinterpret_cast<plat::HWND>(plat::SendMessage(mainFrame, UM_CREATE_PROGRESS, 0, 0));
  if (!dialog) return finish(kJobNoMainFrame);
  progressWindow = dialog;

  worker_ = std::make_unique<SuspendedWorker>();
  const ThreadProc procedure = threadProc;
  const bool started = worker_->Start(
      [procedure, page] { return procedure(page); },
      [&waiter, &waitingLoop] {
        QMetaObject::invokeMethod(
            &waiter, [&waitingLoop] {
              if (waitingLoop) waitingLoop->quit();
            },
            Qt::QueuedConnection);
      });
  if (!started) return finish(kJobNoMainFrame);
  threadHandle = &worker_->Done();
  threadId = worker_->ThreadId();

  worker_->LowerPriority();
  progressEventStore_ = std::make_unique<plat::Event>(true, false);
  progressEventStore_->Reset();
  progressEvent = progressEventStore_.get();

  if (worker_->Resume() != 1) worker_->Terminate(kJobThreadFailed);

  const ProgressJobRequest request{&threadHandle, &progressEvent, kProgressAnimationDataTransfer,
                                   kJobProgressDelayMs};
  plat::SendMessage(mainFrame, UM_RUN_PROGRESS, reinterpret_cast<plat::WPARAM>(&request), 0);

  // Normally the progress dialog ran until the worker ended. When the main frame could
  // not run it, keep the user-interface thread serving the worker's messages until the
  // worker is done: joining right away could deadlock with a progress report.
  if (!worker_->Done().IsSet()) {
    QEventLoop loop;
    waitingLoop = &loop;
    if (!worker_->Done().IsSet()) loop.exec();
    waitingLoop = nullptr;
  }
  worker_->Join();
  std::int32_t result = kJobThreadFailed;
  if (!worker_->GetExitCode(result)) result = kJobThreadFailed;
  return finish(result);
}

void ReportProgress(int percent, CEngineCommCtrl* ctrl) {
  if (!ctrl) return;
  plat::SendMessage(ctrl->progressWindow, UM_PROGRESS_POSITION, static_cast<plat::WPARAM>(static_cast<std::intptr_t>(percent)),
                    0);
  if (ctrl->progressEvent) ctrl->progressEvent->Set();
}
