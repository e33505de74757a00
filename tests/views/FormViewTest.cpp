#include <gtest/gtest.h>

#include <QPointer>
#include <cstring>

#include "app/settings/PluginDataMgr.h"
#include "platform/ui/Controls.h"
#include "tests/views/ViewsTestSupport.h"
#include "views/CCommonFormView.h"
#include "views/CFormViewCtrl.h"
#include "views/CSingleFormView.h"
#include "views/CommonMessages.h"

using namespace viewstest;

namespace {

// A controller with a given number of pages; it counts its virtual calls.
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
  std::int32_t GetDependData(DataBlockRecord* records, std::int32_t& count) override {
    if (!records) {
      count = static_cast<std::int32_t>(depend.size());
      return 1;
    }
    for (std::int32_t i = 0; i < count; ++i) records[i] = depend[static_cast<std::size_t>(i)];
    return 1;
  }
  using CFormViewCtrl::SetDataSize;

  int createPagesCalls = 0;
  std::int32_t preInitializeResult = 0;
  std::vector<std::uint32_t> defaults;
  std::vector<DataBlockRecord> depend;

 private:
  int pages_;
};

const std::u16string kEnglishFallbackText(kMsgLangFilesMissingEnglish);
const std::u16string kClosingText(kMsgLangFilesMissingClosing);

}  // namespace

TEST(FormViewInitialUpdate, EnglishFallbackIsReportedOncePerPageAndSwitchesTheBlockToEnglish) {
  MessageBoxRecorder boxes;
  auto block = MakeSettings(MakeLangFolder(true, false), 0x0411);
  TestMainFrame frame;
  TestController first(1);
  ASSERT_EQ(first.Initialize(block.get(), &frame, &frame), kFormCtrlOk);

  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, kEnglishFallbackText);
  EXPECT_EQ(boxes.boxes[0].caption, std::u16string(kUtilityCaption));
  EXPECT_EQ(boxes.boxes[0].owner, nullptr);
  EXPECT_EQ(boxes.boxes[0].type, plat::MB_OK | plat::MB_ICONWARNING);
  EXPECT_EQ(block->langId, 0x0409);
  EXPECT_EQ(plat::FieldText(block->langCode), u"0409");
  CCommonFormView* page = first.Pages()[0];
  EXPECT_TRUE(page->EnglishFallbackReported());
  EXPECT_EQ(page->PageTable().MessageOr(2, u"none"), u"Could not get some settings from the printer.");

  // Another page asked for Japanese again reports again: the flag is per page.
  block->langId = 0x0411;
  TestController second(1);
  ASSERT_EQ(second.Initialize(block.get(), &frame, &frame), kFormCtrlOk);
  EXPECT_EQ(boxes.boxes.size(), 2u);
  // The first page does not report twice, while the block is still switched.
  block->langId = 0x0411;
  page->OnInitialUpdate();
  EXPECT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(block->langId, 0x0409);
  QApplication::processEvents();
  EXPECT_EQ(frame.closeRequests, 0);  // English is enough to go on
}

TEST(FormViewInitialUpdate, NoLanguageFilesClosesTheApplication) {
  MessageBoxRecorder boxes;
  auto block = MakeSettings(MakeLangFolder(false, false), 0x0409);
  TestMainFrame frame;
  TestController controller(1);
  ASSERT_EQ(controller.Initialize(block.get(), &frame, &frame), kFormCtrlOk);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, kClosingText);
  EXPECT_EQ(boxes.boxes[0].type, plat::MB_OK | plat::MB_ICONWARNING);
  EXPECT_TRUE(ProcessUntil([&] { return frame.closeRequests == 1; }));
  CCommonFormView* page = controller.Pages()[0];
  EXPECT_FALSE(page->PageTable().IsFileFound());
  EXPECT_TRUE(page->PageTable().Messages().empty());
  EXPECT_EQ(block->langId, 0x0409);
}

TEST(FormViewInitialUpdate, RequestedLanguageLoadsSilently) {
  MessageBoxRecorder boxes;
  auto block = MakeSettings(MakeLangFolder(true, true), 0x0411);
  TestMainFrame frame;
  TestController controller(1);
  ASSERT_EQ(controller.Initialize(block.get(), &frame, &frame), kFormCtrlOk);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(block->langId, 0x0411);
  CCommonFormView* page = controller.Pages()[0];
  EXPECT_EQ(page->PageTable().MessageOr(2, u""), plat::FromUtf8("プリンターから一部の設定を取得できませんでした。"));
  EXPECT_EQ(page->CommonTable().LangId(), 0x0411);
  EXPECT_EQ(controller.Table().LangId(), 0x0411);
  // The initial update runs once, however often it is asked for.
  page->InitialUpdate();
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST(FormViewSizing, PageCoversALargerParentAndKeepsItsSizeOtherwise) {
  MessageBoxRecorder boxes;
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

  // It follows its parent growing beyond it, also when told through WM_SIZE.
  parent.resize(1000, 650);
  EXPECT_EQ(page.geometry(), QRect(0, 0, 1000, 650));
  page.setGeometry(5, 5, 300, 200);
  plat::SendMessage(plat::WindowHandle(&page), plat::WM_SIZE, 0, 0);
  EXPECT_EQ(page.geometry(), QRect(0, 0, 1000, 650));
}

TEST(FormViewSizing, HiddenPageIsLeftAlone) {
  QWidget parent;
  parent.resize(800, 600);
  parent.show();
  CSingleFormView page(&parent);
  page.hide();
  page.setGeometry(10, 10, 600, 400);
  plat::SendMessage(plat::WindowHandle(&page), plat::WM_SIZE, 0, 0);
  EXPECT_EQ(page.geometry(), QRect(10, 10, 600, 400));
}

TEST(FormViewRetry, WirelessNetPortsGetTheLongLimit) {
  MessageBoxRecorder boxes;
  auto block = MakeSettings(MakeLangFolder(true, false), 0x0409);
  TestController controller(1);
  QWidget frame;
  ASSERT_EQ(controller.Initialize(block.get(), &frame, &frame), kFormCtrlOk);
  CCommonFormView* page = controller.Pages()[0];
  RetryParameters retry{};

  struct Case {
    std::int32_t ifType;
    const char16_t* info;
    std::int32_t limit;
  };
  const Case cases[] = {
      {kIfTypeEthernet, u"XJ-K52II Wi-Fi model", kRetryLimitWireless},
      {kIfTypeEthernet, u"WX-N adapter", kRetryLimitWireless},
      {kIfTypeEthernet, u"Wired LAN", kRetryLimitDefault},
      {kIfTypeEthernet, u"wi-fi", kRetryLimitDefault},  // the marks are compared exactly
      {kIfTypeUsb, u"Wi-Fi", kRetryLimitDefault},
      {kIfTypeSerial, u"", kRetryLimitDefault},
  };
  for (const Case& c : cases) {
    block->chosenIfType = c.ifType;
    plat::CopyText(block->chosenPort.deviceInfo, c.info);
    ASSERT_TRUE(page->GetRetryParameters(&retry));
    EXPECT_EQ(retry.limit, c.limit) << U8(c.info) << " kind " << c.ifType;
    EXPECT_EQ(retry.count, 30);
    EXPECT_EQ(retry.interval, 1000);
  }
  EXPECT_FALSE(page->GetRetryParameters(nullptr));
}

TEST(FormViewController, InitializeCreatesHiddenChildPagesOnce) {
  MessageBoxRecorder boxes;
  auto block = MakeSettings(MakeLangFolder(true, false), 0x0409);
  TestMainFrame frame;
  frame.resize(640, 480);
  TestController controller(2);
  EXPECT_EQ(controller.CurrentPageIndex(), -1);
  ASSERT_EQ(controller.Initialize(block.get(), &frame, &frame), kFormCtrlOk);
  EXPECT_TRUE(controller.IsInitialized());
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

  auto other = MakeSettings("", 0x0409);
  EXPECT_EQ(controller.Initialize(other.get(), &frame, &frame), kFormCtrlAlreadyInitialized);
  EXPECT_EQ(controller.createPagesCalls, 1);
  EXPECT_EQ(controller.PageCount(), 2u);
  EXPECT_EQ(controller.SettingsBlock(), other.get());  // the block is taken even then
}

TEST(FormViewController, PreInitializeErrorStopsInitialize) {
  TestController controller(1);
  controller.preInitializeResult = -7;
  QWidget frame;
  EXPECT_EQ(controller.Initialize(nullptr, &frame, &frame), -7);
  EXPECT_FALSE(controller.IsInitialized());
  EXPECT_EQ(controller.createPagesCalls, 0);
  EXPECT_EQ(controller.CurrentPageIndex(), -1);
}

TEST(FormViewController, DestructorDestroysThePages) {
  QWidget frame;
  QPointer<CCommonFormView> page;
  {
    TestController controller(1);
    ASSERT_EQ(controller.Initialize(nullptr, &frame, &frame), kFormCtrlOk);
    page = controller.Pages()[0];
    ASSERT_FALSE(page.isNull());
  }
  EXPECT_TRUE(page.isNull());
  EXPECT_TRUE(frame.findChildren<CCommonFormView*>().isEmpty());
}

TEST(FormViewController, DataHeadersCarryMagicIdVersionAndSize) {
  TestController controller;
  controller.SetDataSize(992);
  DataHeader header;
  header.fill(0xCC);
  controller.GetDataHeader(header);
  const std::uint8_t expected[32] = {'P', 'N', 'D', 0, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0xE0, 0x03, 0, 0};
  EXPECT_EQ(std::memcmp(header.data(), expected, 32), 0);

  controller.MakeDataHeader(header, 0x12345678u, 0x00020003, 184);
  const std::uint8_t made[16] = {'P', 'N', 'D', 0, 0x78, 0x56, 0x34, 0x12, 0x03, 0x00, 0x02, 0x00, 184, 0, 0, 0};
  EXPECT_EQ(std::memcmp(header.data(), made, 16), 0);
  for (std::size_t i = 16; i < 32; ++i) EXPECT_EQ(header[i], 0) << i;
}

TEST(FormViewController, RegisterDataBlocksAddsMissingBlocksWithDefaults) {
  PluginDataMgr manager;
  TestController controller;
  controller.SetDataSize(kPrinterInfoBlockSize);
  controller.depend = {{0x00010005u, 0x00010000, kCommRunnerBlockSize}, {0x00020001u, 1, 64}};
  ASSERT_EQ(manager.AddBlock(0x00020001u, 1, 64), kSettingOk);  // already there: kept as is

  EXPECT_EQ(controller.RegisterDataBlocks(&manager), kSettingOk);
  ASSERT_EQ(manager.BlockCount(), 3u);
  EXPECT_EQ(manager.GetBlockEntry(1).id, kPrinterInfoBlockId);
  EXPECT_EQ(manager.GetBlockEntry(1).size, kPrinterInfoBlockSize);
  EXPECT_EQ(manager.GetBlockEntry(2).id, kCommRunnerBlockId);
  EXPECT_EQ(controller.defaults, (std::vector<std::uint32_t>{kPrinterInfoBlockId, kCommRunnerBlockId}));

  // A second registration finds everything and adds nothing.
  EXPECT_EQ(controller.RegisterDataBlocks(&manager), kSettingOk);
  EXPECT_EQ(manager.BlockCount(), 3u);
  EXPECT_EQ(controller.defaults.size(), 2u);
}

TEST(FormViewController, RegisterDataBlocksStopsAtAFailingBlock) {
  PluginDataMgr manager;
  TestController controller;  // data size 0: the manager refuses the block
  controller.depend = {{0x00010005u, 1, kCommRunnerBlockSize}};
  EXPECT_EQ(controller.RegisterDataBlocks(&manager), kSettingBadSize);
  EXPECT_EQ(manager.BlockCount(), 0u);
  EXPECT_TRUE(controller.defaults.empty());
  EXPECT_EQ(controller.RegisterDataBlocks(nullptr), kSettingNotFound);
}

TEST(FormViewData, PagesReachTheDataManagerThroughTheController) {
  MessageBoxRecorder boxes;
  PluginDataMgr manager;
  auto block = MakeSettings(MakeLangFolder(true, false), 0x0409);
  block->dataMgr = &manager;
  TestController controller;
  QWidget frame;
  ASSERT_EQ(controller.Initialize(block.get(), &frame, &frame), kFormCtrlOk);
  CCommonFormView* page = controller.Pages()[0];

  std::uint8_t data[64] = {};
  data[40] = 0x5A;
  EXPECT_EQ(page->SetOwnPluginData(data, 64), kSettingNotFound);  // no block yet
  ASSERT_EQ(manager.AddBlock(kFormCtrlDefaultDataId, 0x00010000, 64), kSettingOk);
  EXPECT_EQ(page->SetOwnPluginData(data, 64), kSettingOk);
  std::uint8_t back[64] = {};
  EXPECT_EQ(page->GetPluginData(kFormCtrlDefaultDataId, back, 64), kSettingOk);
  EXPECT_EQ(back[40], 0x5A);
  EXPECT_EQ(ReadLE32(back + kBlockSizeOffset), 64u);

  ASSERT_EQ(manager.AddBlock(0x00030003u, 1, 40), kSettingOk);
  data[35] = 7;
  EXPECT_EQ(page->SetPluginData(0x00030003u, data, 40), kSettingOk);
  std::uint8_t other[40] = {};
  EXPECT_EQ(page->GetPluginData(0x00030003u, other, 40), kSettingOk);
  EXPECT_EQ(other[35], 7);
  EXPECT_EQ(page->GetPluginData(0x00099999u, other, 40), kSettingNotFound);

  block->dataMgr = nullptr;
  EXPECT_EQ(page->GetOwnPluginData(back, 64), kSettingNotFound);
  CSingleFormView orphan;
  EXPECT_EQ(orphan.GetOwnPluginData(back, 64), kSettingNotFound);
}

TEST(FormViewClose, CloseApplicationPostsToTheMainFrameOnly) {
  TestMainFrame frame;
  CSingleFormView orphan;
  orphan.CloseApplication();  // no controller: nothing
  TestController controller;
  ASSERT_EQ(controller.Initialize(nullptr, &frame, &frame), kFormCtrlOk);
  controller.Pages()[0]->CloseApplication();
  EXPECT_EQ(frame.closeRequests, 0);  // posted, not sent
  EXPECT_TRUE(ProcessUntil([&] { return frame.closeRequests == 1; }));
}

TEST(CommonMessages, DefaultsCaptionsAndAnswers) {
  MessageBoxRecorder boxes(plat::IDNO);
  QWidget owner;
  ShowWarningMessage(nullptr, nullptr);
  ShowInfoMessage(&owner, nullptr);
  ShowWarningMessage(&owner, u"Port is busy.");
  EXPECT_EQ(AskSaveToPrinter(nullptr, nullptr, nullptr), plat::IDNO);
  AskSaveToPrinter(u"Save Settings File", &owner, u"Save?");
  ASSERT_EQ(boxes.boxes.size(), 5u);

  EXPECT_EQ(boxes.boxes[0].text, u"Failed to change settings.");
  EXPECT_EQ(boxes.boxes[0].caption, u"XJ-K52II Utility");
  EXPECT_EQ(boxes.boxes[0].owner, nullptr);
  EXPECT_EQ(boxes.boxes[0].type, plat::MB_OK | plat::MB_ICONWARNING);
  EXPECT_EQ(boxes.boxes[1].text, u"Settings were changed successfully.");
  EXPECT_EQ(boxes.boxes[1].owner, &owner);
  EXPECT_EQ(boxes.boxes[1].type, plat::MB_OK | plat::MB_ICONINFORMATION);
  EXPECT_EQ(boxes.boxes[2].text, u"Port is busy.");
  EXPECT_EQ(boxes.boxes[3].text, u"Do you want to save your changes to the settings to the printer?");
  EXPECT_EQ(boxes.boxes[3].caption, u"XJ-K52II Utility");
  EXPECT_EQ(boxes.boxes[3].type, plat::MB_YESNO | plat::MB_ICONQUESTION);
  EXPECT_EQ(boxes.boxes[4].caption, u"Save Settings File");
  EXPECT_EQ(boxes.boxes[4].text, u"Save?");
}
