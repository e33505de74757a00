#include "app/CMainFrame.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "sdk/AppSettingsBlock.h"
#include "app/CAboutDlg.h"
#include "app/CUtilDummyView.h"
#include "app/CUtilSplitterWnd.h"
#include "comm/CCommStateDlg.h"
#include "comm/XJC.h"
#include "menu/CUtilMenuView.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/RunningCopy.h"
#include "status/CUtilStatusView.h"
#include "tests/comm/StubXJCommControl.h"
#include "tests/support/TestEnv.h"
#include "views/Messages.h"

namespace {

// A zeroed settings block whose language folder holds an English file with the given
// text.
std::unique_ptr<AppSettingsBlock> MakeBlock(const std::string& languageFile = {}) {
  auto block = std::make_unique<AppSettingsBlock>();
  std::memset(block.get(), 0, sizeof(AppSettingsBlock));
  block->langId = 0x0409;
  const std::string folder = testenv::MakeTempDir("lang");
  if (!languageFile.empty()) testenv::WriteFile(folder + "/0409.DAT", languageFile);
  plat::CopyText(block->langFolder, plat::FromUtf8(folder));
  return block;
}

class MainFrameTest : public testing::Test {
 protected:
  void SetUp() override {
    block_ = MakeBlock();
    frame_ = std::make_unique<CMainFrame>(block_.get());
    ASSERT_TRUE(frame_->Create());
    // Widgets hear of their size once they are shown, as the frame always is.
    frame_->show();
  }
  void TearDown() override { frame_.reset(); }

  int RowIdeal(CUtilSplitterWnd* splitter, int row) {
    int ideal = 0, minimum = 0;
    splitter->GetRowInfo(row, ideal, minimum);
    return ideal;
  }
  int ColumnIdeal(CUtilSplitterWnd* splitter, int column) {
    int ideal = 0, minimum = 0;
    splitter->GetColumnInfo(column, ideal, minimum);
    return ideal;
  }

  std::unique_ptr<AppSettingsBlock> block_;
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(MainFrameTest, FixedTitledFrameRefusesShrinkingAndCorrectsSizingRectangles) {
  EXPECT_EQ(frame_->windowTitle(), QStringLiteral("XJ-K52II Utility Ver.1.30"));
  EXPECT_FALSE(frame_->windowFlags() & Qt::WindowMaximizeButtonHint);
  frame_->resize(400, 300);
  EXPECT_EQ(frame_->size(), QSize(796, 523));

  SizingRect rect{100, 50, 300, 200};
  EXPECT_EQ(plat::SendMessage(plat::WindowHandle(frame_.get()), plat::WM_SIZING, 0,
                              reinterpret_cast<plat::LPARAM>(&rect)),
            1);
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.top, 50);
  EXPECT_EQ(rect.right, 100 + 796);
  EXPECT_EQ(rect.bottom, 50 + 523);

  // Larger rectangles stay as they are; each side is checked on its own.
  const SizingRect wide = CMainFrame::ApplySizingLimit({0, 0, 1000, 100});
  EXPECT_EQ(wide.right, 1000);
  EXPECT_EQ(wide.bottom, 523);
}

TEST_F(MainFrameTest, PaneLayoutFollowsTheClientAndTheMenuWidth) {
  const auto layout = CMainFrame::ComputePaneLayout(796, 523, 180, 300);
  ASSERT_TRUE(layout.has_value());
  EXPECT_EQ(layout->outerColumnWidth, 796);
  EXPECT_EQ(layout->outerRow0Height, 456);
  EXPECT_EQ(layout->outerRow1Height, 65);
  EXPECT_EQ(layout->innerColumn0Width, 180);
  EXPECT_EQ(layout->innerColumn1Width, 616);
  EXPECT_EQ(layout->innerRow0Height, 458);

  // A client lower than 65 pixels still gives positive heights.
  const auto low = CMainFrame::ComputePaneLayout(796, 40, 180, 300);
  ASSERT_TRUE(low.has_value());
  EXPECT_EQ(low->outerRow0Height, 27);
  EXPECT_EQ(low->innerRow0Height, 25);
  // A menu wider than the client likewise.
  EXPECT_EQ(CMainFrame::ComputePaneLayout(100, 523, 180, 300)->innerColumn1Width, 80);

  EXPECT_FALSE(CMainFrame::ComputePaneLayout(796, 523, 0, 300).has_value());
  EXPECT_FALSE(CMainFrame::ComputePaneLayout(796, 523, 180, 0).has_value());
}

TEST_F(MainFrameTest, SplittersGetTheLayoutAfterTheMenuSizeAndEveryResize) {
  // The menu view reported its size during creation.
  EXPECT_GT(frame_->MenuPaneWidth(), 0);
  frame_->SetMenuPaneSize(150, 400);
  EXPECT_EQ(RowIdeal(frame_->OuterSplitter(), 0), 523 - 67);
  EXPECT_EQ(RowIdeal(frame_->OuterSplitter(), 1), 65);
  EXPECT_EQ(ColumnIdeal(frame_->InnerSplitter(), 0), 150);
  EXPECT_EQ(ColumnIdeal(frame_->InnerSplitter(), 1), 796 - 150);
  EXPECT_EQ(RowIdeal(frame_->InnerSplitter(), 0), 523 - 65);
  EXPECT_EQ(frame_->MenuView()->width(), 150);

  frame_->setFixedSize(1000, 700);
  EXPECT_EQ(RowIdeal(frame_->OuterSplitter(), 0), 700 - 67);
  EXPECT_EQ(ColumnIdeal(frame_->InnerSplitter(), 1), 1000 - 150);
  EXPECT_EQ(frame_->OuterSplitter()->size(), QSize(1000, 700));
}

TEST_F(MainFrameTest, CloseWithoutCurrentPageCloses) {
  QSignalSpy closed(frame_.get(), &CMainFrame::Closed);
  frame_->show();
  EXPECT_TRUE(frame_->close());
  EXPECT_EQ(closed.count(), 1);
}

TEST_F(MainFrameTest, CurrentPageRefusingKeepsTheWindowOpen) {
  std::vector<std::int32_t> states;
  std::int32_t answer = kPluginLeaveRefused;
  frame_->MenuView()->AppendRow(MenuRow{u"Page", true, [&](std::int32_t state) {
                                           states.push_back(state);
                                           return answer;
                                         }});
  ASSERT_TRUE(frame_->MenuView()->SetCurrentIndex(0));
  QSignalSpy closed(frame_.get(), &CMainFrame::Closed);
  frame_->show();

  EXPECT_FALSE(frame_->close());
  // The close request as a message takes the same way.
  plat::SendMessage(plat::WindowHandle(frame_.get()), plat::WM_CLOSE, 0, 0);
  EXPECT_TRUE(frame_->isVisible());
  EXPECT_EQ(closed.count(), 0);
  EXPECT_EQ(states, (std::vector<std::int32_t>{1, 1}));

  answer = kMenuLeaveAllowed;
  EXPECT_TRUE(frame_->close());
  EXPECT_EQ(closed.count(), 1);
}

TEST_F(MainFrameTest, CloseDuringACommunicationJobWaitsForItsEnd) {
  QSignalSpy closed(frame_.get(), &CMainFrame::Closed);
  frame_->setEnabled(false);
  EXPECT_FALSE(frame_->close());
  EXPECT_TRUE(frame_->IsClosePending());
  EXPECT_EQ(closed.count(), 0);
  frame_->setEnabled(true);
  QCoreApplication::processEvents();
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(frame_->isVisible());
}

TEST_F(MainFrameTest, CurrentPageWithoutPluginIgnoresCloseRequests) {
  frame_->MenuView()->AppendRow(MenuRow{u"Page without library", true, {}});
  ASSERT_TRUE(frame_->MenuView()->SetCurrentIndex(0));
  QSignalSpy closed(frame_.get(), &CMainFrame::Closed);
  EXPECT_FALSE(frame_->close());
  plat::SendMessage(plat::WindowHandle(frame_.get()), plat::WM_CLOSE, 0, 0);
  EXPECT_TRUE(frame_->isVisible());
  EXPECT_EQ(closed.count(), 0);

  // With no current page the window closes again.
  ASSERT_TRUE(frame_->MenuView()->SetCurrentIndex(-1));
  EXPECT_TRUE(frame_->close());
  EXPECT_EQ(closed.count(), 1);
}

TEST_F(MainFrameTest, StatusMessagesAreRelayedToTheStatusPane) {
  QWidget* status = frame_->StatusPane();
  ASSERT_NE(status, nullptr);
  std::vector<std::tuple<unsigned, plat::WPARAM, plat::LPARAM>> seen;
  for (const unsigned message : {UM_UPDATE_PRINTER_INFO, UM_GET_PRINTER_STATUS, UM_READ_PRINTER_SETTINGS,
                                 UM_STOP_STATUS_MONITOR}) {
    plat::SetMessageHandler(status, message, [&seen, message](plat::WPARAM w, plat::LPARAM l) {
      seen.emplace_back(message, w, l);
      return static_cast<plat::LRESULT>(message - plat::WM_USER);
    });
  }
  const plat::HWND frame = plat::WindowHandle(frame_.get());
  // Sent on: the status pane's result comes back, the parameters arrive unchanged.
  EXPECT_EQ(plat::SendMessage(frame, UM_GET_PRINTER_STATUS, 11, 12), 201);
  EXPECT_EQ(plat::SendMessage(frame, UM_READ_PRINTER_SETTINGS, 21, -22), 202);
  EXPECT_EQ(plat::SendMessage(frame, UM_STOP_STATUS_MONITOR, 31, 32), 203);
  // Posted on: the frame answers 0 at once, the status pane sees it later.
  EXPECT_EQ(plat::SendMessage(frame, UM_UPDATE_PRINTER_INFO, 41, 42), 0);
  EXPECT_EQ(seen.size(), 3u);
  QCoreApplication::processEvents();
  using Seen = std::tuple<unsigned, plat::WPARAM, plat::LPARAM>;
  EXPECT_EQ(seen, (std::vector<Seen>{{UM_GET_PRINTER_STATUS, 11, 12}, {UM_READ_PRINTER_SETTINGS, 21, -22},
                                     {UM_STOP_STATUS_MONITOR, 31, 32}, {UM_UPDATE_PRINTER_INFO, 41, 42}}));
}

TEST_F(MainFrameTest, StatusQuestionIsAnsweredUnknownByTheStatusPane) {
  std::int32_t status = 99;
  EXPECT_EQ(plat::SendMessage(plat::WindowHandle(frame_.get()), UM_GET_PRINTER_STATUS,
                              reinterpret_cast<plat::WPARAM>(&status), 0),
            0);
  EXPECT_EQ(status, -1);
}

TEST_F(MainFrameTest, ContentPaneTellsDescendantsItsSize) {
  CUtilDummyView* content = frame_->ContentView();
  auto* page = new QWidget(content);
  auto* control = new QWidget(page);
  std::vector<std::pair<plat::WPARAM, plat::LPARAM>> sizes;
  plat::SetMessageHandler(control, plat::WM_SIZE, [&sizes](plat::WPARAM w, plat::LPARAM l) {
    sizes.emplace_back(w, l);
    return plat::LRESULT{0};
  });
  frame_->SetMenuPaneSize(200, 300);
  ASSERT_FALSE(sizes.empty());
  const plat::LPARAM last = sizes.back().second;
  EXPECT_EQ(sizes.back().first, SIZE_RESTORED);
  EXPECT_EQ(last & 0xFFFF, content->width());
  EXPECT_EQ((last >> 16) & 0xFFFF, content->height());
  EXPECT_GT(content->width(), 1);
}

TEST(MainFrameProgress, RunsTheDialogWithStatusCallbacksRemovedAndRestoredAfter) {
  XJC xjc;
  ASSERT_EQ(xjc.Load(plat::FromUtf8(XJ_STUB_FULL_PATH)), XJC_OK);
  auto reset = reinterpret_cast<StubResetFn>(plat::GetProcAddress(xjc.Handle(), "StubXJC_Reset"));
  auto count = reinterpret_cast<StubCallCountFn>(plat::GetProcAddress(xjc.Handle(), "StubXJC_CallCount"));
  auto call = reinterpret_cast<StubCallFn>(plat::GetProcAddress(xjc.Handle(), "StubXJC_Call"));
  ASSERT_TRUE(reset && count && call);

  auto block = MakeBlock("[MAIN_WINDOW_MSG]\nMSG_0=Talking to the printer\n");
  block->xjc = &xjc;
  CMainFrame frame(block.get());
  ASSERT_TRUE(frame.Create());
  const plat::HWND handle = plat::WindowHandle(&frame);
  plat::Event* none = nullptr;
  ProgressJobRequest noDialog{&none, &none, kProgressAnimationPaperFeed, 0};
  EXPECT_EQ(plat::SendMessage(handle, UM_RUN_PROGRESS, reinterpret_cast<plat::WPARAM>(&noDialog), 0), -1);
  const auto dialog = reinterpret_cast<plat::HWND>(plat::SendMessage(handle, UM_CREATE_PROGRESS, 0, 0));
  ASSERT_NE(dialog, nullptr);
  ASSERT_NE(CurrentProgressDialog(&frame), nullptr);
  EXPECT_EQ(CurrentProgressDialog(&frame)->windowTitle(), QStringLiteral("Talking to the printer"));
  reset();

  plat::Event done(true);
  plat::Event progress(false);
  plat::Event* donePtr = &done;
  plat::Event* progressPtr = &progress;
  ProgressJobRequest request{&donePtr, &progressPtr, kProgressAnimationPaperFeed, 60000};
  std::vector<std::string> during;
  // What the library was told by the time the job runs.
  std::thread worker([&] { done.Set(); });
  bool frameEnabledDuringRun = true;
  QTimer::singleShot(0, [&] {
    for (int i = 0; i < count(); ++i) during.emplace_back(call(i)->name);
    frameEnabledDuringRun = frame.isEnabled();
  });
  EXPECT_EQ(plat::SendMessage(handle, UM_RUN_PROGRESS, reinterpret_cast<plat::WPARAM>(&request), 0), 0);
  worker.join();
  EXPECT_FALSE(frameEnabledDuringRun);
  EXPECT_TRUE(frame.isEnabled());
  EXPECT_FALSE(plat::IsWindow(dialog));

  EXPECT_EQ(during, (std::vector<std::string>{"XJC_UnregisterStatusProc", "XJC_UnregisterBatStatusProc"}));
  std::vector<std::string> all;
  for (int i = 0; i < count(); ++i) all.emplace_back(call(i)->name);
  EXPECT_EQ(all, (std::vector<std::string>{"XJC_UnregisterStatusProc", "XJC_UnregisterBatStatusProc",
                                           "XJC_Initialize", "XJC_RegisterStatusProc",
                                           "XJC_RegisterBatStatusProc"}));
  // The status pane's callbacks were registered with the pane's handle as context.
  const StubCall* registration = call(3);
  EXPECT_EQ(registration->args[1], reinterpret_cast<std::uint64_t>(plat::WindowHandle(frame.StatusPane())));
}

TEST_F(MainFrameTest, HelpKeyAndAboutCommandShowTheVersionInformation) {
  std::vector<QString> titles;
  auto closeAbout = [&titles] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      titles.push_back(dialog->windowTitle());
      if (qobject_cast<CAboutDlg*>(dialog)) dialog->accept();
    }
  };
  QTimer::singleShot(0, closeAbout);
  plat::SendMessage(plat::WindowHandle(frame_.get()), plat::WM_SYSCOMMAND, CMainFrame::SC_ABOUTBOX, 0);
  // F1 reaches the frame's shortcut when the frame is the active window.
  frame_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
  QTimer::singleShot(0, closeAbout);
  QTest::keyClick(frame_.get(), Qt::Key_F1);
  EXPECT_EQ(titles, (std::vector<QString>{QStringLiteral("Version Information"),
                                          QStringLiteral("Version Information")}));
}

// Asks the running copy (this process) to come forward from a worker thread, while the
// UI thread keeps serving the tag's socket.
bool RaiseRunningCopy(int timeoutMs) {
  bool answered = false;
  QEventLoop loop;
  std::thread asker([&] {
    answered = plat::BringTaggedWindowToFront(plat::ToQString(RunningCopyTagName()), timeoutMs);
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  asker.join();
  return answered;
}

TEST_F(MainFrameTest, CarriesTheRunningCopyTagWhileItExists) {
  EXPECT_EQ(RunningCopyTagName(), u"XJ-K52II_UTILITY_XJ-K52II");
  EXPECT_TRUE(RaiseRunningCopy(5000));
  frame_.reset();
  EXPECT_FALSE(RaiseRunningCopy(500));
}

}  // namespace
