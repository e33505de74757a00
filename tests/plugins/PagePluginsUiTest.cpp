// The Printer Information and Settings Backup plug-ins as the program drives them: the
// real libraries loaded through CMenuDLLProc, their blocks registered as the menu view
// registers them, the printer read, the page shown in a content pane and used through
// its widgets (file dialogs, question boxes and the progress dialog included), against
// the simulator, in English and in Japanese. With XJ_SCREENSHOT_DIR set, each page is
// saved there as a PNG.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <memory>

#include "menu/CMenuDLLProc.h"
#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "status/PrinterSettingsFile.h"
#include "status/SettingsFileReader.h"
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
    options.extraArgs = {"--fonts", "ANK Kanji", "--serial", "K52S0004711"};
    printer_ = std::make_unique<SimConnection>(options);
    ASSERT_EQ(printer_->Open(XJ_DIST_DIR), "");
    block_ = MakeSettings(std::string(XJ_DIST_DIR) + "/LANG", GetParam());
    block_->xjc = &printer_->Comm();
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
  frame_.printerState = kPrinterStateOffline;
  Control<QPushButton>(kRefreshButton)->click();
  EXPECT_EQ(frame_.runs, 1);
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(boxes_.All()[0].type & plat::MB_ICONWARNING, plat::MB_ICONWARNING);
  frame_.printerState = kPrinterStateOnline;

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
  frame_.printerState = kPrinterStateOffline;
  AnswerFileDialog(saved);
  Control<QPushButton>(kRestoreButton)->click();
  ASSERT_EQ(boxes_.All().size(), 4u);
  EXPECT_EQ(boxes_.All()[2].type & plat::MB_YESNO, plat::MB_YESNO);
  EXPECT_EQ(boxes_.All()[3].type & plat::MB_ICONWARNING, plat::MB_ICONWARNING);
  EXPECT_EQ(printer_->Status("bytesin"), bytesBefore);
  frame_.printerState = kPrinterStateOnline;

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

INSTANTIATE_TEST_SUITE_P(Languages, PagePluginsUiTest, ::testing::Values(kEnglish, kJapanese),
                         [](const ::testing::TestParamInfo<std::int32_t>& info) {
                           return info.param == kJapanese ? std::string("Japanese") : std::string("English");
                         });

}  // namespace
