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

TEST(LangRecordsOnWidgets, CaptionsComboItemsAndListColumns) {
  QWidget window;
  auto* ok = new QPushButton(QStringLiteral("template OK"), &window);
  plat::SetControlId(ok, 1);
  auto* label = new QLabel(QStringLiteral("template label"), &window);
  plat::SetControlId(label, 1019);
  auto* combo = new QComboBox(&window);
  plat::SetControlId(combo, 1000);
  auto* withColumn = new plat::ReportList(&window);
  plat::SetControlId(withColumn, 1020);
  withColumn->InsertColumn(0, plat::ListColumn{u"old", 77, plat::kColumnFormatLeft});
  auto* empty = new plat::ReportList(&window);
  plat::SetControlId(empty, 1021);

  const std::string folder = testenv::MakeTempDir("lang");
  testenv::WriteFile(folder + "/0409.DAT", R"([DLG_CAP]
TXT_MISSING_1234=nobody
BTN_OK_1=Okay
[DLG_CMB]
LANG_ENGLISH_1000=English||0x0409
NOT_A_COMBO_1019=Static||5
LANG_JAPANESE_1000=Japanese||0x0411
[DLG_LSTCTRL]
COL_PRINTER_1020=Printer||0||-1||1
COL_PRINTER_1021=Printer||0||-1||1
COL_PORT_1021=Port||1||90||2
)");
  CLangResTable table;
  ASSERT_EQ(table.SelectLanguageFile(plat::FromUtf8(folder), 0x0409, 0x0409), kLangFileRequested);
  ASSERT_EQ(table.LoadResources(u"DLG"), kLangOk);
  plat::QtControlHost host(&window);
  table.ApplyCaptions(&host);
  table.FillComboBoxes(&host);
  table.SetupListColumns(&host);

  EXPECT_EQ(ok->text(), QStringLiteral("Okay"));
  EXPECT_EQ(label->text(), QStringLiteral("template label"));  // a static is no combo box
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), QStringLiteral("English"));
  EXPECT_EQ(combo->itemData(0).toLongLong(), 0x0409);
  EXPECT_EQ(combo->itemText(1), QStringLiteral("Japanese"));
  EXPECT_EQ(combo->itemData(1).toLongLong(), 0x0411);

  plat::ListColumn column;
  ASSERT_EQ(withColumn->ColumnCount(), 1);
  ASSERT_TRUE(withColumn->GetColumn(0, column));
  EXPECT_EQ(column.text, u"Printer");
  EXPECT_EQ(column.width, 77);  // width -1 keeps the column's width
  EXPECT_EQ(column.format & plat::kColumnFormatJustifyMask, plat::kColumnFormatCenter);
  ASSERT_EQ(empty->ColumnCount(), 2);
  ASSERT_TRUE(empty->GetColumn(0, column));
  EXPECT_EQ(column.format & plat::kColumnFormatJustifyMask, plat::kColumnFormatCenter);
  EXPECT_GT(column.width, 0);  // the control's default width
  ASSERT_TRUE(empty->GetColumn(1, column));
  EXPECT_EQ(column.text, u"Port");
  EXPECT_EQ(column.width, 90);
  EXPECT_EQ(column.format & plat::kColumnFormatJustifyMask, plat::kColumnFormatRight);
}
