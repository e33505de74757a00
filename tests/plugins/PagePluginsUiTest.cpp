// The page plug-ins (Printer Information, Settings Backup, the four setting pages,
// Printer Control, Logo Registration and Coupon) as the program drives them: the
// real libraries loaded through CMenuDLLProc, their blocks registered as the menu view
// registers them, the printer read, the page shown in a content pane and used through
// its widgets (file dialogs, question boxes and the progress dialog included), against
// the simulator, in English and in Japanese. With XJ_SCREENSHOT_DIR set, each page is
// saved there as a PNG.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "menu/CMenuDLLProc.h"
#include "plugins/logo/NvGraphics.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "plugins/common/SettingPageDefs.h"
#include "status/PrinterSettingsFile.h"
#include "status/SettingsFileReader.h"
#include "tests/support/PrintJournal.h"
#include "tests/support/SettingBlocksFixture.h"
#include "tests/support/SimConnection.h"
#include "tests/support/TestEnv.h"
#include "tests/views/ViewsTestSupport.h"
#include "views/CEngineCommCtrl.h"

namespace {

using namespace viewstest;

constexpr std::int32_t kEnglish = 0x0409;
constexpr std::int32_t kJapanese = 0x0411;
constexpr std::int32_t kDeviceId = 144;

// Control ids of the pages (their views' constants).
constexpr int kRefreshButton = 1100;
constexpr int kFirstInfoValue = 1200;
constexpr int kModelRow = 1;
constexpr int kDeviceIdRow = 5;
constexpr int kAutocutterRow = 6;
constexpr int kNvCapacityRow = 7;
constexpr int kSaveButton = 1100;
constexpr int kRestoreButton = 1101;
constexpr int kChangeList = 1102;

// One plug-in library as the menu view holds it.
class LoadedPlugin {
 public:
  LoadedPlugin(const std::string& name, QWidget* frame, QWidget* pane, AppSettingsBlock* block) {
    loadResult = proc_.LoadPlugin(plat::FromUtf8(std::string(XJ_DIST_DIR) + "/" + name + ".so"));
    if (loadResult == 0) {
      initResult = proc_.Initialize(plat::WindowHandle(frame), plat::WindowHandle(pane), block);
    }
  }
  ~LoadedPlugin() {
    if (proc_.IsLoaded()) proc_.pFinalize();
  }

  // Both registration passes of the menu view.
  void RegisterBlocks(IPluginDataMgr& manager) {
    DataBlockDesc own{0, 0, 0};
    proc_.pGetPluginInfo(&own);
    ownBlock = own;
    if (manager.FindBlock(own.id) < 0 && manager.AddBlock(own.id, own.version, own.size) == kSettingOk) {
      proc_.pSetDefaltDataToPluginDataMgr(own.id);
    }
    std::int32_t count = 0;
    proc_.pGetDependPluginData(nullptr, &count);
    dependBlocks.assign(static_cast<std::size_t>(std::max(count, 0)), DataBlockDesc{0, 0, 0});
    if (count > 0) proc_.pGetDependPluginData(dependBlocks.data(), &count);
    for (const DataBlockDesc& record : dependBlocks) {
      if (manager.FindBlock(record.id) < 0 && manager.AddBlock(record.id, record.version, record.size) == kSettingOk) {
        proc_.pSetDefaltDataToPluginDataMgr(record.id);
      }
    }
  }

  std::int32_t Read() { return proc_.pReadPrinterSettings(); }
  void Enter() { proc_.pChangeMenuState(kMenuStateEnter); }
  std::int32_t Leave() { return proc_.pChangeMenuState(kMenuStateLeave); }
  QWidget* View() { return plat::WindowFromHandle(proc_.pGetActiveView()); }

  std::int32_t loadResult = -1;
  std::int32_t initResult = -1;
  DataBlockDesc ownBlock{0, 0, 0};
  std::vector<DataBlockDesc> dependBlocks;

 private:
  CMenuDLLProc proc_;
};

// Answers the next file dialog with path once it shows: the path is chosen until the
// dialog reports it as its selection, and only then accepted.
void AnswerFileDialog(const std::string& path) {
  auto* timer = new QTimer;
  const QString wanted = QString::fromStdString(path);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, wanted] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    if (dialog->selectedFiles() != QStringList{wanted}) {
      // The dialog leaves its file name box alone while that box has the focus.
      if (QWidget* focus = dialog->focusWidget()) focus->clearFocus();
      dialog->setDirectory(QFileInfo(wanted).absolutePath());
      dialog->selectFile(wanted);
      return;
    }
    timer->stop();
    timer->deleteLater();
    static_cast<QDialog*>(dialog)->accept();  // reaches the file dialog's own accept
  });
  timer->start(20);
}

class PagePluginsUiTest : public ::testing::TestWithParam<std::int32_t> {
 protected:
  void SetUp() override {
    SimProcess::Options options = SimConnection::QuickRestart();
    printed_ = testenv::MakeTempDir("print");
    options.extraArgs = {"--fonts", "ANK Kanji", "--serial", "K52S0004711", "--print-dir", printed_};
    printer_ = std::make_unique<SimConnection>(options);
    ASSERT_EQ(printer_->Open(XJ_DIST_DIR), "");
    SetUpWith(printer_.get());
  }

  // The settings block, the content pane and the main frame for a printer.
  void SetUpWith(SimConnection* printer) {
    block_ = MakeSettings(std::string(XJ_DIST_DIR) + "/LANG", GetParam());
    block_->xjc = &printer->Comm();
    block_->dataMgr = &manager_;
    block_->commLock = &lock_;
    block_->deviceId = kDeviceId;
    pane_ = new QWidget(&frame_);
    pane_->setGeometry(180, 0, 616, 523);
    frame_.show();
  }

  std::unique_ptr<LoadedPlugin> Load(const std::string& name) {
    auto plugin = std::make_unique<LoadedPlugin>(name, &frame_, pane_, block_.get());
    EXPECT_EQ(plugin->loadResult, 0);
    EXPECT_EQ(plugin->initResult, kPluginOk);
    return plugin;
  }

  template <typename T = QWidget>
  T* Control(int id) {
    return qobject_cast<T*>(plat::FindChildById(pane_, id));
  }

  // Saves the page as XJ_SCREENSHOT_DIR/<name>-<language>.png when the folder is set.
  void Screenshot(QWidget* view, const std::string& name) {
    const char* folder = std::getenv("XJ_SCREENSHOT_DIR");
    if (folder == nullptr || view == nullptr) return;
    QApplication::processEvents();
    const std::string path =
        std::string(folder) + "/" + name + (GetParam() == kJapanese ? "-ja" : "-en") + ".png";
    EXPECT_TRUE(view->grab().save(QString::fromStdString(path))) << path;
  }

  std::u16string Text(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) return plat::FromQString(label->text());
    return {};
  }

  std::unique_ptr<SimConnection> printer_;
  std::string printed_;  // the simulator's print journal
  MessageBoxRecorder boxes_{plat::IDYES};
  PluginDataMgr manager_;
  plat::CriticalSection lock_;
  std::unique_ptr<AppSettingsBlock> block_;
  TestMainFrame frame_;
  QWidget* pane_ = nullptr;
};

TEST_P(PagePluginsUiTest, PrinterInformationShowsWhatThePrinterReportsAndRefreshes) {
  const bool japanese = GetParam() == kJapanese;
  auto plugin = Load("XJPRNINFO");
  plugin->RegisterBlocks(manager_);
  EXPECT_EQ(plugin->ownBlock.id, kPrinterInfoPageBlockId);
  EXPECT_EQ(plugin->ownBlock.size, kPrinterInfoPageBlockSize);
  ASSERT_EQ(plugin->dependBlocks.size(), 1u);
  EXPECT_EQ(plugin->dependBlocks[0].id, kPrinterInfoBlockId);
  EXPECT_EQ(plugin->dependBlocks[0].size, kPrinterInfoBlockSize);
  std::uint8_t info[kPrinterInfoBlockSize] = {};
  ASSERT_EQ(manager_.GetData(kPrinterInfoBlockId, info, kPrinterInfoBlockSize), kSettingOk);
  EXPECT_EQ(ReadLE32(info + 984), 80u);
  EXPECT_EQ(ReadLE32(info + 988), 180u);

  // The program's read: the cutter and the memory left; the page shows them once the
  // read is over.
  EXPECT_EQ(plugin->Read(), kPluginReadOk);
  plugin->Enter();
  ASSERT_NE(plugin->View(), nullptr);
  ASSERT_TRUE(ProcessUntil([&] { return !Text(Control(kFirstInfoValue + kNvCapacityRow)).empty(); }));
  EXPECT_EQ(Text(Control(kFirstInfoValue + kDeviceIdRow)), u"144");
  EXPECT_EQ(Text(Control(kFirstInfoValue + kAutocutterRow)), japanese ? u"搭載" : u"Installed");
  EXPECT_EQ(Text(Control(kFirstInfoValue + kNvCapacityRow)), japanese ? u"262,144 バイト" : u"262,144 bytes");
  EXPECT_EQ(Text(Control(kFirstInfoValue + kModelRow)), japanese ? u"未取得" : u"Not read");

  // Refresh reads the identity texts as well, behind the progress dialog.
  Control<QPushButton>(kRefreshButton)->click();
  EXPECT_EQ(frame_.runs, 1);
  EXPECT_TRUE(boxes_.All().empty());
  EXPECT_EQ(Text(Control(kFirstInfoValue + kModelRow)), u"XJ-K52II");
  EXPECT_EQ(Text(Control(kFirstInfoValue + 2)), u"K52S0004711");
  EXPECT_EQ(Text(Control(kFirstInfoValue + 4)), u"ANK Kanji");
  Screenshot(plugin->View(), "printer-information");

  // An offline printer is not asked at all; the page says it cannot talk to it.
  frame_.printerState = XJC_STATUS_OFFLINE;
  Control<QPushButton>(kRefreshButton)->click();
  EXPECT_EQ(frame_.runs, 1);
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(boxes_.All()[0].type & plat::MB_ICONWARNING, plat::MB_ICONWARNING);
  frame_.printerState = XJC_STATUS_ONLINE;

  // A printer that is gone: the page says so and keeps what it showed.
  printer_->Sim().Stop();
  Control<QPushButton>(kRefreshButton)->click();
  ASSERT_EQ(boxes_.All().size(), 2u);
  EXPECT_EQ(boxes_.All()[1].type & plat::MB_ICONWARNING, plat::MB_ICONWARNING);
  EXPECT_NE(boxes_.All()[1].text, boxes_.All()[0].text);
  EXPECT_EQ(Text(Control(kFirstInfoValue + kModelRow)), u"XJ-K52II");
  EXPECT_EQ(plugin->Leave(), kPluginOk) << "nothing on the page can be left unapplied";
}

TEST_P(PagePluginsUiTest, SettingsBackupSavesRefusesADamagedFileAndRestoresAfterShowingTheChanges) {
  auto plugin = Load("XJBACKUP");
  plugin->RegisterBlocks(manager_);
  EXPECT_EQ(plugin->ownBlock.size, 0) << "no block of its own";
  EXPECT_EQ(plugin->dependBlocks.size(), 4u);
  EXPECT_EQ(manager_.FindBlock(kAutoCutterBlockId) >= 0, true) << "supplied even without the auto cutter page";
  plugin->Enter();
  ASSERT_NE(plugin->View(), nullptr);
  const std::string folder = testenv::MakeTempDir("backup-ui");

  // Save: what the printer holds now (its factory values).
  const std::string saved = folder + "/saved.bin";
  AnswerFileDialog(saved);
  Control<QPushButton>(kSaveButton)->click();
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(boxes_.All()[0].type & plat::MB_ICONINFORMATION, plat::MB_ICONINFORMATION);
  SettingsFileContents file;
  ASSERT_EQ(ReadSettingsFile(plat::FromUtf8(saved), file), SettingsFileCheck::kOk);
  EXPECT_EQ(settingblocks::SettingsOfFile(file), settingblocks::Complete({}));

  // A damaged file is refused before anything is sent.
  const std::string bytes = testenv::ReadFile(saved);
  const std::string damaged = folder + "/damaged.bin";
  ASSERT_TRUE(testenv::WriteFile(damaged, bytes.substr(0, bytes.size() - 3)));
  const std::string bytesBefore = printer_->Status("bytesin");
  AnswerFileDialog(damaged);
  Control<QPushButton>(kRestoreButton)->click();
  ASSERT_EQ(boxes_.All().size(), 2u);
  EXPECT_EQ(boxes_.All()[1].type & plat::MB_ICONWARNING, plat::MB_ICONWARNING);
  EXPECT_EQ(printer_->Status("bytesin"), bytesBefore);
  EXPECT_EQ(Control<QTreeWidget>(kChangeList)->topLevelItemCount(), 0);

  // A sound file while the printer is offline: shown and asked about, but not sent.
  frame_.printerState = XJC_STATUS_OFFLINE;
  AnswerFileDialog(saved);
  Control<QPushButton>(kRestoreButton)->click();
  ASSERT_EQ(boxes_.All().size(), 4u);
  EXPECT_EQ(boxes_.All()[2].type & plat::MB_YESNO, plat::MB_YESNO);
  EXPECT_EQ(boxes_.All()[3].type & plat::MB_ICONWARNING, plat::MB_ICONWARNING);
  EXPECT_EQ(printer_->Status("bytesin"), bytesBefore);
  frame_.printerState = XJC_STATUS_ONLINE;

  // A file of other values: the list shows them before the question, then they are
  // sent, the printer restarts and every block reads back as the file says.
  PluginDataMgr source;
  settingblocks::PutSettingBlocks(source, settingblocks::OtherThanFactory());
  const std::string other = folder + "/other.bin";
  ASSERT_EQ(WriteSettingsFile(source, nullptr, u"XJ-K52II", plat::FromUtf8(other)), kSettingsFileOk);
  int rowsWhenAsked = -1;
  std::vector<plat::MessageBoxRequest> restoreBoxes;
  plat::SetMessageBoxInterceptor([&](const plat::MessageBoxRequest& request) {
    restoreBoxes.push_back(request);
    if ((request.type & plat::MB_YESNO) == plat::MB_YESNO) {
      rowsWhenAsked = Control<QTreeWidget>(kChangeList)->topLevelItemCount();
      Screenshot(plugin->View(), "settings-backup");
    }
    return plat::IDYES;
  });
  AnswerFileDialog(other);
  Control<QPushButton>(kRestoreButton)->click();
  EXPECT_EQ(rowsWhenAsked, static_cast<int>(std::size(kCustomValueFields)) + 7);
  ASSERT_EQ(restoreBoxes.size(), 2u);
  EXPECT_EQ(restoreBoxes[1].type & plat::MB_ICONINFORMATION, plat::MB_ICONINFORMATION)
      << plat::ToUtf8(restoreBoxes[1].text);
  EXPECT_EQ(printer_->Status("restarts"), "1");
  EXPECT_EQ(printer_->Status("cv5"), "65532");
  EXPECT_EQ(settingblocks::StoredSettings(manager_), settingblocks::Complete(settingblocks::OtherThanFactory()));
  EXPECT_EQ(plugin->Leave(), kPluginOk);
}


// The four pages built from setting descriptions, each through its widgets: the
// program's read shows the printer's value, a change applied reaches the printer across
// its restart, and a later session (new data manager, library loaded again) reads it
// back into the page.
struct DescribedPage {
  const char* library;
  const char* shot;
  const char* printerKey;  // the simulator's status key of the first setting
  const char* applied;     // its value after the change
};
constexpr DescribedPage kDescribedPages[] = {
    {"XJPRNSTG", "print-settings", "cv3", "1"},
    {"XJPAPERSAVE", "paper-saving", "cv101", "1"},
    {"XJUATCUTSTG", "auto-cutter", "cv100", "1"},
    {"XJMODELOPT", "model-options", "msw5", "00000001"},
};
constexpr int kApplyButton = 1100;
constexpr int kFirstSettingControl = 1200;

TEST_P(PagePluginsUiTest, EachDescribedPageAppliesItsFirstSettingAndReadsItBack) {
  for (const DescribedPage& page : kDescribedPages) {
    SCOPED_TRACE(page.library);
    boxes_.Clear();
    {
      auto plugin = Load(page.library);
      plugin->RegisterBlocks(manager_);
      EXPECT_EQ(plugin->Read(), kPluginReadOk);
      plugin->Enter();
      ASSERT_NE(plugin->View(), nullptr);
      QApplication::processEvents();
      QWidget* first = Control(kFirstSettingControl);
      ASSERT_NE(first, nullptr);
      auto* apply = Control<QPushButton>(kApplyButton);
      ASSERT_NE(apply, nullptr);
      EXPECT_FALSE(apply->isEnabled()) << "nothing changed yet";
      Screenshot(plugin->View(), page.shot);
      if (auto* combo = qobject_cast<QComboBox*>(first)) {
        combo->setCurrentIndex(combo->findData(1));
      } else {
        qobject_cast<QCheckBox*>(first)->setChecked(true);
      }
      ASSERT_TRUE(apply->isEnabled());
      const int runs = frame_.runs;
      apply->click();
      EXPECT_EQ(frame_.runs, runs + 1) << "Apply runs behind the progress dialog";
      ASSERT_EQ(boxes_.All().size(), 1u);
      EXPECT_EQ(boxes_.All()[0].type & plat::MB_ICONINFORMATION, plat::MB_ICONINFORMATION)
          << plat::ToUtf8(boxes_.All()[0].text);
      EXPECT_EQ(printer_->Status(page.printerKey), page.applied);
      EXPECT_FALSE(apply->isEnabled());
      EXPECT_EQ(plugin->Leave(), kPluginOk);
    }
    // A later session starts from defaults and reads the printer.
    PluginDataMgr fresh;
    block_->dataMgr = &fresh;
    {
      auto plugin = Load(page.library);
      plugin->RegisterBlocks(fresh);
      EXPECT_EQ(plugin->Read(), kPluginReadOk);
      plugin->Enter();
      QApplication::processEvents();
      QWidget* first = Control(kFirstSettingControl);
      if (auto* combo = qobject_cast<QComboBox*>(first)) {
        EXPECT_EQ(combo->currentData().toInt(), 1);
      } else {
        EXPECT_TRUE(qobject_cast<QCheckBox*>(first)->isChecked());
      }
    }
    block_->dataMgr = &manager_;
  }
}

// Printer Control: the status bits follow the printer while the page is shown, the
// buttons print, feed and cut behind the progress dialog, the factory settings come
// back after Yes and nothing happens after No, and a printer that cannot or does not
// answer is told with the framework's messages.
constexpr int kTestPrintButton = 1100;
constexpr int kFeedButton = 1101;
constexpr int kFeedLines = 1102;
constexpr int kCutButton = 1103;
constexpr int kFactoryButton = 1104;
constexpr int kFirstBitValue = 1200;
constexpr int kPowerSource = 1250;
constexpr int kBatteryLevel = 1251;
constexpr int kStatusNote = 1252;

TEST_P(PagePluginsUiTest, PrinterControlFollowsTheStatusPrintsAndRestoresTheFactorySettings) {
  const bool japanese = GetParam() == kJapanese;
  auto plugin = Load("XJPRNCTRL");
  plugin->RegisterBlocks(manager_);
  EXPECT_EQ(plugin->ownBlock.size, 0) << "no block of its own";
  // The Print Settings page's block, as that page would have registered it.
  auto settings = Load("XJPRNSTG");
  settings->RegisterBlocks(manager_);
  ASSERT_EQ(settings->Read(), kPluginReadOk);
  plugin->Enter();
  QWidget* view = plugin->View();
  ASSERT_NE(view, nullptr);
  // The pages share the pane, and their control ids overlap.
  const auto label = [&](int id) { return Text(plat::FindChildById(view, id)); };
  const auto button = [&](int id) { return qobject_cast<QPushButton*>(plat::FindChildById(view, id)); };
  auto bit = [&](int group, int number) { return label(kFirstBitValue + 8 * group + number); };

  // The status as it is, then as the printer's cover and paper change.
  ASSERT_TRUE(ProcessUntil([&] { return bit(1, 2) == u"0"; }));
  EXPECT_EQ(bit(0, 1), u"1") << "a fixed bit";
  EXPECT_EQ(label(kPowerSource), japanese ? u"ACアダプター" : u"AC adapter");
  ASSERT_EQ(printer_->Sim().Control("cover open"), "ok");
  ASSERT_TRUE(ProcessUntil([&] { return bit(1, 2) == u"1"; }));
  EXPECT_EQ(bit(0, 3), u"1") << "offline while the cover is open";
  Screenshot(view, "printer-control");
  ASSERT_EQ(printer_->Sim().Control("cover closed"), "ok");
  ASSERT_EQ(printer_->Sim().Control("paper end"), "ok");
  ASSERT_TRUE(ProcessUntil([&] { return bit(3, 5) == u"1" && bit(1, 2) == u"0"; }));
  EXPECT_EQ(bit(1, 5), u"1") << "stopped by paper end";
  ASSERT_EQ(printer_->Sim().Control("paper ok"), "ok");
  ASSERT_EQ(printer_->Sim().Control("power battery"), "ok");
  ASSERT_EQ(printer_->Sim().Control("battery 2"), "ok");
  ASSERT_TRUE(ProcessUntil([&] { return label(kBatteryLevel) == (japanese ? u"2 / 6" : u"2 of 6"); }));
  EXPECT_EQ(label(kPowerSource), japanese ? u"バッテリー" : u"Battery");
  ASSERT_TRUE(ProcessUntil([&] { return bit(3, 5) == u"0"; }));

  // Test print, feed and cut: each a job behind the progress dialog, no message. The
  // test page names the printer, shows four density bands across the paper and is cut.
  int runs = frame_.runs;
  button(kTestPrintButton)->click();
  EXPECT_EQ(frame_.runs, ++runs);
  EXPECT_TRUE(boxes_.All().empty()) << plat::ToUtf8(boxes_.Last());
  ASSERT_EQ(printer_->Status("cuts"), "1");
  std::vector<std::string> journal = ReadJournalLines(printed_);
  EXPECT_NE(std::find(journal.begin(), journal.end(), "text Model: XJ-K52II"), journal.end());
  EXPECT_NE(std::find(journal.begin(), journal.end(), "text Firmware: 1.02"), journal.end());
  const std::vector<PrintedImage> receipts = ReceiptsBetweenCuts(printed_);
  ASSERT_EQ(receipts.size(), 1u);
  EXPECT_EQ(receipts[0].width, 576) << "80 mm paper";
  EXPECT_EQ(printer_->Status("images"), "4");
  qobject_cast<QSpinBox*>(plat::FindChildById(view, kFeedLines))->setValue(5);
  button(kFeedButton)->click();
  button(kCutButton)->click();
  EXPECT_EQ(frame_.runs, runs += 2);
  EXPECT_TRUE(boxes_.All().empty()) << plat::ToUtf8(boxes_.Last());
  journal = WaitForJournalLines(printed_, journal.size() + 2);
  ASSERT_GE(journal.size(), 2u);
  EXPECT_EQ(journal[journal.size() - 2], "feed lines 5");
  EXPECT_EQ(journal.back(), "cut full");

  // A printer whose state forbids printing is not asked at all.
  frame_.printerState = XJC_STATUS_COVER_OPEN;
  button(kTestPrintButton)->click();
  EXPECT_EQ(frame_.runs, runs);
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(boxes_.All()[0].type & plat::MB_ICONWARNING, plat::MB_ICONWARNING);
  frame_.printerState = XJC_STATUS_ONLINE;
  boxes_.Clear();

  // Factory settings: No changes nothing; Yes brings the factory values back, and the
  // Print Settings page's block holds them.
  {
    // Talking to the printer beside the page's status poll takes the communication lock,
    // as a job does.
    const std::lock_guard<plat::CriticalSection> job(lock_);
    Block stored = DefaultBlock(PrintSettingsPageDef());
    ASSERT_EQ(ReadPageSettings(&printer_->Comm(), PrintSettingsPageDef(), stored).outcome, PrinterOutcome::kOk);
    Block changed = stored;
    SetFieldValue(changed, PrintSettingsPageDef().settings[0], 1);
    SetFieldValue(changed, PrintSettingsPageDef().settings[2], 4);
    Block readBack;
    ASSERT_EQ(ApplyPageSettings(&printer_->Comm(), PrintSettingsPageDef(), stored, changed, {30, 100}, readBack).outcome,
              PrinterOutcome::kOk);
  }
  boxes_.AnswerQuestionsWith(plat::IDNO);
  const std::string bytesBefore = printer_->Status("bytesin");
  frame_.printerState = XJC_STATUS_ONLINE;
  button(kFactoryButton)->click();
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(boxes_.All()[0].type & plat::MB_YESNO, plat::MB_YESNO);
  EXPECT_EQ(frame_.runs, runs);
  EXPECT_EQ(printer_->Status("cv3"), "1");
  boxes_.AnswerQuestionsWith(plat::IDYES);
  button(kFactoryButton)->click();
  EXPECT_EQ(frame_.runs, ++runs);
  ASSERT_EQ(boxes_.All().size(), 3u);
  EXPECT_EQ(boxes_.All()[2].type & plat::MB_ICONINFORMATION, plat::MB_ICONINFORMATION) << plat::ToUtf8(boxes_.Last());
  EXPECT_EQ(printer_->Status("cv3"), "6");
  EXPECT_EQ(printer_->Status("cv6"), "9");
  Block block = DefaultBlock(PrintSettingsPageDef());
  ASSERT_EQ(manager_.GetData(kPrintSettingsBlockId, block.data(), static_cast<std::int32_t>(block.size())), kSettingOk);
  EXPECT_EQ(FieldValue(block, PrintSettingsPageDef().settings[0]), 6);
  EXPECT_EQ(FieldValue(block, PrintSettingsPageDef().settings[2]), 9);
  boxes_.Clear();

  // A printer that no longer answers: the page says so, for the status and for a feed.
  ASSERT_EQ(printer_->Sim().Control("silent on"), "ok");
  const std::u16string noAnswer = japanese ? u"プリンターが応答しません。" : u"The printer does not answer.";
  ASSERT_TRUE(ProcessUntil([&] { return label(kStatusNote) == noAnswer; }));
  EXPECT_EQ(bit(1, 2), u"-");
  button(kFeedButton)->click();
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(boxes_.All()[0].text, noAnswer);
  EXPECT_TRUE(button(kFeedButton)->isEnabled()) << "the buttons are back after the job";

  // Once the page is left it no longer asks the printer.
  ASSERT_EQ(printer_->Sim().Control("silent off"), "ok");
  EXPECT_EQ(plugin->Leave(), kPluginOk);
  const auto processFor = [](int ms) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 50);
  };
  processFor(500);  // a poll that had started ends
  const std::string quiet = printer_->Status("bytesin");
  processFor(2500);
  EXPECT_EQ(printer_->Status("bytesin"), quiet);
}

// ---- Logo Registration and Coupon ----------------------------------------------------

constexpr int kLogoList = 1100;
constexpr int kLogoDelete = 1102;
constexpr int kLogoDeleteAll = 1103;
constexpr int kLogoTestPrint = 1104;
constexpr int kLogoOpen = 1105;
constexpr int kLogoFitToPaper = 1108;
constexpr int kLogoKeyCode = 1109;
constexpr int kLogoRegister = 1110;
constexpr int kLogoPreview = 1111;
constexpr int kLogoFreeMemory = 1112;
constexpr int kCouponCopies = 1113;
constexpr int kCouponPrint = 1114;

// A picture file: black shapes on a transparent ground.
std::string WritePicture(const std::string& path, int width, int height, const char* format = "PNG") {
  QImage picture(width, height, QImage::Format_ARGB32);
  picture.fill(qRgba(0, 0, 0, 0));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // A frame, a diagonal and a grey band, so scaling and dithering both show.
      if (x < 6 || y < 6 || x >= width - 6 || y >= height - 6 || std::abs(x * height - y * width) < 3 * width) {
        picture.setPixel(x, y, qRgba(0, 0, 0, 255));
      } else if (x > width / 2) {
        picture.setPixel(x, y, qRgba(90, 90, 90, 255));
      }
    }
  }
  EXPECT_TRUE(picture.save(QString::fromStdString(path), format)) << path;
  return path;
}

// The dots a label shows (black pixels).
logo::MonoBitmap DotsOf(const QLabel* label) {
  const QImage image = label->pixmap().toImage();
  logo::MonoBitmap dots = logo::MonoBitmap::White(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) dots.SetDot(x, y, qGray(image.pixel(x, y)) < 128);
  }
  return dots;
}

// The image the simulator keeps under a key code, from its state file.
logo::MonoBitmap StoredImage(const std::string& statePath, const std::string& key) {
  char hex[5];
  std::snprintf(hex, sizeof hex, "%02x%02x", key[0], key[1]);
  std::istringstream lines(testenv::ReadFile(statePath));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string kind, name, data;
    int width = 0, height = 0;
    fields >> kind >> name >> width >> height >> data;
    if (kind != "nv" || name != hex) continue;
    logo::MonoBitmap bitmap = logo::MonoBitmap::White(width, height);
    for (std::size_t i = 0; i < bitmap.data.size() && 2 * i + 1 < data.size(); ++i) {
      bitmap.data[i] = static_cast<std::uint8_t>(std::stoi(data.substr(2 * i, 2), nullptr, 16));
    }
    return bitmap;
  }
  return {};
}

// Whether a list entry's thumbnail shows a logo (black dots) rather than an empty frame.
bool ShowsLogo(QListWidgetItem* item) {
  const QImage image = item->icon().pixmap(QSize(112, 56)).toImage();
  for (int y = 2; y < image.height() - 2; ++y) {
    for (int x = 2; x < image.width() - 2; ++x) {
      if (qGray(image.pixel(x, y)) < 64) return true;
    }
  }
  return false;
}

class LogoPagesUiTest : public PagePluginsUiTest {
 protected:
  void SetUp() override {
    statePath_ = testenv::MakeTempDir("logo-state") + "/printer.state";
    printDir_ = testenv::MakeTempDir("logo-printed");
    SimProcess::Options options = SimConnection::QuickRestart();
    options.statePath = statePath_;
    options.printDir = printDir_;
    printer_ = std::make_unique<SimConnection>(options);
    ASSERT_EQ(printer_->Open(XJ_DIST_DIR), "");
    PagePluginsUiTest::SetUpWith(printer_.get());
    folder_ = testenv::MakeTempDir("logo-ui");
  }

  QListWidget* List() { return Control<QListWidget>(kLogoList); }
  std::vector<std::string> ListedKeys() {
    std::vector<std::string> keys;
    for (int i = 0; i < List()->count(); ++i) keys.push_back(List()->item(i)->text().toStdString());
    return keys;
  }
  void Select(const std::string& key) {
    const QList<QListWidgetItem*> items = List()->findItems(QString::fromStdString(key), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << key;
    List()->setCurrentItem(items.front());
  }
  void Open(const std::string& path) {
    AnswerFileDialog(path);
    Control<QPushButton>(kLogoOpen)->click();
  }
  void RegisterAs(const std::string& key) {
    Control<QLineEdit>(kLogoKeyCode)->setText(QString::fromStdString(key));
    Control<QPushButton>(kLogoRegister)->click();
  }
  unsigned BoxIcon(std::size_t index) { return boxes_.All().at(index).type & 0xF0u; }

  // The dots of a printed image as the logo's bitmap.
  static logo::MonoBitmap AsBitmap(const PrintedImage& printed) {
    logo::MonoBitmap bitmap = logo::MonoBitmap::White(printed.width, printed.height);
    for (int y = 0; y < printed.height; ++y) {
      for (int x = 0; x < printed.width; ++x) bitmap.SetDot(x, y, printed.Dot(x, y));
    }
    return bitmap;
  }

  std::string statePath_;
  std::string printDir_;
  std::string folder_;
};

TEST_P(LogoPagesUiTest, LogosAreRegisteredFromPicturesRefusedWhenTheyDoNotFitAndDeleted) {
  auto plugin = Load("XJLOGO");
  plugin->RegisterBlocks(manager_);
  EXPECT_EQ(plugin->ownBlock.size, 0) << "no block of its own";
  EXPECT_EQ(plugin->Read(), kPluginReadOk);
  plugin->Enter();
  ASSERT_NE(plugin->View(), nullptr);
  ASSERT_TRUE(ProcessUntil([&] { return Text(Control(kLogoFreeMemory)).find(u"262,144") != std::u16string::npos; }))
      << plat::ToUtf8(Text(Control(kLogoFreeMemory)));
  EXPECT_EQ(List()->count(), 0);
  EXPECT_FALSE(Control<QPushButton>(kLogoRegister)->isEnabled()) << "no picture yet";

  // A picture wider than the 80 mm paper is scaled to its 576 dots; the preview shows
  // the printer's dots, which are what the printer stores.
  Open(WritePicture(folder_ + "/shop.png", 720, 240));
  ASSERT_TRUE(boxes_.All().empty()) << plat::ToUtf8(boxes_.Last());
  const logo::MonoBitmap preview = DotsOf(Control<QLabel>(kLogoPreview));
  EXPECT_EQ(preview.width, 576);
  EXPECT_EQ(preview.height, 192);
  RegisterAs("A1");
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(BoxIcon(0), plat::MB_ICONINFORMATION) << plat::ToUtf8(boxes_.Last());
  EXPECT_NE(boxes_.Last().find(u"A1"), std::u16string::npos);
  EXPECT_EQ(ListedKeys(), std::vector<std::string>{"A1"});
  EXPECT_TRUE(ShowsLogo(List()->item(0)));
  EXPECT_EQ(StoredImage(statePath_, "A1"), preview);
  EXPECT_NE(Text(Control(kLogoFreeMemory)).find(u"248,320"), std::u16string::npos) << "262,144 - 72 x 192";
  Screenshot(plugin->View(), "logo-registration");

  // Test print: the printer prints it once, dot for dot as previewed, and cuts.
  Select("A1");
  Control<QPushButton>(kLogoTestPrint)->click();
  EXPECT_EQ(printer_->Status("prints"), "1");
  const std::vector<std::string> journal = WaitForJournalLines(printDir_, 3);
  ASSERT_GE(journal.size(), 2u);
  EXPECT_EQ(journal[0], "image 1 576x192");
  EXPECT_EQ(journal.back(), "cut partial");
  EXPECT_EQ(AsBitmap(ReadPbm(PrintedImagePath(printDir_, 1))), preview);

  // Refused before anything is sent: not scaled and so too wide, a file that is no
  // picture, a key code that is no key code, more than the memory left.
  boxes_.Clear();
  const std::string bytesBefore = printer_->Status("bytesin");
  Control<QCheckBox>(kLogoFitToPaper)->setChecked(false);
  EXPECT_EQ(DotsOf(Control<QLabel>(kLogoPreview)).width, 720);
  RegisterAs("A2");
  Control<QCheckBox>(kLogoFitToPaper)->setChecked(true);
  ASSERT_TRUE(testenv::WriteFile(folder_ + "/notes.png", "not a picture at all"));
  Open(folder_ + "/notes.png");
  RegisterAs("A\x7F");
  Open(WritePicture(folder_ + "/tall.bmp", 576, 2304, "BMP"));
  RegisterAs("B1");  // 165,888 bytes: fits
  const std::string bytesAfterB1 = printer_->Status("bytesin");
  RegisterAs("B2");  // does not fit what is left
  const std::vector<std::u16string> texts = boxes_.Texts();
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_NE(texts[0].find(u"720"), std::u16string::npos) << plat::ToUtf8(texts[0]);
  EXPECT_NE(texts[0].find(u"576"), std::u16string::npos) << plat::ToUtf8(texts[0]);
  EXPECT_NE(texts[1].find(GetParam() == kJapanese ? u"PNG、BMP" : u"PNG, BMP"), std::u16string::npos)
      << plat::ToUtf8(texts[1]);
  EXPECT_NE(texts[2].find(u"126"), std::u16string::npos) << plat::ToUtf8(texts[2]);
  EXPECT_EQ(BoxIcon(3), plat::MB_ICONINFORMATION) << plat::ToUtf8(texts[3]);
  EXPECT_NE(texts[4].find(u"165,888"), std::u16string::npos) << plat::ToUtf8(texts[4]);
  EXPECT_NE(texts[4].find(u"82,432"), std::u16string::npos) << plat::ToUtf8(texts[4]);
  for (const std::size_t refused : {0u, 1u, 2u, 4u}) EXPECT_EQ(BoxIcon(refused), plat::MB_ICONWARNING);
  EXPECT_EQ(printer_->Status("bytesin"), bytesAfterB1);
  EXPECT_EQ(printer_->Status("nvkeys"), "2");
  EXPECT_NE(bytesBefore, bytesAfterB1) << "B1 was sent";

  // The same key code again replaces the logo after asking.
  boxes_.Clear();
  Open(folder_ + "/shop.png");
  RegisterAs("A1");
  ASSERT_EQ(boxes_.All().size(), 2u);
  EXPECT_EQ(boxes_.All()[0].type & plat::MB_YESNO, plat::MB_YESNO);
  EXPECT_EQ(ListedKeys(), (std::vector<std::string>{"A1", "B1"}));

  // An offline printer is not asked.
  boxes_.Clear();
  frame_.printerState = XJC_STATUS_OFFLINE;
  const std::string bytesOffline = printer_->Status("bytesin");
  RegisterAs("C1");
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(BoxIcon(0), plat::MB_ICONWARNING);
  EXPECT_EQ(printer_->Status("bytesin"), bytesOffline);
  frame_.printerState = XJC_STATUS_ONLINE;

  // Delete one, then all after the question (No keeps them).
  Select("A1");
  Control<QPushButton>(kLogoDelete)->click();
  EXPECT_EQ(ListedKeys(), std::vector<std::string>{"B1"});
  EXPECT_EQ(printer_->Status("nvkeys"), "1");
  boxes_.AnswerQuestionsWith(plat::IDNO);
  Control<QPushButton>(kLogoDeleteAll)->click();
  EXPECT_EQ(printer_->Status("nvkeys"), "1");
  boxes_.AnswerQuestionsWith(plat::IDYES);
  Control<QPushButton>(kLogoDeleteAll)->click();
  EXPECT_EQ(printer_->Status("nvkeys"), "0");
  EXPECT_EQ(List()->count(), 0);
  EXPECT_FALSE(Control<QPushButton>(kLogoDeleteAll)->isEnabled());
  EXPECT_EQ(plugin->Leave(), kPluginOk);
}

TEST_P(LogoPagesUiTest, ALogoIsListedWithItsPictureAfterThePrinterAndTheProgramRestart) {
  block_->autoKeycodeNumbering = 1;
  {
    auto plugin = Load("XJLOGO");
    plugin->RegisterBlocks(manager_);
    EXPECT_EQ(plugin->Read(), kPluginReadOk);
    plugin->Enter();
    QApplication::processEvents();
    auto* key = Control<QLineEdit>(kLogoKeyCode);
    EXPECT_TRUE(key->isReadOnly());
    EXPECT_EQ(key->text(), "01") << "the next free key code";
    Open(WritePicture(folder_ + "/logo.png", 300, 80));
    Control<QPushButton>(kLogoRegister)->click();
    EXPECT_EQ(ListedKeys(), std::vector<std::string>{"01"});
    EXPECT_EQ(key->text(), "02");
  }
  // Another program stores a logo meanwhile: listed, but without a picture.
  const std::vector<std::uint8_t> other = logo::DefineCommand(*logo::ParseKeyCode(u"ZZ"), logo::MonoBitmap::White(8, 8));
  std::uint32_t written = 0;
  ASSERT_EQ(printer_->Comm().Write(other.data(), static_cast<std::uint32_t>(other.size()), &written, 3000), XJC_OK);
  // A request on the same connection: the definition was read before the printer stops.
  logo::PrinterLogos stored;
  ASSERT_EQ(logo::ReadPrinterLogos(&printer_->Comm(), stored), PrinterOutcome::kOk);
  ASSERT_EQ(stored.keys.size(), 2u);
  printer_.reset();
  SimProcess::Options options = SimConnection::QuickRestart();
  options.statePath = statePath_;
  printer_ = std::make_unique<SimConnection>(options);
  ASSERT_EQ(printer_->Open(XJ_DIST_DIR), "");
  block_->xjc = &printer_->Comm();
  PluginDataMgr fresh;
  block_->dataMgr = &fresh;
  auto plugin = Load("XJLOGO");
  plugin->RegisterBlocks(fresh);
  EXPECT_EQ(plugin->Read(), kPluginReadOk);
  plugin->Enter();
  ASSERT_TRUE(ProcessUntil([&] { return List()->count() == 2; }));
  EXPECT_EQ(ListedKeys(), (std::vector<std::string>{"01", "ZZ"}));
  EXPECT_TRUE(ShowsLogo(List()->item(0)));
  EXPECT_FALSE(ShowsLogo(List()->item(1)));
  block_->dataMgr = &manager_;
}

TEST_P(LogoPagesUiTest, CouponPrintsTheChosenLogoAsOftenAsAsked) {
  logo::MonoBitmap stamp = logo::MonoBitmap::White(64, 32);
  for (int i = 0; i < 32; ++i) stamp.SetDot(2 * i, i, true);
  const std::vector<std::uint8_t> define = logo::DefineCommand(*logo::ParseKeyCode(u"CP"), stamp);
  std::uint32_t written = 0;
  ASSERT_EQ(printer_->Comm().Write(define.data(), static_cast<std::uint32_t>(define.size()), &written, 3000), XJC_OK);
  auto plugin = Load("XJCOUPON");
  plugin->RegisterBlocks(manager_);
  EXPECT_EQ(plugin->Read(), kPluginReadOk);
  plugin->Enter();
  ASSERT_TRUE(ProcessUntil([&] { return List()->count() == 1; }));
  EXPECT_EQ(Control(kLogoOpen), nullptr) << "nothing is registered here";
  EXPECT_EQ(Control(kLogoDelete), nullptr);
  auto* print = Control<QPushButton>(kCouponPrint);
  EXPECT_FALSE(print->isEnabled()) << "no logo chosen";
  Select("CP");
  auto* copies = Control<QSpinBox>(kCouponCopies);
  EXPECT_EQ(copies->minimum(), 1);
  EXPECT_EQ(copies->maximum(), 99);
  copies->setValue(4);
  Screenshot(plugin->View(), "coupon");
  print->click();
  EXPECT_TRUE(boxes_.All().empty()) << plat::ToUtf8(boxes_.Last());
  EXPECT_EQ(printer_->Status("prints"), "4");
  // Four coupons, each cut off: the logo and nothing else on each.
  WaitForJournalLines(printDir_, 8);
  EXPECT_EQ(printer_->Status("cuts"), "4");
  const std::vector<PrintedImage> coupons = ReceiptsBetweenCuts(printDir_, true);
  ASSERT_EQ(coupons.size(), 4u);
  for (const PrintedImage& coupon : coupons) EXPECT_EQ(AsBitmap(coupon), stamp);
}

TEST_P(LogoPagesUiTest, InFileModeTheLogoGoesIntoTheSettingsFileAtThePaperWidthOfThePageData) {
  block_->mode = kModeFile;
  block_->xjc = nullptr;
  const std::string logoPath = folder_ + "/K52IILOGO.tlg";
  plat::CopyText(block_->logoPath, plat::FromUtf8(logoPath));
  auto plugin = Load("XJLOGO");
  plugin->RegisterBlocks(manager_);
  // Print Settings holds 58 mm for the file.
  settingblocks::PutSettingBlocks(manager_, settingblocks::SettingValues{{{kPaperWidthSetting, 1}}, {}});
  plugin->Enter();
  QApplication::processEvents();
  EXPECT_FALSE(Control<QPushButton>(kLogoTestPrint)->isVisible());
  Open(WritePicture(folder_ + "/shop.jpg", 500, 100, "JPEG"));
  const logo::MonoBitmap preview = DotsOf(Control<QLabel>(kLogoPreview));
  EXPECT_EQ(preview.width, 384);
  RegisterAs("F1");
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(BoxIcon(0), plat::MB_ICONINFORMATION) << plat::ToUtf8(boxes_.Last());
  EXPECT_EQ(ListedKeys(), std::vector<std::string>{"F1"});
  Screenshot(plugin->View(), "logo-file-mode");

  // The settings command file written at exit carries it as its logo.
  const std::u16string settingsPath = plat::FromUtf8(folder_ + "/settings.bin");
  const std::u16string logoFile = plat::FromUtf8(logoPath);
  ASSERT_EQ(WriteSettingsFile(manager_, logoFile.c_str(), u"XJ-K52II", settingsPath), kSettingsFileOk);
  SettingsFileContents file;
  ASSERT_EQ(ReadSettingsFile(settingsPath, file), SettingsFileCheck::kOk);
  EXPECT_EQ(file.logoKind, kLogoKindGraphics);
  std::vector<logo::StoredLogo> logos;
  ASSERT_GT(file.logoBlock.size(), kLogoPrefixSize);
  ASSERT_TRUE(logo::ParseLogoFile(file.logoBlock.data() + kLogoPrefixSize, file.logoBlock.size() - kLogoPrefixSize, logos));
  ASSERT_EQ(logos.size(), 1u);
  EXPECT_EQ(logos[0].key, *logo::ParseKeyCode(u"F1"));
  EXPECT_EQ(logos[0].bitmap, preview);

  // Removing the last logo leaves no logo file, so the settings file carries none.
  Select("F1");
  Control<QPushButton>(kLogoDelete)->click();
  EXPECT_EQ(List()->count(), 0);
  EXPECT_TRUE(testenv::ReadFile(logoPath).empty());
}

INSTANTIATE_TEST_SUITE_P(Languages, LogoPagesUiTest, ::testing::Values(kEnglish, kJapanese),
                         [](const ::testing::TestParamInfo<std::int32_t>& info) {
                           return info.param == kJapanese ? std::string("Japanese") : std::string("English");
                         });

INSTANTIATE_TEST_SUITE_P(Languages, PagePluginsUiTest, ::testing::Values(kEnglish, kJapanese),
                         [](const ::testing::TestParamInfo<std::int32_t>& info) {
                           return info.param == kJapanese ? std::string("Japanese") : std::string("English");
                         });

}  // namespace
