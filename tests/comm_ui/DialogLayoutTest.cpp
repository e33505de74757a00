// Every window shown before the main window, in English and Japanese (every interface
// of the port setting dialog, both codes of the error guidance, both animations of the
// progress window): every shown text fits its control, no two shown controls overlap,
// and a picture of each state is written to the build's screenshots folder for a look
// by eye.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <QProgressBar>

#include "comm/CCommStateDlg.h"
#include "comm/CCommunicationSettingDlg.h"
#include "comm/CPrinterSelectDlg.h"
#include "comm/Ipv4AddressEdit.h"
#include "comm/ModelName.h"
#include "comm/ToolRunningDlg.h"
#include "lang/CLangResTable.h"
#include "lang/CSelectLangDlg.h"
#include "platform/Registry.h"
#include "platform/Sync.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ReportList.h"
#include "res/AnimationWidget.h"
#include "res/ResourceIds.h"
#include "status/CErrorCorrespondenceDlg.h"
#include "tests/comm_ui/DialogTestSupport.h"
#include "tests/support/PortRecords.h"

using namespace dlgtest;

namespace {

// Shown controls with an id, directly inside the dialog.
std::vector<QWidget*> ShownControls(QWidget* dialog) {
  std::vector<QWidget*> controls;
  for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child->isVisibleTo(dialog) && plat::ControlId(child) >= 0) controls.push_back(child);
  return controls;
}

void ExpectTextsFit(QWidget* dialog, const std::string& what) {
  for (QWidget* control : ShownControls(dialog)) {
    const int id = plat::ControlId(control);
    if (auto* button = qobject_cast<QPushButton*>(control)) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      const QSize needed = button->style()->sizeFromContents(
          QStyle::CT_PushButton, &option, QFontMetrics(button->font()).size(Qt::TextShowMnemonic, button->text()),
          button);
      EXPECT_LE(needed.width() - 8, button->width()) << what << ": button " << id << " \"" << button->text().toStdString() << "\"";
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
      if (label->text().isEmpty()) continue;
      const QFontMetrics metrics(label->font());
      if (label->wordWrap()) {
        EXPECT_LE(label->heightForWidth(label->width()), label->height())
            << what << ": label " << id << " \"" << label->text().toStdString() << "\"";
      } else {
        EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width())
            << what << ": label " << id << " \"" << label->text().toStdString() << "\"";
      }
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
      for (int i = 0; i < combo->count(); ++i)
        EXPECT_LE(QFontMetrics(combo->font()).horizontalAdvance(combo->itemText(i)), combo->width() - 24)
            << what << ": combo " << id << " item \"" << combo->itemText(i).toStdString() << "\"";
    }
  }
}

void ExpectNoOverlap(QWidget* dialog, const std::string& what) {
  const std::vector<QWidget*> controls = ShownControls(dialog);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    EXPECT_TRUE(dialog->rect().contains(controls[i]->geometry()))
        << what << ": control " << plat::ControlId(controls[i]) << " leaves the dialog";
    for (std::size_t j = i + 1; j < controls.size(); ++j)
      EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
          << what << ": controls " << plat::ControlId(controls[i]) << " and " << plat::ControlId(controls[j]) << " overlap";
  }
}

void Save(QWidget* dialog, const std::string& name) {
  QDir().mkpath(QStringLiteral(XJ_SCREENSHOT_DIR));
  EXPECT_TRUE(dialog->grab().save(QStringLiteral(XJ_SCREENSHOT_DIR "/") + QString::fromStdString(name) + ".png"));
}

std::string LangName(std::int32_t langId) { return plat::ToUtf8(plat::FormatHex04(static_cast<std::uint32_t>(langId))); }

// A table of the installation's language files for one key.
void LoadTable(CLangResTable& table, const Installation& install, std::int32_t langId, std::u16string_view key) {
  ASSERT_EQ(table.SelectLanguageFile(plat::FieldText(install.block->langFolder), langId, 0x0409), kLangFileRequested);
  ASSERT_EQ(table.LoadResources(key), kLangOk);
}

class DialogLayout : public testing::TestWithParam<std::int32_t> {};

}  // namespace

TEST_P(DialogLayout, PrinterSelectionDialog) {
  const std::int32_t langId = GetParam();
  Installation install;
  install.SetLanguage(langId);
  XJC xjc;
  LoadLibrary(xjc);
  const PortRecord ports[] = {ServedPortRecord(u"NET", "127.0.0.1:9"), ServedPortRecord(u"COM", "/dev/ttyUSB0"),
                              ServedPortRecord(u"USB", "XJ-K52II_0001"),
                              NetPortRecord("127.0.0.2", kModelName, u"pipe://xj/ZLDPRT001")};
  for (const PortRecord& p : ports) ASSERT_EQ(xjc.XJC_AddPort(&p), XJC_OK);
  ASSERT_TRUE(testenv::WriteFile(plat::ToUtf8(plat::RegistryFilePath()),
                                 "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt1]\nPort=ZLDPRT001\n"));
  MessageBoxRecorder boxes;
  CPrinterSelectDlg dialog;
  dialog.SetXJC(&xjc);
  dialog.SetSettingsBlock(*install.block);
  const std::string what = "select-" + plat::ToUtf8(plat::FormatHex04(static_cast<std::uint32_t>(langId)));
  RunModal(dialog, [&] {
    EXPECT_EQ(dialog.List()->RowCount(), 4);
    EXPECT_EQ(dialog.List()->RowText(3, 3), QStringLiteral("(ZLDPRT001)"));
    ExpectTextsFit(&dialog, what);
    ExpectNoOverlap(&dialog, what);
    // Every column heading fits its column.
    for (int c = 0; c < dialog.List()->columnCount(); ++c)
      EXPECT_LE(QFontMetrics(dialog.List()->font()).horizontalAdvance(dialog.List()->headerItem()->text(c)),
                dialog.List()->columnWidth(c))
          << what << ": column " << c;
    // So does every row's text.
    const QFontMetrics rowMetrics(dialog.List()->font());
    for (int r = 0; r < dialog.List()->RowCount(); ++r)
      for (int c = 0; c < dialog.List()->columnCount(); ++c)
        EXPECT_LE(rowMetrics.horizontalAdvance(dialog.List()->RowText(r, c)), dialog.List()->columnWidth(c))
            << what << ": row " << r << " column " << c;
    Save(&dialog, what);
  });
  EXPECT_TRUE(boxes.All().empty());
}

TEST_P(DialogLayout, PortSettingDialogEveryInterface) {
  const std::int32_t langId = GetParam();
  Installation install;
  install.SetLanguage(langId);
  install.SetInterfaces({0, 1, 2, 3, 4}, 0);
  CLangResTable table;
  table.SelectLanguageFile(plat::FieldText(install.block->langFolder), langId, 0x0409);
  table.LoadResources(u"PORT_ADD_DLG");
  XJC xjc;
  LoadLibrary(xjc);
  setenv("XJCOMM_NET_SEARCH", "127.0.0.1:1", 1);
  MessageBoxRecorder boxes;
  CCommunicationSettingDlg dialog(*install.block, &xjc, &table);
  RunModal(dialog, [&] {
    for (int i = 0; i < kInterfaceCount; ++i) {
      dialog.SelectInterface(i);
      QApplication::processEvents();  // the network search posted for Ethernet
      const std::string what =
          "addport-" + plat::ToUtf8(plat::FormatHex04(static_cast<std::uint32_t>(langId))) + "-if" + std::to_string(i);
      ExpectTextsFit(&dialog, what);
      ExpectNoOverlap(&dialog, what);
      Save(&dialog, what);
    }
  });
  unsetenv("XJCOMM_NET_SEARCH");
}

TEST_P(DialogLayout, LanguageSelectionDialog) {
  const std::int32_t langId = GetParam();
  Installation install;
  install.SetLanguage(langId);
  CSelectLangDlg dialog;
  dialog.Settings() = *install.block;
  LoadTable(dialog.Table(), install, langId, kSelectLangResourceKey);
  dialog.show();
  const std::string what = "language-" + LangName(langId);
  ASSERT_EQ(dialog.LanguageCombo()->count(), 2);
  EXPECT_EQ(dialog.LanguageCombo()->currentData().toLongLong(), langId);
  ExpectTextsFit(&dialog, what);
  ExpectNoOverlap(&dialog, what);
  Save(&dialog, what);
}

TEST_P(DialogLayout, ErrorGuidanceDialogForBothCodes) {
  const std::int32_t langId = GetParam();
  Installation install;
  for (const std::int32_t code : {kErrorCodeFatal, kErrorCodeAutoCutter}) {
    CErrorCorrespondenceDlg dialog(code, langId, std::u16string(plat::FieldText(install.block->langFolder)));
    dialog.show();
    const std::string what = "guidance-" + LangName(langId) + "-" + std::to_string(code);
    CLangResTable status;
    LoadTable(status, install, langId, u"PRT_STATUS");
    EXPECT_EQ(plat::FromQString(dialog.windowTitle()), status.StringOr(code, u"")) << what;
    EXPECT_FALSE(dialog.Guidance()->text().isEmpty()) << what;
    ExpectTextsFit(&dialog, what);
    ExpectNoOverlap(&dialog, what);
    Save(&dialog, what);
  }
}

TEST_P(DialogLayout, ProgressWindowWithBothAnimations) {
  const std::int32_t langId = GetParam();
  Installation install;
  CLangResTable mainWindow;
  LoadTable(mainWindow, install, langId, u"MAIN_WINDOW");
  const std::u16string title = mainWindow.StringOr(0, u"");
  ASSERT_FALSE(title.empty());
  QWidget frame;
  frame.resize(796, 523);
  frame.show();
  plat::Event done(true, false);
  plat::Event progress(true, false);
  for (const int animation : {IDR_AVI_PAPER_FEED, IDR_AVI_DATA_TRANSFER}) {
    ASSERT_NE(CreateProgressDialog(&frame, nullptr, title), nullptr);
    CCommStateDlg* dialog = CurrentProgressDialog(&frame);
    dialog->SetRequest(&done, &progress, animation, 1);
    dialog->OnSetPosition(40);
    progress.Set();
    dialog->OnJobEvent();
    dialog->OnTimer(CCommStateDlg::kDelayTimerId);
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->ProgressBar()->value(), 40);
    EXPECT_EQ(plat::FromQString(dialog->windowTitle()), title);
    EXPECT_EQ(dialog->Animation()->OpenId(), animation);
    const std::string what = "progress-" + LangName(langId) + "-" + std::to_string(animation);
    ExpectNoOverlap(dialog, what);
    dialog->Animation()->Stop();
    for (const int frameIndex : {0, 15, 30, 45}) {
      dialog->Animation()->ShowFrame(frameIndex);
      Save(dialog, what + "-frame" + std::to_string(frameIndex));
    }
  }
}

TEST_P(DialogLayout, ToolRunningWindows) {
  const std::int32_t langId = GetParam();
  Installation install;
  CLangResTable table;
  LoadTable(table, install, langId, u"PORT_ADD_DLG");
  ToolRunningDlg pairing(CCommunicationSettingDlg::kRunPairingIdd, plat::ToQString(table.StringOr(1034, u"")),
                         CCommunicationSettingDlg::IDC_PAIRING_TEXT, plat::ToQString(table.StringOr(5018, u"")), nullptr);
  ToolRunningDlg netTool(CCommunicationSettingDlg::kRunNetToolIdd, plat::ToQString(table.StringOr(5019, u"")),
                         CCommunicationSettingDlg::IDC_NET_TOOL_TEXT, plat::ToQString(table.StringOr(5020, u"")),
                         nullptr);
  for (ToolRunningDlg* window : {&pairing, &netTool}) {
    window->show();
    const std::string what = "running-" + LangName(langId) + "-" + window->objectName().toStdString();
    EXPECT_FALSE(window->TextLabel()->text().isEmpty()) << what;
    ExpectTextsFit(window, what);
    ExpectNoOverlap(window, what);
    Save(window, what);
    window->Finish();
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, DialogLayout, testing::Values(0x0409, 0x0411),
                         [](const testing::TestParamInfo<std::int32_t>& info) {
                           return info.param == 0x0409 ? std::string("English") : std::string("Japanese");
                         });
