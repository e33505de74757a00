#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui/Controls.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ReportList.h"

using namespace plat;

namespace {
struct Form {
  QDialog dialog;
  QLabel* label = new QLabel("label", &dialog);
  QPushButton* button = new QPushButton("button", &dialog);
  QComboBox* combo = new QComboBox(&dialog);
  ReportList* list = new ReportList(&dialog);
  QLineEdit* edit = new QLineEdit(&dialog);
  Form() {
    auto* inner = new QWidget(&dialog);  // controls inside a nested widget are found too
    auto* nested = new QLabel("nested", inner);
    SetControlId(label, 1018);
    SetControlId(button, 1003);
    SetControlId(combo, 1000);
    SetControlId(list, 1020);
    SetControlId(edit, 1012);
    SetControlId(nested, 1019);
  }
};
}  // namespace

TEST(Controls, IdsAndClassNames) {
  Form f;
  EXPECT_EQ(ControlId(f.label), 1018);
  EXPECT_EQ(ControlId(&f.dialog), -1);
  EXPECT_EQ(FindChildById(&f.dialog, 1003), f.button);
  EXPECT_NE(FindChildById(&f.dialog, 1019), nullptr);
  EXPECT_EQ(FindChildById(&f.dialog, 4242), nullptr);
  EXPECT_EQ(ControlClassName(f.combo), u"ComboBox");
  EXPECT_EQ(ControlClassName(f.list), u"SysListView32");
  EXPECT_EQ(ControlClassName(f.label), u"Static");
  EXPECT_EQ(ControlClassName(f.button), u"Button");
  EXPECT_EQ(ControlClassName(f.edit), u"Edit");
}

TEST(Controls, HostSetsTextsAndFillsCombos) {
  Form f;
  QtControlHost host(&f.dialog);
  std::u16string cls;
  EXPECT_TRUE(host.GetChildClassName(1000, cls));
  EXPECT_EQ(cls, u"ComboBox");
  EXPECT_FALSE(host.GetChildClassName(77, cls));
  EXPECT_TRUE(host.SetChildText(1003, u"Add Port"));
  EXPECT_EQ(f.button->text(), "Add Port");
  EXPECT_TRUE(host.SetChildText(1018, u"two\r\nlines"));
  EXPECT_EQ(f.label->text(), "two\nlines");
  EXPECT_FALSE(host.SetChildText(77, u"x"));

  EXPECT_EQ(host.ComboAddString(1000, u"English"), 0);
  EXPECT_EQ(host.ComboAddString(1000, u"日本語"), 1);
  EXPECT_TRUE(host.ComboSetItemData(1000, 1, 0x0411));
  EXPECT_FALSE(host.ComboSetItemData(1000, 5, 1));
  EXPECT_EQ(f.combo->itemText(1), QString::fromUtf8("日本語"));
  EXPECT_EQ(f.combo->itemData(1).toLongLong(), 0x0411);
  EXPECT_EQ(host.ComboAddString(1018, u"not a combo"), -1);
}

TEST(Controls, ListColumnsInsertUpdateAndShiftRows) {
  Form f;
  QtControlHost host(&f.dialog);
  ListColumn c;
  EXPECT_FALSE(host.ListGetColumn(1020, 0, c));
  EXPECT_EQ(host.ListInsertColumn(1020, 0, {u"Port", -1, kColumnFormatCenter}), 0);
  ASSERT_TRUE(host.ListGetColumn(1020, 0, c));
  EXPECT_EQ(c.text, u"Port");
  EXPECT_GT(c.width, 0);  // default width
  EXPECT_EQ(c.format, kColumnFormatCenter);
  // An index past the end appends.
  EXPECT_EQ(host.ListInsertColumn(1020, 5, {u"Driver", 80, kColumnFormatLeft}), 1);

  f.list->InsertRow(0, "COM1");
  f.list->SetRowText(0, 1, "drv");
  f.list->SetRowData(0, 1234);
  // Inserting in front moves the row texts one column to the right.
  EXPECT_EQ(host.ListInsertColumn(1020, 0, {u"Printer", 120, kColumnFormatLeft}), 0);
  EXPECT_EQ(f.list->ColumnCount(), 3);
  EXPECT_EQ(f.list->RowText(0, 0), "");
  EXPECT_EQ(f.list->RowText(0, 1), "COM1");
  EXPECT_EQ(f.list->RowText(0, 2), "drv");
  EXPECT_EQ(f.list->RowData(0), 1234);

  // Update with width -1 keeps the width.
  ASSERT_TRUE(host.ListGetColumn(1020, 2, c));
  EXPECT_TRUE(host.ListSetColumn(1020, 2, {u"Driver Port", -1, kColumnFormatRight}));
  ListColumn after;
  ASSERT_TRUE(host.ListGetColumn(1020, 2, after));
  EXPECT_EQ(after.text, u"Driver Port");
  EXPECT_EQ(after.width, c.width);
  EXPECT_EQ(after.format, kColumnFormatRight);
  EXPECT_FALSE(host.ListSetColumn(1020, 9, after));
}

TEST(Controls, ReportListSelection) {
  ReportList list;
  list.InsertColumn(0, {u"A", 50, 0});
  EXPECT_EQ(list.SelectedRow(), -1);
  list.InsertRow(0, "one");
  list.InsertRow(1, "two");
  list.SelectRow(1);
  EXPECT_EQ(list.SelectedRow(), 1);
  list.SelectRow(-1);
  EXPECT_EQ(list.SelectedRow(), -1);
  list.DeleteAllRows();
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.ColumnCount(), 1);  // columns stay
}

TEST(Controls, DialogUnitsScaleWithTheFont) {
  QFont small("Sans", 8), large("Sans", 16);
  const DialogBaseUnits a = BaseUnitsOf(small), b = BaseUnitsOf(large);
  EXPECT_GT(a.cx, 0);
  EXPECT_GT(b.cy, a.cy);
  EXPECT_EQ(DluToPixelsX(a, 4), a.cx);
  EXPECT_EQ(DluToPixelsY(a, 8), a.cy);
  EXPECT_EQ(DluRect(a, 4, 8, 8, 16), QRect(a.cx, a.cy, 2 * a.cx, 2 * a.cy));
}

TEST(Controls, MessageBoxInterceptorAnswers) {
  std::vector<MessageBoxRequest> seen;
  auto previous = SetMessageBoxInterceptor([&](const MessageBoxRequest& r) {
    seen.push_back(r);
    return IDNO;
  });
  EXPECT_EQ(ShowMessageBox(nullptr, u"Delete?", u"XJ-K52II Utility", MB_YESNO | MB_ICONQUESTION), IDNO);
  SetMessageBoxInterceptor(previous);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, u"Delete?");
  EXPECT_EQ(seen[0].type, MB_YESNO | MB_ICONQUESTION);
}
