#include "app/CSplash.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "app/CSplashWnd.h"

namespace {

TEST(SplashWnd, WaitsForTheMainWindowInShortStepsThenCloses) {
  QWidget* mainWindow = nullptr;
  auto* splash = new CSplashWnd([&mainWindow] { return mainWindow; });
  QSignalSpy closed(splash, &CSplashWnd::Closed);
  ASSERT_TRUE(splash->Create(144, 10000, 0));
  EXPECT_TRUE(splash->isVisible());
  EXPECT_EQ(splash->size(), QSize(796, 523));
  EXPECT_EQ(splash->cursor().shape(), Qt::WaitCursor);
  EXPECT_EQ(splash->TimerInterval(), 10000);

  // The display time has passed, but there is no main window yet.
  splash->OnTimer();
  EXPECT_EQ(closed.count(), 0);
  EXPECT_EQ(splash->TimerInterval(), CSplashWnd::kRecheckMs);

  QWidget main;
  mainWindow = &main;
  splash->OnTimer();
  EXPECT_EQ(closed.count(), 1);
}

TEST(SplashWnd, InputClosesOnlyWithTheInputFlag) {
  auto* plain = new CSplashWnd([] { return nullptr; });
  QSignalSpy plainClosed(plain, &CSplashWnd::Closed);
  ASSERT_TRUE(plain->Create(144, CSplashWnd::kNoTimer, 0));
  EXPECT_EQ(plain->TimerInterval(), 0);
  QTest::keyClick(plain, Qt::Key_A);
  QTest::mouseClick(plain, Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(plainClosed.count(), 0);
  plain->close();

  auto* reacting = new CSplashWnd([] { return nullptr; });
  QSignalSpy closed(reacting, &CSplashWnd::Closed);
  ASSERT_TRUE(reacting->Create(144, CSplashWnd::kNoTimer, CSplashWnd::kCloseOnInput));
  QTest::mouseClick(reacting, Qt::RightButton);
  EXPECT_EQ(closed.count(), 0);  // posted, not yet handled
  QCoreApplication::processEvents();
  EXPECT_EQ(closed.count(), 1);
}

TEST(Splash, ClearsItsOwnersPointerOnceTheWindowHasGone) {
  CSplash* pointer = nullptr;
  new CSplash(&pointer, [] { return nullptr; });
  ASSERT_NE(pointer, nullptr);
  ASSERT_NE(pointer->Window(), nullptr);
  EXPECT_TRUE(pointer->Window()->isVisible());
  EXPECT_EQ(pointer->Window()->DisplayTime(), CSplash::kDisplayTimeMs);
  EXPECT_EQ(pointer->Window()->Flags(), CSplash::kFlags);

  pointer->Close();
  // The splash ends with the next turn of the event loop.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(pointer, nullptr);
}

TEST(Splash, DeletingTheSplashTakesItsWindowAlong) {
  CSplash* pointer = nullptr;
  auto* splash = new CSplash(&pointer, [] { return nullptr; });
  QPointer<CSplashWnd> window = splash->Window();
  ASSERT_TRUE(window);
  delete splash;
  EXPECT_EQ(pointer, nullptr);
  EXPECT_TRUE(window.isNull());
}

}  // namespace
