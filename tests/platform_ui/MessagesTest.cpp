#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QWidget>
#include <atomic>
#include <thread>

#include "platform/ui/Messages.h"

using namespace plat;

namespace {
// Runs the event loop until the condition holds (bounded, so a failure cannot hang).
template <typename F>
bool ProcessUntil(F condition) {
  QElapsedTimer timer;
  timer.start();
  while (!condition() && timer.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return condition();
}
}  // namespace

TEST(Messages, HandlesAreStableAndDieWithTheWidget) {
  auto* w = new QWidget;
  HWND h = WindowHandle(w);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(WindowHandle(w), h);
  EXPECT_TRUE(IsWindow(h));
  EXPECT_EQ(WindowFromHandle(h), w);
  delete w;
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(WindowFromHandle(h), nullptr);
  EXPECT_EQ(SendMessage(h, WM_USER + 1, 0, 0), 0);
  EXPECT_FALSE(PostMessage(h, WM_USER + 1, 0, 0));
  // A new widget never gets the dead handle again.
  QWidget other;
  EXPECT_NE(WindowHandle(&other), h);
}

TEST(Messages, SendRunsTheHandlerAndReturnsItsResult) {
  QWidget w;
  SetMessageHandler(&w, WM_USER + 5, [](WPARAM wp, LPARAM lp) { return static_cast<LRESULT>(wp * 10 + lp); });
  EXPECT_EQ(SendMessage(WindowHandle(&w), WM_USER + 5, 4, 2), 42);
  EXPECT_EQ(SendMessage(WindowHandle(&w), WM_USER + 6, 4, 2), 0);  // no handler
  SetMessageHandler(&w, WM_USER + 5, {});
  EXPECT_EQ(SendMessage(WindowHandle(&w), WM_USER + 5, 4, 2), 0);
}

TEST(Messages, SendFromWorkerRunsOnTheUiThreadAndBlocksUntilDone) {
  QWidget w;
  std::thread::id handlerThread;
  SetMessageHandler(&w, WM_USER + 7, [&](WPARAM wp, LPARAM) {
    handlerThread = std::this_thread::get_id();
    return static_cast<LRESULT>(wp + 1);
  });
  const HWND h = WindowHandle(&w);
  std::atomic<LRESULT> result{-1};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    result = SendMessage(h, WM_USER + 7, 99, 0);
    done = true;
  });
  ASSERT_TRUE(ProcessUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(result.load(), 100);
  EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST(Messages, PostQueuesInOrderAndDropsForDeadWindows) {
  auto* w = new QWidget;
  std::vector<int> seen;
  SetMessageHandler(w, WM_USER + 8, [&](WPARAM wp, LPARAM) {
    seen.push_back(static_cast<int>(wp));
    return 0;
  });
  const HWND h = WindowHandle(w);
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) PostMessage(h, WM_USER + 8, i, 0);
  });
  worker.join();
  EXPECT_TRUE(seen.empty());  // nothing runs before the event loop does
  ASSERT_TRUE(ProcessUntil([&] { return seen.size() == 5; }));
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));

  PostMessage(h, WM_USER + 8, 7, 0);
  delete w;  // the queued message must not reach a dead window
  QApplication::processEvents();
  EXPECT_EQ(seen.size(), 5u);
}

TEST(Messages, CloseWithoutHandlerClosesTheWindow) {
  QDialog dialog;
  dialog.show();
  ASSERT_TRUE(dialog.isVisible());
  SendMessage(WindowHandle(&dialog), WM_CLOSE, 0, 0);
  EXPECT_FALSE(dialog.isVisible());
}
