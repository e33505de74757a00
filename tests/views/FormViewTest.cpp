#include <gtest/gtest.h>

#include <QPointer>
#include <cstring>

#include "app/settings/PluginDataMgr.h"
#include "platform/ui/Controls.h"
#include "tests/views/ViewsTestSupport.h"
#include "views/CFormViewCtrl.h"
#include "views/CSingleFormView.h"
#include "views/CommonMessages.h"

using namespace viewstest;

namespace {

// A controller with a given number of pages and dependent blocks; it notes defaults.
class TestController : public CFormViewCtrl {
 public:
  explicit TestController(int pages = 1) : pages_(pages) {}
  void CreatePages() override {
    ++createPagesCalls;
    for (int i = 0; i < pages_; ++i) AddPage(new CSingleFormView);
  }
  std::int32_t PreInitialize() override { return preInitializeResult; }
  std::int32_t SetDefaultData(std::uint32_t id) override {
    defaults.push_back(id);
    return 1;
  }
  std::int32_t GetDependData(DataBlockDesc* records, std::int32_t& count) override {
    if (!records) count = static_cast<std::int32_t>(depend.size());
    else std::copy_n(depend.begin(), count, records);
    return 1;
  }
  int createPagesCalls = 0;
  std::int32_t preInitializeResult = 0;
  std::vector<std::uint32_t> defaults;
  std::vector<DataBlockDesc> depend;

 private:
  int pages_;
};

}  // namespace

TEST(FormViewInitialUpdate, EnglishFallbackIsReportedOncePerPageAndSwitchesTheBlockToEnglish) {
  MessageBoxRecorder boxes;
  auto block = MakeSettings(MakeLangFolder(true, false), 0x0411);
  TestMainFrame frame;
  TestController first;
  ASSERT_EQ(first.Initialize(block.get(), &frame, &frame), kFormCtrlOk);
  ASSERT_EQ(boxes.All().size(), 1u);
  EXPECT_EQ(boxes.All()[0].text, u"Could not find the required files.\nDisplaying the screen in English.");
  EXPECT_EQ(boxes.All()[0].owner, nullptr);
  EXPECT_EQ(boxes.All()[0].type, plat::MB_OK | plat::MB_ICONWARNING);
  EXPECT_EQ(block->langId, 0x0409);
  EXPECT_EQ(plat::FieldText(block->langCode), u"0409");
  CCommonFormView* page = first.Pages()[0];
  EXPECT_EQ(page->PageTable().MessageOr(2, u""), u"Could not get some settings from the printer.");

  // Another page asked for Japanese reports again: the flag is per page. The first
  // page does not report twice, but switches the block again.
  block->langId = 0x0411;
  TestController second;
  ASSERT_EQ(second.Initialize(block.get(), &frame, &frame), kFormCtrlOk);
  block->langId = 0x0411;
  page->OnInitialUpdate();
  EXPECT_EQ(boxes.All().size(), 2u);
  EXPECT_EQ(block->langId, 0x0409);
  QApplication::processEvents();
  EXPECT_EQ(frame.closeRequests, 0);
}

TEST(FormViewInitialUpdate, NoLanguageFilesClosesTheApplication) {
  MessageBoxRecorder boxes;
  auto block = MakeSettings(MakeLangFolder(false, false), 0x0409);
  TestMainFrame frame;
  TestController controller;
  ASSERT_EQ(controller.Initialize(block.get(), &frame, &frame), kFormCtrlOk);
  ASSERT_EQ(boxes.All().size(), 1u);
  EXPECT_EQ(boxes.All()[0].text, u"Could not find the required files.\nClosing application.");
  EXPECT_EQ(frame.closeRequests, 0);  // posted, not sent
  EXPECT_TRUE(ProcessUntil([&] { return frame.closeRequests == 1; }));
  EXPECT_TRUE(controller.Pages()[0]->PageTable().Messages().empty());
}

TEST(FormViewInitialUpdate, RequestedLanguageLoadsSilentlyAndOnce) {
  MessageBoxRecorder boxes;
  auto block = MakeSettings(MakeLangFolder(true, true), 0x0411);
  TestMainFrame frame;
  TestController controller;
  ASSERT_EQ(controller.Initialize(block.get(), &frame, &frame), kFormCtrlOk);
  CCommonFormView* page = controller.Pages()[0];
  EXPECT_EQ(page->PageTable().MessageOr(2, u""), plat::FromUtf8("プリンターから一部の設定を取得できませんでした。"));
  EXPECT_EQ(page->CommonTable().LangId(), 0x0411);
  EXPECT_EQ(controller.Table().LangId(), 0x0411);
  page->InitialUpdate();
  EXPECT_TRUE(boxes.All().empty());
  EXPECT_EQ(block->langId, 0x0411);
}

TEST(FormViewSizing, PageCoversALargerParentAndKeepsItsSizeOtherwise) {
  QWidget parent;
  parent.resize(800, 600);
  parent.show();
  CSingleFormView page(&parent);
  page.show();
  page.resize(600, 400);
  EXPECT_EQ(page.geometry(), QRect(0, 0, 800, 600));
  page.move(30, 20);
  page.resize(900, 700);
  EXPECT_EQ(page.geometry(), QRect(0, 0, 900, 700));
  // It follows its parent growing beyond it, and the rule also runs on WM_SIZE.
  parent.resize(1000, 650);
  EXPECT_EQ(page.geometry(), QRect(0, 0, 1000, 650));
  page.setGeometry(5, 5, 300, 200);
  plat::SendMessage(plat::WindowHandle(&page), plat::WM_SIZE, 0, 0);
  EXPECT_EQ(page.geometry(), QRect(0, 0, 1000, 650));
  // A hidden page is left alone.
  page.hide();
  page.setGeometry(10, 10, 600, 400);
  plat::SendMessage(plat::WindowHandle(&page), plat::WM_SIZE, 0, 0);
  EXPECT_EQ(page.geometry(), QRect(10, 10, 600, 400));
}

TEST(FormViewRetry, WirelessNetPortsGetTheLongLimit) {
  MessageBoxRecorder boxes;
  auto block = MakeSettings(MakeLangFolder(true, false), 0x0409);
  TestController controller;
  QWidget frame;
  ASSERT_EQ(controller.Initialize(block.get(), &frame, &frame), kFormCtrlOk);
  CCommonFormView* page = controller.Pages()[0];
  const struct {
    std::int32_t ifType;
    const char16_t* info;
    std::int32_t limit;
  } cases[] = {{kIfTypeEthernet, u"XJ-K52II Wi-Fi model", 15000}, {kIfTypeEthernet, u"WX-N adapter", 15000},
               {kIfTypeEthernet, u"wired, wi-fi", 1000},         {kIfTypeUsb, u"Wi-Fi", 1000}};
  for (const auto& c : cases) {
    block->chosenIfType = c.ifType;
    plat::CopyText(block->chosenPort.deviceInfo, c.info);
    RetryParameters retry{};
    ASSERT_TRUE(page->GetRetryParameters(&retry));
    EXPECT_EQ(retry.limit, c.limit) << U8(c.info);
    EXPECT_EQ(retry.count, 30);
    EXPECT_EQ(retry.interval, 1000);
  }
  EXPECT_FALSE(page->GetRetryParameters(nullptr));
}

TEST(FormViewController, InitializeCreatesHiddenChildPagesOnce) {
  TestMainFrame frame;
  frame.resize(640, 480);
  TestController controller(2);
  EXPECT_EQ(controller.CurrentPageIndex(), -1);
  ASSERT_EQ(controller.Initialize(nullptr, &frame, &frame), kFormCtrlOk);
  EXPECT_EQ(controller.CurrentPageIndex(), 0);
  EXPECT_EQ(controller.MainFrame(), plat::WindowHandle(&frame));
  ASSERT_EQ(controller.PageCount(), 2u);
  for (CCommonFormView* page : controller.Pages()) {
    EXPECT_EQ(page->parentWidget(), &frame);
    EXPECT_FALSE(page->isVisibleTo(&frame));
    EXPECT_EQ(page->geometry(), frame.rect());
    EXPECT_EQ(plat::ControlId(page), CCommonFormView::IDD);
    EXPECT_EQ(page->Controller(), &controller);
  }
  auto block = MakeSettings("", 0x0409);
  EXPECT_EQ(controller.Initialize(block.get(), &frame, &frame), kFormCtrlAlreadyInitialized);
  EXPECT_EQ(controller.createPagesCalls, 1);
  EXPECT_EQ(controller.PageCount(), 2u);
  EXPECT_EQ(controller.SettingsBlock(), block.get());  // the block is taken even then

  TestController failing;
  failing.preInitializeResult = -7;
  EXPECT_EQ(failing.Initialize(nullptr, &frame, &frame), -7);
  EXPECT_FALSE(failing.IsInitialized());
  EXPECT_EQ(failing.createPagesCalls, 0);
}

TEST(FormViewController, DestructorDestroysThePages) {
  QWidget frame;
  QPointer<CCommonFormView> page;
  {
    TestController controller;
    ASSERT_EQ(controller.Initialize(nullptr, &frame, &frame), kFormCtrlOk);
    page = controller.Pages()[0];
  }
  EXPECT_TRUE(page.isNull());
}

TEST(FormViewController, DataHeadersCarryMagicIdVersionAndSize) {
  TestController controller;
  controller.SetDataSize(992);
  DataHeader header;
  header.fill(0xCC);
  controller.GetDataHeader(header);
  const std::uint8_t expected[32] = {'P', 'N', 'D', 0, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0xE0, 0x03};
  EXPECT_EQ(std::memcmp(header.data(), expected, 32), 0);
  controller.MakeDataHeader(header, 0x12345678u, 0x00020003, 184);
  const std::uint8_t made[16] = {'P', 'N', 'D', 0, 0x78, 0x56, 0x34, 0x12, 0x03, 0x00, 0x02, 0x00, 184};
  EXPECT_EQ(std::memcmp(header.data(), made, 16), 0);
}

TEST(FormViewController, RegisterDataBlocksAddsMissingBlocksWithDefaults) {
  PluginDataMgr manager;
  TestController controller;
  controller.depend = {{kCommRunnerBlockId, 0x00010000, kCommRunnerBlockSize}, {0x00020001u, 1, 64}};
  EXPECT_EQ(controller.RegisterDataBlocks(&manager), kSettingBadSize);  // data size 0: refused
  EXPECT_EQ(manager.BlockCount(), 0u);

  controller.SetDataSize(kPrinterInfoBlockSize);
  ASSERT_EQ(manager.AddBlock(0x00020001u, 1, 64), kSettingOk);  // already there: kept
  EXPECT_EQ(controller.RegisterDataBlocks(&manager), kSettingOk);
  ASSERT_EQ(manager.BlockCount(), 3u);
  EXPECT_EQ(manager.GetBlockEntry(1).id, kPrinterInfoBlockId);
  EXPECT_EQ(manager.GetBlockEntry(1).size, kPrinterInfoBlockSize);
  EXPECT_EQ(manager.GetBlockEntry(2).id, kCommRunnerBlockId);
  EXPECT_EQ(controller.defaults, (std::vector<std::uint32_t>{kPrinterInfoBlockId, kCommRunnerBlockId}));
  EXPECT_EQ(controller.RegisterDataBlocks(&manager), kSettingOk);  // nothing more to add
  EXPECT_EQ(manager.BlockCount(), 3u);
}

TEST(FormViewData, PagesReachTheDataManagerAndTheFrameThroughTheController) {
  PluginDataMgr manager;
  auto block = MakeSettings("", 0x0409);
  TestController controller;
  TestMainFrame frame;
  ASSERT_EQ(controller.Initialize(nullptr, &frame, &frame), kFormCtrlOk);
  controller.Initialize(block.get(), &frame, &frame);  // only takes the block
  CCommonFormView* page = controller.Pages()[0];
  std::uint8_t data[64] = {};
  data[40] = 0x5A;
  EXPECT_EQ(page->SetOwnPluginData(data, 64), kSettingNotFound);  // no manager
  block->dataMgr = &manager;
  EXPECT_EQ(page->SetOwnPluginData(data, 64), kSettingNotFound);  // no block
  ASSERT_EQ(manager.AddBlock(kFormCtrlDefaultDataId, 0x00010000, 64), kSettingOk);
  EXPECT_EQ(page->SetOwnPluginData(data, 64), kSettingOk);
  std::uint8_t back[64] = {};
  EXPECT_EQ(page->GetPluginData(kFormCtrlDefaultDataId, back, 64), kSettingOk);
  EXPECT_EQ(back[40], 0x5A);
  EXPECT_EQ(ReadLE32(back + kBlockSizeOffset), 64u);

  CSingleFormView orphan;
  EXPECT_EQ(orphan.GetOwnPluginData(back, 64), kSettingNotFound);
  orphan.CloseApplication();  // no controller: nothing
  page->CloseApplication();
  EXPECT_TRUE(ProcessUntil([&] { return frame.closeRequests == 1; }));
}

TEST(CommonMessages, DefaultsCaptionsAndAnswers) {
  MessageBoxRecorder boxes(plat::IDNO);
  QWidget owner;
  ShowWarningMessage(nullptr, nullptr);
  ShowInfoMessage(&owner, nullptr);
  EXPECT_EQ(AskSaveToPrinter(nullptr, nullptr, nullptr), plat::IDNO);
  AskSaveToPrinter(u"Save Settings File", &owner, u"Save?");
  ASSERT_EQ(boxes.All().size(), 4u);
  EXPECT_EQ(boxes.All()[0].text, u"Failed to change settings.");
  EXPECT_EQ(boxes.All()[0].caption, u"XJ-K52II Utility");
  EXPECT_EQ(boxes.All()[0].type, plat::MB_OK | plat::MB_ICONWARNING);
  EXPECT_EQ(boxes.All()[1].text, u"Settings were changed successfully.");
  EXPECT_EQ(boxes.All()[1].owner, &owner);
  EXPECT_EQ(boxes.All()[1].type, plat::MB_OK | plat::MB_ICONINFORMATION);
  EXPECT_EQ(boxes.All()[2].text, u"Do you want to save your changes to the settings to the printer?");
  EXPECT_EQ(boxes.All()[2].caption, u"XJ-K52II Utility");
  EXPECT_EQ(boxes.All()[2].type, plat::MB_YESNO | plat::MB_ICONQUESTION);
  EXPECT_EQ(boxes.All()[3].caption, u"Save Settings File");
  EXPECT_EQ(boxes.All()[3].text, u"Save?");
}
