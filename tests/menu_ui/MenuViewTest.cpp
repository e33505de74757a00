// The menu pane as a user meets it: the mouse moving, pressing and dragging over rows,
// what each row looks like, and the first update that reads a menu file and loads the
// plug-ins. Plug-ins are the recording stand-ins of tests/support/FakeMenuPlugin.h,
// except in the first-update test, which loads the test plug-in libraries.
#include "menu/CUtilMenuView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "menu/PluginHost.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/MessageBox.h"
#include "res/BitmapResources.h"
#include "sdk/AppSettingsBlock.h"
#include "tests/support/FakeMenuPlugin.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TestEnv.h"

namespace {

using fakeplugin::AttachPlugin;
using fakeplugin::Call;
using fakeplugin::MakeItem;

// Where the view sits in its window, and how much empty list there is below the rows.
constexpr int kViewLeft = 10;
constexpr int kViewTop = 10;
constexpr int kSpareHeight = 60;

std::vector<Call> TakeCalls() {
  std::vector<Call> calls = fakeplugin::Calls();
  fakeplugin::Calls().clear();
  return calls;
}

// A picture file of one colour, with a one-pixel border of another when given.
std::u16string SavePicture(const std::string& dir, const std::string& name, QSize size, QColor fill,
                           QColor border = QColor()) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(fill);
  if (border.isValid()) {
    QPainter painter(&image);
    painter.setPen(border);
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
  }
  const std::string path = dir + "/" + name;
  EXPECT_TRUE(image.save(QString::fromStdString(path)));
  return plat::FromUtf8(path);
}

QRgb Rgb(const QColor& color) { return color.rgb() & 0xFFFFFFu; }

class MenuViewTest : public testing::Test {
 protected:
  void SetUp() override {
    fakeplugin::Reset();
    window_ = std::make_unique<QWidget>();
    window_->resize(400, 420);
    view_ = new CUtilMenuView(window_.get());
    view_->SetListSizeReceiver([this](int width, int height) { sizes_.emplace_back(width, height); });
  }

  // Shows the menu with the look, in a view of the size it asks for plus spare height.
  void Show(MenuItemList items, const MenuLook& look = {}) {
    view_->ShowMenu(std::move(items), look);
    ASSERT_FALSE(sizes_.empty());
    view_->setGeometry(kViewLeft, kViewTop, sizes_.back().first, sizes_.back().second + kSpareHeight);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  QPoint RowPoint(int row) const { return view_->RowRect(row).center(); }
  // The mouse moves onto the row, then the button goes down.
  void Press(int row) {
    QTest::mouseMove(view_, RowPoint(row));
    QTest::mousePress(view_, Qt::LeftButton, {}, RowPoint(row));
  }
  void Release(int row) { QTest::mouseRelease(view_, Qt::LeftButton, {}, RowPoint(row)); }
  void Click(int row) { QTest::mouseClick(view_, Qt::LeftButton, {}, RowPoint(row)); }
  // A mouse event straight to the view, with the keys given: the test functions know no
  // keys on moves, and they move the mouse to a press or release point first.
  void Send(QEvent::Type type, const QPoint& point, Qt::MouseButton button, Qt::MouseButtons buttons,
            Qt::KeyboardModifiers keys = {}) {
    QMouseEvent event(type, point, view_->mapToGlobal(point), button, buttons, keys);
    QApplication::sendEvent(view_, &event);
  }
  // Hover, pressed and current row.
  using RowStates = std::array<int, 3>;
  RowStates Rows() const { return {view_->HoverIndex(), view_->PressedIndex(), view_->CurrentIndex()}; }
  QImage Picture() const { return view_->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  std::unique_ptr<QWidget> window_;
  CUtilMenuView* view_ = nullptr;
  std::vector<std::pair<int, int>> sizes_;
};

// heading, A (plug-in 0), B (1), C (2), D (selectable, no plug-in)
MenuItemList PagesUnderAHeading() {
  MenuItemList items;
  items.push_back(MakeItem(1, 0, false, u"Heading"));
  items.push_back(MakeItem(2, 1, true, u"A"));
  AttachPlugin<0>(*items.back());
  items.push_back(MakeItem(3, 1, true, u"B"));
  AttachPlugin<1>(*items.back());
  items.push_back(MakeItem(4, 1, true, u"C"));
  AttachPlugin<2>(*items.back());
  items.push_back(MakeItem(5, 1, true, u"D"));
  return items;
}

TEST_F(MenuViewTest, MouseChoosesPagesAndThePluginsHearOfIt) {
  Show(PagesUnderAHeading());
  EXPECT_EQ(plat::ControlClassName(view_), u"SysListView32");
  // The built-in look: rows as large as the selected-state bitmap; the list asks for its
  // column and rows with the border around them.
  EXPECT_EQ(sizes_.back(), std::make_pair(kMenuItemBitmapWidth + 2, 5 * kMenuItemBitmapHeight + 2));
  // The first selectable item is current and its page was shown.
  EXPECT_EQ(Rows(), (RowStates{-1, -1, 1}));
  EXPECT_EQ(TakeCalls(), (std::vector<Call>{{0, kMenuStateEnter}}));

  // Press on B, drag to C with the button held, release there: C is pressed, then current.
  Press(2);
  EXPECT_EQ(Rows(), (RowStates{2, 2, 1}));
  QTest::mouseMove(view_, RowPoint(3));
  EXPECT_EQ(Rows(), (RowStates{3, 3, 1}));
  Release(3);
  EXPECT_EQ(Rows(), (RowStates{3, -1, 3}));
  EXPECT_EQ(TakeCalls(), (std::vector<Call>{{0, kMenuStateLeave}, {2, kMenuStateEnter}}));
  // Clicking the current row again tells it so, and nothing else.
  Click(3);
  EXPECT_EQ(TakeCalls(), (std::vector<Call>{{2, kMenuStateReselect}}));

  // A drag with Shift held as well lets the pressed row go; the release takes the hover row.
  Press(1);
  Send(QEvent::MouseMove, RowPoint(2), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(Rows(), (RowStates{2, -1, 3}));
  Send(QEvent::MouseButtonRelease, RowPoint(2), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
  EXPECT_EQ(Rows(), (RowStates{2, -1, 2}));
  EXPECT_EQ(TakeCalls(), (std::vector<Call>{{2, kMenuStateLeave}, {1, kMenuStateEnter}}));

  // A page refusing to be left stays current; any other answer lets it go. D has no
  // plug-in: it becomes current and is left without a call.
  fakeplugin::Answer(1) = kPluginLeaveRefused;
  Click(4);
  EXPECT_EQ(view_->CurrentIndex(), 2);
  fakeplugin::Answer(1) = -3;
  Click(4);
  EXPECT_EQ(view_->CurrentIndex(), 4);
  Click(1);
  EXPECT_EQ(view_->CurrentIndex(), 1);
  EXPECT_EQ(TakeCalls(),
            (std::vector<Call>{{1, kMenuStateLeave}, {1, kMenuStateLeave}, {0, kMenuStateEnter}}));

  // The heading does not react (the hover row stays where it was), nor does the keyboard.
  QTest::mouseMove(view_, RowPoint(2));
  QTest::mouseMove(view_, RowPoint(0));
  EXPECT_EQ(Rows(), (RowStates{2, -1, 1}));
  QTest::mouseMove(window_.get(), QPoint(380, 400));
  QTest::mouseMove(view_, RowPoint(0));
  Click(0);
  QTest::keyClick(view_, Qt::Key_Down);
  QTest::keyClick(view_, Qt::Key_Return);
  EXPECT_EQ(Rows(), (RowStates{-1, -1, 1}));

  // The empty list below the rows and the world outside the view clear the hover and
  // pressed rows; a release out there chooses nothing.
  QTest::mouseMove(view_, RowPoint(3));
  QTest::mouseMove(view_, view_->RowRect(4).bottomLeft() + QPoint(5, kSpareHeight / 2));
  EXPECT_EQ(Rows(), (RowStates{-1, -1, 1}));
  Press(3);
  QTest::mouseMove(view_, RowPoint(2));
  EXPECT_EQ(Rows(), (RowStates{2, 2, 1}));
  const QPoint outside = view_->rect().topRight() + QPoint(40, 40);
  QTest::mouseMove(view_, outside);
  EXPECT_EQ(Rows(), (RowStates{-1, -1, 1}));
  QTest::mouseRelease(view_, Qt::LeftButton, {}, outside);
  QTest::mouseMove(view_, RowPoint(2));
  EXPECT_EQ(Rows(), (RowStates{2, -1, 1}));
  QTest::mouseMove(window_.get(), QPoint(380, 400));
  EXPECT_EQ(Rows(), (RowStates{-1, -1, 1}));
  EXPECT_TRUE(TakeCalls().empty());

  // Destroying the view finalises the plug-ins, front first.
  delete view_;
  view_ = nullptr;
  EXPECT_EQ(TakeCalls(), (std::vector<Call>{{0, fakeplugin::kFinalized},
                                            {1, fakeplugin::kFinalized},
                                            {2, fakeplugin::kFinalized}}));
}

// The pixel's colour, and the left-most and top-most pixel of the (red) label in a row.
QRgb Pixel(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFFu; }
QPoint FirstLabelPixel(const QImage& image, const QRect& row) {
  QPoint first(INT_MAX, INT_MAX);
  for (int y = row.top(); y < row.bottom() + 3; ++y)
    for (int x = row.left(); x < row.right() + 3; ++x)
      if (const QRgb p = image.pixel(x, y); qRed(p) > 160 && qGreen(p) < 110 && qBlue(p) < 110)
        first = QPoint(std::min(first.x(), x), std::min(first.y(), y));
  return first;
}

TEST_F(MenuViewTest, RowsAreDrawnFromTheLook) {
  const std::string dir = testenv::MakeTempDir("look");
  const QColor selected(0, 0, 200), selecting(0, 160, 0), onMouse(230, 230, 0), band(0, 200, 200),
      lower(128, 128, 128);
  MenuLook look;
  look.indents = {4, 14, 24, 34, 44};
  look.selectedBitmap = SavePicture(dir, "selected.bmp", QSize(120, 20), selected);
  look.selectingBitmap = SavePicture(dir, "selecting.png", QSize(120, 20), selecting);
  look.onMouseBitmap = SavePicture(dir, "onmouse.bmp", QSize(120, 20), onMouse);
  // The background's top-left pixel gives the colour of the band above it.
  look.backgroundBitmap = SavePicture(dir, "background.bmp", QSize(120, 40), lower, band);
  // A heading and a chain of pages, each one level deeper than the one before (1..6).
  MenuItemList items;
  for (int id = 1; id <= 7; ++id) {
    items.push_back(MakeItem(id, id - 1, id != 1, u"Mm"));
    items.back()->color = 0x0000FF;  // red
  }
  Show(std::move(items), look);
  ASSERT_EQ(view_->RowHeight(), 20);
  ASSERT_EQ(view_->ColumnWidth(), 120);
  // Current C (row 3), the mouse over D (row 4), E (row 5) being pressed.
  Click(3);
  QTest::mouseMove(view_, RowPoint(4));
  Send(QEvent::MouseButtonPress, RowPoint(5), Qt::LeftButton, Qt::LeftButton);
  ASSERT_EQ(Rows(), (RowStates{4, 5, 3}));

  QImage image = Picture();
  const int x = view_->RowRect(0).left() + 110;  // right of every label
  const auto rowY = [this](int row) { return view_->RowRect(row).center().y(); };
  EXPECT_EQ(Pixel(image, x, rowY(0)), Rgb(band));  // a heading has no bitmap
  EXPECT_EQ(Pixel(image, x, rowY(3)), Rgb(selected));
  EXPECT_EQ(Pixel(image, x, rowY(4)), Rgb(onMouse));
  EXPECT_EQ(Pixel(image, x, rowY(5)), Rgb(selecting));
  EXPECT_EQ(Pixel(image, x, rowY(6)), Rgb(band));
  // The background sits at the bottom; the band above it leaves out the last column.
  const QRect client = view_->contentsRect();
  EXPECT_EQ(Pixel(image, client.left() + 5, client.bottom() - 5), Rgb(lower));
  EXPECT_EQ(Pixel(image, client.left() + 5, client.bottom() - 45), Rgb(band));
  EXPECT_NE(Pixel(image, client.right(), client.bottom() - 45), Rgb(band));

  // Indents by level, deeper than level 5 with the level-5 indent; the text of the
  // current and the pressed row is pushed 2 pixels right and down.
  std::vector<QPoint> label;
  for (int row = 0; row < 7; ++row) label.push_back(FirstLabelPixel(image, view_->RowRect(row)));
  std::vector<int> indents;
  for (const QPoint& p : label) indents.push_back(p.x() - (label[0].x() - 4));
  EXPECT_EQ(indents, (std::vector<int>{4, 14, 24, 34 + 2, 44, 44 + 2, 44}));
  EXPECT_EQ(label[3].y() - view_->RowRect(3).top(), label[4].y() - view_->RowRect(4).top() + 2);

  // Stretched to the item size and transparent: the centre colour is left out and the
  // background shows; in a list lower than the background, its bottom part.
  const QColor border(0, 0, 220), key(255, 0, 255);
  look.itemWidth = 60;
  look.itemHeight = 16;
  look.stretch = look.transparent = 1;
  look.selectedBitmap = SavePicture(dir, "keyed.bmp", QSize(20, 10), key, border);
  look.backgroundBitmap = SavePicture(dir, "tall.bmp", QSize(60, 40), lower, band);
  items.push_back(MakeItem(1, 0, true, u""));
  view_->ShowMenu(std::move(items), look);
  view_->setGeometry(kViewLeft, kViewTop, 62, 20);
  const QRect row = view_->RowRect(0);
  image = Picture();
  EXPECT_EQ(Pixel(image, row.left(), row.top()), Rgb(border));
  EXPECT_EQ(Pixel(image, row.left() + 58, row.top() + 8), Rgb(border));  // 20 pixels drawn 60 wide
  EXPECT_EQ(Pixel(image, row.left() + 30, row.top() + 8), Rgb(lower));
  look.transparent = 0;
  items.push_back(MakeItem(1, 0, true, u""));
  view_->ShowMenu(std::move(items), look);
  EXPECT_EQ(Pixel(Picture(), row.left() + 30, row.top() + 8), Rgb(key));
  // A bitmap file that does not load gives the built-in one.
  look.selectedBitmap = plat::FromUtf8(dir + "/missing.bmp");
  look.itemWidth = look.itemHeight = -1;
  items.push_back(MakeItem(1, 0, true, u""));
  view_->ShowMenu(std::move(items), look);
  EXPECT_EQ(view_->ColumnWidth(), kMenuItemBitmapWidth);
  EXPECT_EQ(view_->RowHeight(), kMenuItemBitmapHeight);
}

// The settings block of a first update: language and executable folders, launch mode.
struct FirstUpdateSetup {
  AppSettingsBlock block{};
  PluginDataMgr manager;
  std::string exeFolder;
  std::string langFolder;

  explicit FirstUpdateSetup(std::int32_t mode) {
    std::memset(&block, 0, sizeof block);
    exeFolder = testenv::MakeTempDir("exe") + "/";
    langFolder = testenv::MakeTempDir("lang");
    block.langId = 0x0411;  // no Japanese file: English serves
    block.mode = mode;
    block.dataMgr = &manager;
    plat::CopyText(block.exeFolder, plat::FromUtf8(exeFolder));
    plat::CopyText(block.langFolder, plat::FromUtf8(langFolder));
  }
};

TEST_F(MenuViewTest, FirstUpdateReadsTheMenuFileLoadsPluginsAndSelectsTheFirstPage) {
  FirstUpdateSetup setup(1);
  testenv::WriteFile(setup.langFolder + "/0409.DAT",
                     "[MENU_ITEM_STR]\nSTR_0=First page\nSTR_1=Heading\nSTR_2=Not shown\n");
  const std::string plugins = XJ_TEST_PLUGIN_DIR;
  testenv::WriteFile(setup.exeFolder + "MENUITEM_LOGO.DAT",
                     "[APP_SETTING]\nTITLE=Logo Tool\nTITLE_ADD_VERSION=1\n"
                     "[SETTINGS]\nMENU_ITEM_WIDTH=150\nMENU_ITEM_HEIGHT=24\n"
                     "[MENUITEM_1]\nITEMID=1\nSTRING=STR_1\n"
                     "[MENUITEM_2]\nITEMID=2\nPARENTITEMID=1\nSELECTING=1\nSTRING=STR_0\n"
                     "USE_DLL_NAME=" + plugins + "/xjtest_good.so\n"
                     "[MENUITEM_3]\nITEMID=3\nPARENTITEMID=1\nSELECTING=1\nSTRING=STR_2\n"
                     "USE_DLL_NAME=" + plugins + "/xjtest_init_fails.so\n"
                     "[MENUITEM_4]\nITEMID=4\nPARENTITEMID=2\nSELECTING=1\nSTRING=Plain\n");
  const std::string events = testenv::MakeTempDir("events") + "/events.log";
  setenv("XJ_EVENT_LOG", events.c_str(), 1);
  const std::string pluginLog = testenv::MakeTempDir("pluginlog") + "/calls.log";
  setenv("XJ_TEST_PLUGIN_LOG", pluginLog.c_str(), 1);

  auto* content = new QWidget(window_.get());
  view_->SetHost(&setup.block, window_.get(), content);
  std::vector<std::vector<std::int32_t>> levelsHandedOver;
  view_->SetItemsReceiver([&](MenuItemList* items) {
    ASSERT_EQ(items, &view_->Items());
    std::vector<std::int32_t> levels;
    for (const auto& item : *items) levels.push_back(item->level);
    levelsHandedOver.push_back(levels);
  });
  view_->OnInitialUpdate();
  view_->OnInitialUpdate();  // only the first one counts
  unsetenv("XJ_EVENT_LOG");

  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Logo Tool Ver.1.30"));
  EXPECT_EQ(view_->MenuFilePath(), plat::FromUtf8(setup.exeFolder + "MENUITEM_LOGO.DAT"));
  std::vector<std::u16string> labels;
  std::vector<std::int32_t> levels;
  for (const auto& item : view_->Items()) {
    labels.push_back(item->label);
    levels.push_back(item->level);
  }
  EXPECT_EQ(labels, (std::vector<std::u16string>{u"Heading", u"First page", u"Plain"}));
  // The list was handed over once, before the levels were worked out.
  EXPECT_EQ(levelsHandedOver, (std::vector<std::vector<std::int32_t>>{{0, 0, 0}}));
  EXPECT_EQ(levels, (std::vector<std::int32_t>{0, 1, 2}));
  EXPECT_EQ(sizes_, (std::vector<std::pair<int, int>>{{152, 3 * 24 + 2}}));
  EXPECT_EQ(view_->CurrentIndex(), 1);
  EXPECT_TRUE(view_->IsPluginLoaded(1));
  // The plug-in's data blocks are in the manager with its defaults.
  EXPECT_GE(setup.manager.FindBlock(0x00020001), 0);
  EXPECT_GE(setup.manager.FindBlock(0x00020002), 0);
  // The item whose plug-in failed to initialise is in the automation log.
  const std::string log = testenv::ReadFile(events);
  EXPECT_NE(log.find("\tplugin-dropped\tMENUITEM_3\t" + plugins + "/xjtest_init_fails.so\t"), std::string::npos)
      << log;

  delete view_;
  view_ = nullptr;
  unsetenv("XJ_TEST_PLUGIN_LOG");
  const std::string calls = testenv::ReadFile(pluginLog);
  EXPECT_NE(calls.find("xjtest_good Initialize frame pane block\n"), std::string::npos) << calls;
  EXPECT_NE(calls.find("xjtest_good ChangeMenuState 2\nxjtest_good Finalize\n"), std::string::npos) << calls;
}

TEST_F(MenuViewTest, WithoutLanguageFilesTheUserIsToldAndTheMainWindowCloses) {
  FirstUpdateSetup setup(0);
  testenv::WriteFile(setup.exeFolder + "MENUITEM.DAT", "[MENUITEM_1]\nITEMID=1\nSELECTING=1\nSTRING=Page\n");
  MessageBoxRecorder boxes;
  int closeRequests = 0;
  plat::SetMessageHandler(window_.get(), plat::WM_CLOSE, [&](plat::WPARAM, plat::LPARAM) {
    ++closeRequests;
    return plat::LRESULT{0};
  });
  view_->SetHost(&setup.block, window_.get(), nullptr);
  view_->OnInitialUpdate();
  ASSERT_EQ(boxes.Texts(), (std::vector<std::u16string>{u"Could not find the required files.\nClosing application."}));
  EXPECT_EQ(boxes.All()[0].type & plat::MB_ICONWARNING, plat::MB_ICONWARNING);
  QCoreApplication::processEvents();
  EXPECT_EQ(closeRequests, 1);
  EXPECT_TRUE(view_->Items().empty());
  EXPECT_TRUE(sizes_.empty());
}

}  // namespace
