#include "app/CUtilSplitterWnd.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QTest>

namespace {

// A window that counts the mouse presses that reach it.
class CountingWindow : public QWidget {
 public:
  int presses = 0;
  int moves = 0;

 protected:
  void mousePressEvent(QMouseEvent*) override { ++presses; }
  void mouseMoveEvent(QMouseEvent*) override { ++moves; }
};

class UtilSplitterWndTest : public testing::Test {
 protected:
  void SetUp() override {
    window_.resize(400, 300);
    splitter_ = new CUtilSplitterWnd(&window_);
    ASSERT_TRUE(splitter_->CreateStatic(2, 1));
    top_ = new QWidget;
    bottom_ = new QWidget;
    ASSERT_TRUE(splitter_->CreateView(0, 0, top_, QSize(1, 1)));
    ASSERT_TRUE(splitter_->CreateView(1, 0, bottom_, QSize(1, 1)));
    splitter_->setGeometry(0, 0, 400, 300);
    splitter_->SetColumnInfo(0, 400, 1);
    splitter_->SetRowInfo(0, 200, 1);
    splitter_->SetRowInfo(1, 65, 1);
    splitter_->RecalcLayout();
    window_.show();
  }

  CountingWindow window_;
  CUtilSplitterWnd* splitter_ = nullptr;
  QWidget* top_ = nullptr;
  QWidget* bottom_ = nullptr;
};

TEST_F(UtilSplitterWndTest, RowsTakeTheirIdealAndTheLastTakesTheRest) {
  const int b = CUtilSplitterWnd::kBorder;
  const int g = CUtilSplitterWnd::kGap;
  EXPECT_EQ(top_->geometry(), QRect(b, b, 400 - 2 * b, 200));
  const int bottomTop = b + 200 + b + g + b;
  EXPECT_EQ(bottom_->geometry(), QRect(b, bottomTop, 400 - 2 * b, 300 - b - bottomTop));
  EXPECT_EQ(splitter_->GetPane(1, 0), bottom_);
  EXPECT_EQ(splitter_->GetPane(2, 0), nullptr);
  EXPECT_EQ(splitter_->GetPane(0, 1), nullptr);

  // An ideal larger than the splitter leaves the last row nothing, never a negative size.
  splitter_->SetRowInfo(0, 1000, 1);
  splitter_->RecalcLayout();
  EXPECT_EQ(top_->height(), 300 - 2 * b);
  EXPECT_EQ(bottom_->height(), 0);
}

TEST_F(UtilSplitterWndTest, DraggingTheBarChangesNothingAndReachesNoOneElse) {
  const std::vector<QRect> bars = splitter_->BarRects();
  ASSERT_EQ(bars.size(), 1u);
  const QPoint onBar = bars[0].center();
  const QRect topBefore = top_->geometry();
  const QRect bottomBefore = bottom_->geometry();

  QTest::mousePress(splitter_, Qt::LeftButton, Qt::NoModifier, onBar);
  QMouseEvent move(QEvent::MouseMove, QPointF(onBar + QPoint(0, -80)), QPointF(splitter_->mapToGlobal(onBar + QPoint(0, -80))),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(splitter_, &move);
  QTest::mouseRelease(splitter_, Qt::LeftButton, Qt::NoModifier, onBar + QPoint(0, -80));

  EXPECT_EQ(top_->geometry(), topBefore);
  EXPECT_EQ(bottom_->geometry(), bottomBefore);
  EXPECT_EQ(window_.presses, 0);
  EXPECT_EQ(window_.moves, 0);
  int ideal = 0, minimum = 0;
  splitter_->GetRowInfo(0, ideal, minimum);
  EXPECT_EQ(ideal, 200);
}

TEST_F(UtilSplitterWndTest, PartsAreDrawnAsLightOutlinesOnly) {
  // Panes transparent to the splitter's painting: look at the splitter alone.
  top_->hide();
  bottom_->hide();
  QImage image(splitter_->size(), QImage::Format_ARGB32);
  image.fill(Qt::black);
  splitter_->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
  const QRgb outline = CUtilSplitterWnd::kOutlineColor;
  // The outer edge of the top pane's border box is outlined ...
  EXPECT_EQ(image.pixel(0, 0), outline);
  EXPECT_EQ(image.pixel(200, 0), outline);
  // ... and nothing is filled: inside the border box and inside the bar the background
  // shows through.
  EXPECT_EQ(image.pixel(200, 100), QColor(Qt::black).rgb());
  const QRect bar = splitter_->BarRects()[0];
  EXPECT_EQ(image.pixel(bar.left() + 1, bar.top()), outline);
  EXPECT_EQ(image.pixel(bar.center().x(), bar.center().y()), QColor(Qt::black).rgb());
}

}  // namespace
