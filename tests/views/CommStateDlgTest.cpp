#include <gtest/gtest.h>

#include <QEvent>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "comm/CCommStateDlg.h"
#include "platform/Sync.h"
#include "res/AnimationWidget.h"
#include "res/ResourceIds.h"
#include "tests/views/ViewsTestSupport.h"

using namespace viewstest;
using Clock = std::chrono::steady_clock;

namespace {

// Notes when a window was shown and hidden, on a monotonic clock.
class ShowWatcher : public QObject {
 public:
  explicit ShowWatcher(QWidget* w) { w->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      ++shows;
      shownAt = Clock::now();
    } else if (event->type() == QEvent::Hide && shows > 0) {
      hiddenAt = Clock::now();
    }
    return false;
  }
  std::atomic<int> shows{0};
  Clock::time_point shownAt{};
  Clock::time_point hiddenAt{};
};

}  // namespace

TEST(CommStateDlg, PositionsNeverGoBack) {
  QWidget owner;
  CCommStateDlg dlg(&owner);
  const plat::HWND h = plat::WindowHandle(&dlg);
  EXPECT_EQ(plat::SendMessage(h, UM_PROGRESS_POSITION, 30, 0), kProgressPositionAccepted);
  EXPECT_EQ(plat::SendMessage(h, UM_PROGRESS_POSITION, 20, 0), kProgressPositionRefused);
  EXPECT_EQ(dlg.Position(), 30);
  EXPECT_EQ(plat::SendMessage(h, UM_PROGRESS_POSITION, 30, 0), kProgressPositionAccepted);
  EXPECT_EQ(dlg.OnSetPosition(-1), kProgressPositionRefused);
  EXPECT_EQ(dlg.OnSetPosition(250), kProgressPositionAccepted);
  EXPECT_EQ(dlg.Position(), 100);  // the bar ends at 100
  EXPECT_EQ(dlg.OnSetPosition(99), kProgressPositionRefused);
  EXPECT_EQ(dlg.ProgressBar()->minimum(), 0);
  EXPECT_EQ(dlg.ProgressBar()->maximum(), 100);
}

TEST(CommStateDlg, BothHandlesTogetherUpdateTheBarFirstAndCloseLater) {
  QWidget owner;
  CCommStateDlg dlg(&owner);
  plat::Event done(true, false), progress(true, false);
  dlg.SetRequest(&done, &progress, IDR_AVI_DATA_TRANSFER, 60000);
  dlg.OnSetPosition(70);
  progress.Set();
  done.Set();

  dlg.OnJobEvent();
  EXPECT_EQ(dlg.ProgressBar()->value(), 70);
  EXPECT_FALSE(progress.IsSet());
  EXPECT_FALSE(dlg.HasEnded());

  // The next look, already queued, finds the job done; never shown, it closes at once.
  EXPECT_TRUE(ProcessUntil([&] { return dlg.HasEnded(); }));
  EXPECT_EQ(dlg.ShownTime(), 0);
}

TEST(CommStateDlg, ReportsAndTheEndOfTheJobsThreadReachTheDialogWithoutPolling) {
  QWidget owner;
  CCommStateDlg dlg(&owner);
  plat::Event done(true, false), progress(true, false);
  dlg.SetRequest(&done, &progress, IDR_AVI_PAPER_FEED, 60000);
  const plat::HWND h = plat::WindowHandle(&dlg);
  std::thread job([&] {
    // As a job reports: the position first (returns once the dialog has it), then the
    // progress event; then the job ends.
    plat::SendMessage(h, UM_PROGRESS_POSITION, 55, 0);
    progress.Set();
    done.Set();
  });
  plat::SendMessage(h, UM_PROGRESS_START, 0, 0);
  dlg.RunModalLoop();
  job.join();
  EXPECT_TRUE(dlg.HasEnded());
  EXPECT_EQ(dlg.ProgressBar()->value(), 55);
  EXPECT_FALSE(progress.IsSet());
  EXPECT_EQ(dlg.ShownTime(), 0);
}

TEST(CommStateDlg, JobShorterThanTheDelayNeverShowsTheWindow) {
  QWidget owner;
  CCommStateDlg dlg(&owner);
  ShowWatcher watcher(&dlg);
  plat::Event done(true, true), progress(true, false);
  dlg.SetRequest(&done, &progress, IDR_AVI_PAPER_FEED, 60000);
  plat::SendMessage(plat::WindowHandle(&dlg), UM_PROGRESS_START, 0, 0);
  dlg.RunModalLoop();
  EXPECT_TRUE(dlg.HasEnded());
  EXPECT_EQ(watcher.shows, 0);
  EXPECT_EQ(dlg.ShownTime(), 0);
  EXPECT_FALSE(dlg.isVisible());
}

TEST(CommStateDlg, ShownWindowIsCentredPlaysAndStaysAtLeastOneSecond) {
  QWidget owner;
  owner.setGeometry(100, 80, 800, 500);
  owner.show();
  CCommStateDlg dlg(&owner);
  ShowWatcher watcher(&dlg);
  plat::Event done(true, false), progress(true, false);
  dlg.SetRequest(&done, &progress, IDR_AVI_DATA_TRANSFER, 1);
  QPoint centreOffset;
  bool playing = false;
  std::thread job([&] {
    // Ends as soon as the window is up.
    while (!done.IsSet() && watcher.shows == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    done.Set();
  });
  QTimer::singleShot(300, &dlg, [&] {
    centreOffset = dlg.frameGeometry().center() - owner.frameGeometry().center();
    playing = dlg.Animation()->IsPlaying() && dlg.Animation()->OpenId() == IDR_AVI_DATA_TRANSFER;
  });
  plat::SendMessage(plat::WindowHandle(&dlg), UM_PROGRESS_START, 0, 0);
  dlg.RunModalLoop();
  done.Set();
  job.join();
  ASSERT_EQ(watcher.shows, 1);
  EXPECT_GE(watcher.hiddenAt - watcher.shownAt, std::chrono::milliseconds(1000));
  EXPECT_NE(dlg.ShownTime(), 0);
  EXPECT_LE(std::abs(centreOffset.x()), 2);
  EXPECT_LE(std::abs(centreOffset.y()), 2);
  EXPECT_TRUE(playing);
  EXPECT_EQ(dlg.Animation()->OpenId(), 0);  // closed with the dialog
  EXPECT_FALSE(dlg.isVisible());
}

TEST(CommStateDlg, EnterEscapeAndTheCloseButtonDoNotEndIt) {
  QWidget owner;
  owner.show();
  CCommStateDlg dlg(&owner);
  plat::Event done(true, false), progress(true, false);
  dlg.SetRequest(&done, &progress, IDR_AVI_DATA_TRANSFER, 1);
  dlg.OnTimer(CCommStateDlg::kDelayTimerId);
  ASSERT_TRUE(dlg.isVisible());
  QTest::keyClick(&dlg, Qt::Key_Escape);
  QTest::keyClick(&dlg, Qt::Key_Return);
  QTest::keyClick(&dlg, Qt::Key_Enter);
  dlg.close();
  QApplication::processEvents();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_FALSE(dlg.HasEnded());
  plat::PostMessage(plat::WindowHandle(&dlg), plat::WM_CLOSE, 0, 0);
  EXPECT_TRUE(ProcessUntil([&] { return dlg.HasEnded(); }));
}

TEST(ProgressDialogFrame, CreateGivesAHiddenDialogWithItsTitle) {
  QWidget frame;
  QWidget other;
  const plat::HWND first = CreateProgressDialog(&frame, nullptr, u"");
  ASSERT_NE(first, nullptr);
  CCommStateDlg* dlg = CurrentProgressDialog(&frame);
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(plat::WindowHandle(dlg), first);
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Communicating with the printer"));
  EXPECT_EQ(dlg->parentWidget(), &frame);

  // A second request replaces the left-over dialog; the owner comes from wParam.
  const plat::HWND second = CreateProgressDialog(&frame, plat::WindowHandle(&other), plat::FromUtf8("プリンターと通信中"));
  EXPECT_FALSE(plat::IsWindow(first));
  dlg = CurrentProgressDialog(&frame);
  EXPECT_EQ(plat::WindowHandle(dlg), second);
  EXPECT_EQ(dlg->parentWidget(), &other);
  EXPECT_EQ(dlg->windowTitle(), QString::fromUtf8("プリンターと通信中"));
}

TEST(ProgressDialogFrame, RunDisablesTheWindowAroundTheHooksAndDeletesTheDialog) {
  QWidget frame;
  QWidget toDisable;
  plat::Event done(true, false), progress(true, false);
  plat::Event* doneHandle = &done;
  plat::Event* progressHandle = &progress;
  std::vector<std::string> order;
  const ProgressJobRequest ready{&doneHandle, &progressHandle, 2, 60000};
  EXPECT_EQ(RunProgressDialog(&frame, &ready, &toDisable, {}), kProgressRunNoDialog);
  CreateProgressDialog(&frame, nullptr, u"");
  plat::Event* none = nullptr;
  const ProgressJobRequest broken{&none, &progressHandle, 2, 1};
  EXPECT_EQ(RunProgressDialog(&frame, &broken, &toDisable, {}), kProgressRunBadRequest);
  EXPECT_EQ(RunProgressDialog(&frame, nullptr, &toDisable, {}), kProgressRunBadRequest);
  EXPECT_TRUE(toDisable.isEnabled());

  ProgressDialogHooks hooks{[&] { order.push_back(toDisable.isEnabled() ? "before:enabled" : "before:disabled"); },
                            [&] { order.push_back(CurrentProgressDialog(&frame) ? "after:dialog" : "after:deleted"); }};

  for (int kind : {2, 1}) {
    done.Reset();
    CreateProgressDialog(&frame, nullptr, u"");
    int animation = 0;
    bool enabledDuringRun = true;
    QTimer::singleShot(0, [&] {
      animation = CurrentProgressDialog(&frame)->AnimationId();
      enabledDuringRun = toDisable.isEnabled();
      done.Set();
    });
    const ProgressJobRequest request{&doneHandle, &progressHandle, kind, 60000};
    EXPECT_EQ(RunProgressDialog(&frame, &request, &toDisable, hooks), kProgressRunOk);
    EXPECT_EQ(animation, kind == 2 ? IDR_AVI_DATA_TRANSFER : IDR_AVI_PAPER_FEED);
    EXPECT_FALSE(enabledDuringRun);
    EXPECT_TRUE(toDisable.isEnabled());
    EXPECT_EQ(CurrentProgressDialog(&frame), nullptr);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"before:disabled", "after:deleted", "before:disabled", "after:deleted"}));

  // A window that was disabled before stays disabled.
  toDisable.setEnabled(false);
  done.Reset();
  CreateProgressDialog(&frame, nullptr, u"");
  QTimer::singleShot(0, [&] { done.Set(); });
  const ProgressJobRequest request{&doneHandle, &progressHandle, 2, 60000};
  EXPECT_EQ(RunProgressDialog(&frame, &request, &toDisable, {}), kProgressRunOk);
  EXPECT_FALSE(toDisable.isEnabled());
}
