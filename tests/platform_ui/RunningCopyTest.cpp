#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QWidget>
#include <atomic>
#include <thread>

#include "platform/ui/RunningCopy.h"

using namespace plat;

namespace {
bool AskFromWorker(const QString& tag) {
  std::atomic<int> answer{-1};
  std::thread worker([&] { answer = BringTaggedWindowToFront(tag, 3000) ? 1 : 0; });
  QElapsedTimer timer;
  timer.start();
  while (answer < 0 && timer.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  worker.join();
  return answer == 1;
}
}  // namespace

TEST(RunningCopy, TaggedWindowIsFoundAndShown) {
  QWidget window;
  WindowTag tag(&window, "XJ-K52II_UTILITY_XJ-K52II");
  ASSERT_TRUE(tag.IsListening());
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(AskFromWorker("XJ-K52II_UTILITY_XJ-K52II"));
  EXPECT_TRUE(window.isVisible());
}

TEST(RunningCopy, NoRunningCopyAnswersFalse) {
  EXPECT_FALSE(BringTaggedWindowToFront("no-such-copy", 500));
  {
    QWidget window;
    WindowTag tag(&window, "short-lived");
  }
  // The tag is gone with its window: nobody answers any more.
  EXPECT_FALSE(AskFromWorker("short-lived"));
}

TEST(RunningCopy, StaleSocketFileIsReplaced) {
  const QString path = TagSocketPath("stale-tag");
  QFile stale(path);
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));  // a leftover file where the socket goes
  stale.close();
  QWidget window;
  WindowTag tag(&window, "stale-tag");
  EXPECT_TRUE(tag.IsListening());
  EXPECT_TRUE(AskFromWorker("stale-tag"));
}
