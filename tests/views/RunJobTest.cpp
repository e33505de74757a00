#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "app/settings/PluginDataMgr.h"
#include "platform/Sync.h"
#include "tests/views/ViewsTestSupport.h"
#include "views/CCommonFormView.h"
#include "views/CEngineCommCtrl.h"
#include "views/CFormViewCtrl.h"
#include "views/CSingleFormView.h"

using namespace viewstest;

namespace {

class OnePageController : public CFormViewCtrl {
 public:
  void CreatePages() override { AddPage(new CSingleFormView); }
};

// True when a thread other than the caller cannot take the lock right now.
bool HeldElsewhere(plat::CriticalSection& lock) {
  bool taken = false;
  std::thread probe([&] {
    taken = lock.try_lock();
    if (taken) lock.unlock();
  });
  probe.join();
  return !taken;
}

class RunJobTest : public testing::Test {
 protected:
  void SetUp() override {
    block_ = MakeSettings(MakeLangFolder(true, false), 0x0409);
    block_->dataMgr = &manager_;
    block_->commLock = &lock_;
  }
  // A page of a controller initialised with the given main frame.
  CCommonFormView* MakePage(QWidget* mainFrame, QWidget* parent) {
    controllers_.push_back(std::make_unique<OnePageController>());
    EXPECT_EQ(controllers_.back()->Initialize(block_.get(), mainFrame, parent), kFormCtrlOk);
    return controllers_.back()->Pages()[0];
  }
  void SetPermissiveFlag(std::uint32_t flag) {
    ASSERT_EQ(manager_.AddBlock(kCommRunnerBlockId, 0x00010000, kCommRunnerBlockSize), kSettingOk);
    std::uint8_t data[kCommRunnerBlockSize] = {};
    WriteLE32(data + kCommRunnerPermissiveOffset, flag);
    ASSERT_EQ(manager_.SetData(kCommRunnerBlockId, kCommRunnerBlockSize, data), kSettingOk);
  }

  MessageBoxRecorder boxes_;
  PluginDataMgr manager_;
  plat::CriticalSection lock_;
  std::unique_ptr<AppSettingsBlock> block_;
  TestMainFrame frame_;
  std::vector<std::unique_ptr<OnePageController>> controllers_;
};

}  // namespace

TEST_F(RunJobTest, PrinterStateDecidesWhetherTheJobRuns) {
  CCommonFormView* page = MakePage(&frame_, &frame_);
  std::atomic<int> calls{0};
  page->EngineCommCtrl().threadProc = [&](CCommonFormView*) {
    ++calls;
    return 1;
  };
  for (std::int32_t state : {16, -1, 1, 3, 17}) {
    frame_.printerState = state;
    EXPECT_EQ(page->EngineCommCtrl().RunJob(page), kJobRefused) << state;
  }
  EXPECT_EQ(calls.load(), 0);
  EXPECT_EQ(frame_.runs, 0);
  EXPECT_EQ(CurrentProgressDialog(&frame_), nullptr);
  EXPECT_EQ(frame_.stateQueries, 5);
  for (std::int32_t state : {0, 18, 19, 20, 21, 100}) EXPECT_TRUE(IsCommunicationAllowed(state, 0)) << state;

  // The 0x10005 block's flag (commands while offline) lets a printer that waits for its
  // paper to be taken, or whose cover is open, take the job; a printer that is offline
  // because its battery is too low, plainly offline, or unknown never does.
  SetPermissiveFlag(1);
  for (std::int32_t state : {XJC_STATUS_AWAITING_PAPER_REMOVAL, XJC_STATUS_COVER_OPEN}) {
    frame_.printerState = state;
    EXPECT_EQ(page->EngineCommCtrl().RunJob(page), 1) << state;
  }
  for (std::int32_t state : {XJC_STATUS_UNKNOWN, XJC_STATUS_OFFLINE, XJC_STATUS_BATTERY_OFFLINE}) {
    frame_.printerState = state;
    EXPECT_EQ(page->EngineCommCtrl().RunJob(page), kJobRefused) << state;
  }
  EXPECT_EQ(frame_.runs, 2);
  EXPECT_EQ(calls.load(), 2);
  EXPECT_FALSE(HeldElsewhere(lock_));
}

TEST_F(RunJobTest, JobRunsOnAWorkerUnderTheLockAndReportsProgressInOrder) {
  CCommonFormView* page = MakePage(&frame_, &frame_);
  std::thread::id workerThread;
  CCommonFormView* seenPage = nullptr;
  bool lockHeld = false;
  plat::HWND progressWindow = nullptr;
  page->EngineCommCtrl().threadProc = [&](CCommonFormView* p) {
    workerThread = std::this_thread::get_id();
    seenPage = p;
    lockHeld = HeldElsewhere(lock_);
    progressWindow = p->EngineCommCtrl().progressWindow;
    for (int percent : {0, 40, 30, 100}) p->ReportProgress(percent);
    return 1234;
  };
  EXPECT_EQ(page->EngineCommCtrl().RunJob(page), 1234);

  EXPECT_NE(workerThread, std::this_thread::get_id());
  EXPECT_EQ(seenPage, page);
  EXPECT_TRUE(lockHeld);
  EXPECT_NE(progressWindow, nullptr);
  EXPECT_EQ(frame_.acceptedPositions, (std::vector<int>{0, 40, 100}));  // 30 came too late
  EXPECT_EQ(frame_.hooksBefore, 1);
  EXPECT_EQ(frame_.hooksAfter, 1);
  EXPECT_TRUE(frame_.isEnabled());
  EXPECT_EQ(CurrentProgressDialog(&frame_), nullptr);
  EXPECT_FALSE(plat::IsWindow(progressWindow));
  // Everything of the job is gone and the lock is free again.
  const CEngineCommCtrl& ctrl = page->EngineCommCtrl();
  EXPECT_EQ(ctrl.progressWindow, nullptr);
  EXPECT_EQ(ctrl.threadHandle, nullptr);
  EXPECT_EQ(ctrl.progressEvent, nullptr);
  EXPECT_EQ(ctrl.threadId, 0);
  EXPECT_FALSE(HeldElsewhere(lock_));
}

TEST_F(RunJobTest, MissingMainFrameOrProgressWindowGivesMinus25) {
  CCommonFormView* orphan = MakePage(nullptr, &frame_);
  std::atomic<int> calls{0};
  orphan->EngineCommCtrl().threadProc = [&](CCommonFormView*) { return ++calls; };
  EXPECT_EQ(orphan->EngineCommCtrl().RunJob(orphan), kJobNoMainFrame);

  // A frame that answers the state but creates no progress window.
  QWidget bareFrame;
  plat::SetMessageHandler(&bareFrame, UM_GET_PRINTER_STATUS, [](plat::WPARAM w, plat::LPARAM) {
    *reinterpret_cast<std::int32_t*>(w) = XJC_STATUS_ONLINE;
    return plat::LRESULT{0};
  });
  CCommonFormView* page = MakePage(&bareFrame, &bareFrame);
  page->EngineCommCtrl().threadProc = [&](CCommonFormView*) { return ++calls; };
  EXPECT_EQ(page->EngineCommCtrl().RunJob(page), kJobNoMainFrame);
  EXPECT_EQ(calls.load(), 0);
  EXPECT_FALSE(HeldElsewhere(lock_));
  EXPECT_EQ(page->EngineCommCtrl().RunJob(nullptr), kJobNoMainFrame);
}

TEST_F(RunJobTest, WorkerWithoutResultOrProcedureGivesMinus24) {
  CCommonFormView* page = MakePage(&frame_, &frame_);
  EXPECT_EQ(page->EngineCommCtrl().RunJob(page), kJobThreadFailed);  // no procedure
  page->EngineCommCtrl().threadProc = [](CCommonFormView*) -> std::int32_t { throw std::runtime_error("port lost"); };
  EXPECT_EQ(page->EngineCommCtrl().RunJob(page), kJobThreadFailed);
  EXPECT_FALSE(HeldElsewhere(lock_));
}

TEST_F(RunJobTest, JobFromInsideARunningJobIsRefused) {
  CCommonFormView* page = MakePage(&frame_, &frame_);
  CCommonFormView* other = MakePage(&frame_, &frame_);
  plat::Event release(true, false);
  std::atomic<int> otherCalls{0};
  other->EngineCommCtrl().threadProc = [&](CCommonFormView*) { return ++otherCalls; };
  std::int32_t nested = 0;
  page->EngineCommCtrl().threadProc = [&](CCommonFormView*) {
    // Wait until the user-interface thread has tried the second job in the dialog's loop.
    return release.Wait(20000) ? 5 : -5;
  };
  QTimer::singleShot(50, [&] {
    nested = other->EngineCommCtrl().RunJob(other);
    release.Set();
  });
  EXPECT_EQ(page->EngineCommCtrl().RunJob(page), 5);
  EXPECT_EQ(nested, kJobRefused);
  EXPECT_EQ(otherCalls.load(), 0);
}

TEST_F(RunJobTest, JobEndsCleanlyWhenTheFrameDoesNotRunTheDialog) {
  // The frame creates the dialog but has no handler to run it: the worker's progress
  // reports must still be served and its result returned.
  QWidget frame;
  plat::SetMessageHandler(&frame, UM_GET_PRINTER_STATUS, [](plat::WPARAM w, plat::LPARAM) {
    *reinterpret_cast<std::int32_t*>(w) = XJC_STATUS_ONLINE;
    return plat::LRESULT{0};
  });
  plat::SetMessageHandler(&frame, UM_CREATE_PROGRESS, [&frame](plat::WPARAM, plat::LPARAM) {
    return reinterpret_cast<plat::LRESULT>(CreateProgressDialog(&frame, nullptr, u""));
  });
  CCommonFormView* page = MakePage(&frame, &frame);
  page->EngineCommCtrl().threadProc = [](CCommonFormView* p) {
    p->ReportProgress(50);
    p->ReportProgress(100);
    return 42;
  };
  EXPECT_EQ(page->EngineCommCtrl().RunJob(page), 42);
  ASSERT_NE(CurrentProgressDialog(&frame), nullptr);
  EXPECT_EQ(CurrentProgressDialog(&frame)->Position(), 100);
  EXPECT_FALSE(HeldElsewhere(lock_));
}
