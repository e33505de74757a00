// The language records applied to real widgets through QtControlHost.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "lang/CLangResTable.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ReportList.h"
#include "tests/views/ViewsTestSupport.h"

using namespace viewstest;

namespace {

// A dialog with the controls the records below address.
struct Dialog {
  Dialog() {
    ok = new QPushButton(QStringLiteral("template OK"), &window);
    plat::SetControlId(ok, 1);
    label = new QLabel(QStringLiteral("template label"), &window);
    plat::SetControlId(label, 1019);
    combo = new QComboBox(&window);
    plat::SetControlId(combo, 1000);
    sortedCombo = new QComboBox(&window);
    plat::SetControlId(sortedCombo, 1001);
    listWithColumn = new plat::ReportList(&window);
    plat::SetControlId(listWithColumn, 1020);
    listWithColumn->InsertColumn(0, plat::ListColumn{u"old", 77, plat::kColumnFormatLeft});
    emptyList = new plat::ReportList(&window);
    plat::SetControlId(emptyList, 1021);
  }
  QWidget window;
  QPushButton* ok;
  QLabel* label;
  QComboBox* combo;
  QComboBox* sortedCombo;
  plat::ReportList* listWithColumn;
  plat::ReportList* emptyList;
};

void Load(CLangResTable& table, const std::string& sections) {
  const std::string folder = testenv::MakeTempDir("lang");
  testenv::WriteFile(folder + "/0409.DAT", sections);
  ASSERT_EQ(table.SelectLanguageFile(plat::FromUtf8(folder), 0x0409, 0x0409), kLangFileRequested);
  ASSERT_EQ(table.LoadResources(u"DLG"), kLangOk);
}

}  // namespace

TEST(LangRecordsOnWidgets, CaptionsSkipMissingControlsAndKeepTemplates) {
  Dialog d;
  CLangResTable table;
  Load(table,
       "[DLG_CAP]\n"
       "TXT_MISSING_1234=nobody\n"
       "BTN_OK_1=Okay\n");
  plat::QtControlHost host(&d.window);
  table.ApplyCaptions(&host);
  EXPECT_EQ(d.ok->text(), QStringLiteral("Okay"));
  EXPECT_EQ(d.label->text(), QStringLiteral("template label"));
}

TEST(LangRecordsOnWidgets, ComboItemsGoToComboBoxesOnlyInFileOrder) {
  Dialog d;
  CLangResTable table;
  Load(table,
       "[DLG_CMB]\n"
       "LANG_ENGLISH_1000=English||0x0409\n"
       "NOT_A_COMBO_1019=Static||5\n"
       "LANG_JAPANESE_1000=Japanese||0x0411\n");
  plat::QtControlHost host(&d.window);
  table.FillComboBoxes(&host);
  ASSERT_EQ(d.combo->count(), 2);
  EXPECT_EQ(d.combo->itemText(0), QStringLiteral("English"));
  EXPECT_EQ(d.combo->itemData(0).toLongLong(), 0x0409);
  EXPECT_EQ(d.combo->itemText(1), QStringLiteral("Japanese"));
  EXPECT_EQ(d.combo->itemData(1).toLongLong(), 0x0411);
  EXPECT_EQ(d.label->text(), QStringLiteral("template label"));
  // Existing items stay: a second fill appends.
  table.FillComboBoxes(&host);
  EXPECT_EQ(d.combo->count(), 4);
}

TEST(LangRecordsOnWidgets, ListColumnsAreRenamedOrInserted) {
  Dialog d;
  CLangResTable table;
  Load(table,
       "[DLG_LSTCTRL]\n"
       "COL_PRINTER_1020=Printer||0||-1||1\n"
       "COL_PRINTER_1021=Printer||0||-1||1\n"
       "COL_PORT_1021=Port||1||90||2\n");
  plat::QtControlHost host(&d.window);
  table.SetupListColumns(&host);

  plat::ListColumn column;
  ASSERT_TRUE(d.listWithColumn->GetColumn(0, column));
  EXPECT_EQ(column.text, u"Printer");
  EXPECT_EQ(column.width, 77);  // width -1 keeps the column's width
  EXPECT_EQ(column.format & plat::kColumnFormatJustifyMask, plat::kColumnFormatCenter);
  EXPECT_EQ(d.listWithColumn->ColumnCount(), 1);

  ASSERT_EQ(d.emptyList->ColumnCount(), 2);
  ASSERT_TRUE(d.emptyList->GetColumn(0, column));
  EXPECT_EQ(column.text, u"Printer");
  EXPECT_EQ(column.format & plat::kColumnFormatJustifyMask, plat::kColumnFormatCenter);
  EXPECT_GT(column.width, 0);  // the control's default width
  ASSERT_TRUE(d.emptyList->GetColumn(1, column));
  EXPECT_EQ(column.text, u"Port");
  EXPECT_EQ(column.width, 90);
  EXPECT_EQ(column.format & plat::kColumnFormatJustifyMask, plat::kColumnFormatRight);
}
