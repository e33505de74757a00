// Both dialogs in English and Japanese, every interface of the port setting dialog:
// every shown text fits its control, no two shown controls overlap, and a picture of
// each state is written to the build's screenshots folder for a look by eye.
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

#include "comm/CCommunicationSettingDlg.h"
#include "comm/CPrinterSelectDlg.h"
#include "comm/ModelName.h"
#include "comm/Ipv4AddressEdit.h"
#include "lang/CLangResTable.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ReportList.h"
#include "tests/comm_ui/DialogTestSupport.h"

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

PortRecord Port(const char16_t* kind, const char16_t* name, const char16_t* path = u"") {
  PortRecord r{};
  r.presetA = -1;
  r.presetB = -1;
  plat::CopyText(r.kind, kind);
  plat::CopyText(r.portName, name);
  plat::CopyText(r.deviceName, kModelName);
  plat::CopyText(r.path, path);
  return r;
}

class DialogLayout : public testing::TestWithParam<std::int32_t> {};

}  // namespace

TEST_P(DialogLayout, PrinterSelectionDialog) {
  const std::int32_t langId = GetParam();
  Installation install;
  install.SetLanguage(langId);
  XJC xjc;
  LoadLibrary(xjc);
  const PortRecord ports[] = {Port(u"NET", u"127.0.0.1:9"), Port(u"COM", u"/dev/ttyUSB0"),
                              Port(u"USB", u"XJ-K52II_0001"), Port(u"NET", u"127.0.0.2", u"pipe://xj/ZLDPRT001")};
  for (const PortRecord& p : ports) ASSERT_EQ(xjc.XJC_AddPort(&p), XJC_OK);
  MessageBoxes boxes;
  CPrinterSelectDlg dialog;
  dialog.SetXJC(&xjc);
  dialog.SetSettingsBlock(*install.block);
  const std::string what = "select-" + plat::ToUtf8(plat::FormatHex04(static_cast<std::uint32_t>(langId)));
  RunModal(dialog, [&] {
    EXPECT_EQ(dialog.List()->RowCount(), 4);
    ExpectTextsFit(&dialog, what);
    ExpectNoOverlap(&dialog, what);
    // Every column heading fits its column.
    for (int c = 0; c < dialog.List()->columnCount(); ++c)
      EXPECT_LE(QFontMetrics(dialog.List()->font()).horizontalAdvance(dialog.List()->headerItem()->text(c)),
                dialog.List()->columnWidth(c))
          << what << ": column " << c;
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
  MessageBoxes boxes;
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

INSTANTIATE_TEST_SUITE_P(Languages, DialogLayout, testing::Values(0x0409, 0x0411),
                         [](const testing::TestParamInfo<std::int32_t>& info) {
                           return info.param == 0x0409 ? std::string("English") : std::string("Japanese");
                         });
