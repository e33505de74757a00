// Language records on a window: class tests, captions, combo items and list columns.
#include <gtest/gtest.h>

#include <string>

#include "lang/CCaptionResInfo.h"
#include "lang/CComboBoxResInfo.h"
#include "lang/CLangResTable.h"
#include "lang/CListCtrlResInfo.h"
#include "lang/CStringResInfo.h"
#include "platform/ControlHost.h"
#include "tests/lang/FakeControlHost.h"
#include "tests/lang/LangTestFiles.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr int kEditId = 1001;
constexpr int kComboId = 1000;
constexpr int kStaticId = 1002;
constexpr int kListId = 1010;
constexpr int kButtonId = 1;

// ---- Class tests ---------------------------------------------------------------------

TEST(LangResRecordTest, ControlOfClassComparesTheExactClassName) {
  FakeControlHost host;
  host.Add(kComboId, plat::kClassComboBox);
  host.Add(kStaticId, plat::kClassStatic);
  host.Add(kListId, plat::kClassListView).classReadable = false;
  const CLangInfoBase combo(u"CMB_1000", kComboId, u"x");
  const CLangInfoBase stat(u"CMB_1002", kStaticId, u"x");
  const CLangInfoBase unreadable(u"L_1010", kListId, u"x");
  const CLangInfoBase missing(u"CMB_77", 77, u"x");

  EXPECT_TRUE(combo.IsControlOfClass(&host, u"ComboBox"));
  EXPECT_FALSE(combo.IsControlOfClass(&host, u"combobox"));
  EXPECT_FALSE(combo.IsControlOfClass(&host, u"ComboBo"));
  EXPECT_FALSE(combo.IsControlOfClass(&host, u"ComboBoxEx"));
  EXPECT_FALSE(combo.IsControlOfClass(&host, u""));
  EXPECT_FALSE(combo.IsControlOfClass(nullptr, u"ComboBox"));
  EXPECT_FALSE(stat.IsControlOfClass(&host, u"ComboBox"));
  EXPECT_TRUE(stat.IsControlOfClass(&host, u"Static"));
  EXPECT_FALSE(unreadable.IsControlOfClass(&host, u"SysListView32"));
  EXPECT_FALSE(missing.IsControlOfClass(&host, u"ComboBox"));
}

TEST(LangResRecordTest, AnUnsetIdIsNoControlAndTheWindowIsNotAsked) {
  FakeControlHost host;
  host.Add(kLangFieldUnset, plat::kClassComboBox);
  const CComboBoxResInfo unset(u"CMB", kLangFieldUnset, u"x", 1);
  const CLangInfoBase defaulted;
  EXPECT_EQ(defaulted.Id(), kLangFieldUnset);
  EXPECT_FALSE(unset.IsControlOfClass(&host, u"ComboBox"));
  EXPECT_FALSE(unset.IsTargetControl(&host));
  EXPECT_FALSE(defaulted.IsControlOfClass(&host, u"ComboBox"));
  EXPECT_EQ(host.calls, 0);
}

TEST(LangResRecordTest, EachRecordKindTargetsItsOwnControlClass) {
  FakeControlHost host;
  host.Add(kComboId, plat::kClassComboBox);
  host.Add(kListId, plat::kClassListView);
  host.Add(kStaticId, plat::kClassStatic);

  const CStringResInfo stringOnCombo(u"STR_1000", kComboId, u"x");
  const CCaptionResInfo captionOnCombo(u"CAP_1000", kComboId, u"x");
  const CComboBoxResInfo comboOnCombo(u"CMB_1000", kComboId, u"x", 1);
  const CComboBoxResInfo comboOnList(u"CMB_1010", kListId, u"x", 1);
  const CListCtrlResInfo listOnList(u"COL_1010", kListId, u"x", 0, 10, 0);
  const CListCtrlResInfo listOnCombo(u"COL_1000", kComboId, u"x", 0, 10, 0);
  const CListCtrlResInfo listOnStatic(u"COL_1002", kStaticId, u"x", 0, 10, 0);

  EXPECT_FALSE(stringOnCombo.IsTargetControl(&host));
  EXPECT_FALSE(captionOnCombo.IsTargetControl(&host));
  EXPECT_TRUE(comboOnCombo.IsTargetControl(&host));
  EXPECT_FALSE(comboOnList.IsTargetControl(&host));
  EXPECT_TRUE(listOnList.IsTargetControl(&host));
  EXPECT_FALSE(listOnCombo.IsTargetControl(&host));
  EXPECT_FALSE(listOnStatic.IsTargetControl(&host));
  EXPECT_FALSE(comboOnCombo.IsTargetControl(nullptr));

  // Through the base class the overrides still decide.
  const CLangInfoBase& asBase = listOnList;
  EXPECT_TRUE(asBase.IsTargetControl(&host));
}

// ---- Operations on a loaded table ----------------------------------------------------

class LangResApplyTest : public ::testing::Test {
 protected:
  void Load(const std::string& content) {
    ASSERT_TRUE(langtest::WriteLangFile(dir_, "0409.DAT", content));
    ASSERT_EQ(table_.SelectLanguageFile(langtest::U16(dir_), kLangIdEnglish, kLangIdEnglish),
              kLangFileRequested);
    ASSERT_EQ(table_.LoadResources(u"DLG"), kLangOk);
  }

  std::string dir_ = testenv::MakeTempDir("apply");
  CLangResTable table_;
  FakeControlHost host_;
};

TEST_F(LangResApplyTest, CaptionsGoToExistingControlsOfAnyKind) {
  host_.Add(kEditId, plat::kClassEdit).text = u"template";
  host_.Add(kButtonId, plat::kClassButton).text = u"OK";
  host_.Add(kStaticId, plat::kClassStatic).text = u"unchanged";
  Load("[DLG_CAP]\nCAP_1000=No such control\nCAP_1001=Name\nCAP_1=Confirm\n"
       "CAP_1001=Name again\n");
  table_.ApplyCaptions(&host_);
  EXPECT_EQ(host_.controls[kEditId].text, u"Name again");
  EXPECT_EQ(host_.controls[kButtonId].text, u"Confirm");
  EXPECT_EQ(host_.controls[kStaticId].text, u"unchanged");
  EXPECT_EQ(host_.controls.count(kComboId), 0u);
}

TEST_F(LangResApplyTest, NothingHappensWithoutAWindow) {
  Load("[DLG_CAP]\nCAP_1001=Name\n[DLG_CMB]\nCMB_1000=English||1\n"
       "[DLG_LSTCTRL]\nCOL_1010=Port||0||10||0\n");
  table_.ApplyCaptions(nullptr);
  table_.FillComboBoxes(nullptr);
  table_.SetupListColumns(nullptr);
  // The table is unharmed: a real window afterwards gets every record.
  FakeControl& edit = host_.Add(kEditId, plat::kClassEdit);
  FakeControl& combo = host_.Add(kComboId, plat::kClassComboBox);
  FakeControl& list = host_.Add(kListId, plat::kClassListView);
  table_.ApplyCaptions(&host_);
  table_.FillComboBoxes(&host_);
  table_.SetupListColumns(&host_);
  EXPECT_EQ(edit.text, u"Name");
  ASSERT_EQ(combo.items.size(), 1u);
  EXPECT_EQ(combo.items[0].second, 1);
  ASSERT_EQ(list.columns.size(), 1u);
  EXPECT_EQ(list.columns[0].text, u"Port");
}

TEST_F(LangResApplyTest, ComboItemsArriveInFileOrderWithTheirData) {
  FakeControl& combo = host_.Add(kComboId, plat::kClassComboBox);
  combo.items.push_back({u"Existing", 7});
  FakeControl& label = host_.Add(kStaticId, plat::kClassStatic);
  Load("[DLG_CMB]\n"
       "LANG_1000=English||0x0409\n"
       "LANG_1002=Not a combo||0x0409\n"
       "LANG_1000=Japanese||0x0411\n"
       "LANG_1003=Missing control||1\n"
       "LANG_1000=Invalid data||xyz\n");
  table_.FillComboBoxes(&host_);
  ASSERT_EQ(combo.items.size(), 4u);
  EXPECT_EQ(combo.items[0].first, u"Existing");
  EXPECT_EQ(combo.items[0].second, 7);
  EXPECT_EQ(combo.items[1].first, u"English");
  EXPECT_EQ(combo.items[1].second, 0x0409);
  EXPECT_EQ(combo.items[2].first, u"Japanese");
  EXPECT_EQ(combo.items[2].second, 0x0411);
  EXPECT_EQ(combo.items[3].first, u"Invalid data");
  EXPECT_EQ(combo.items[3].second, kLangFieldUnset);
  EXPECT_TRUE(label.items.empty());
}

TEST_F(LangResApplyTest, ASortedComboKeepsEachItemWithItsData) {
  FakeControl& combo = host_.Add(kComboId, plat::kClassComboBox);
  combo.sorted = true;
  Load("[DLG_CMB]\nLANG_1000=Japanese||0x0411\nLANG_1000=English||0x0409\n"
       "LANG_1000=German||0x0407\n");
  table_.FillComboBoxes(&host_);
  ASSERT_EQ(combo.items.size(), 3u);
  EXPECT_EQ(combo.items[0].first, u"English");
  EXPECT_EQ(combo.items[0].second, 0x0409);
  EXPECT_EQ(combo.items[1].first, u"German");
  EXPECT_EQ(combo.items[1].second, 0x0407);
  EXPECT_EQ(combo.items[2].first, u"Japanese");
  EXPECT_EQ(combo.items[2].second, 0x0411);
}

TEST_F(LangResApplyTest, AComboThatRefusesAnItemGetsNoDataAndTheRestIsStillApplied) {
  FakeControl& full = host_.Add(kComboId, plat::kClassComboBox);
  full.refuseItems = true;
  full.items.push_back({u"Kept", 3});
  FakeControl& other = host_.Add(1004, plat::kClassComboBox);
  Load("[DLG_CMB]\nLANG_1000=Refused||5\nMODE_1004=Accepted||6\n");
  table_.FillComboBoxes(&host_);
  ASSERT_EQ(full.items.size(), 1u);
  EXPECT_EQ(full.items[0].second, 3);
  ASSERT_EQ(other.items.size(), 1u);
  EXPECT_EQ(other.items[0].first, u"Accepted");
  EXPECT_EQ(other.items[0].second, 6);
}

TEST_F(LangResApplyTest, AnExistingColumnIsRenamedAndRealignedKeepingItsWidthAndOtherBits) {
  constexpr int kOtherFormatBits = 0x0100;
  FakeControl& list = host_.Add(kListId, plat::kClassListView);
  list.columns.push_back({u"old", 77, kOtherFormatBits | plat::kColumnFormatRight});
  Load("[DLG_LSTCTRL]\nCOL_1010=Printer||0||-1||1\n");
  table_.SetupListColumns(&host_);
  ASSERT_EQ(list.columns.size(), 1u);
  EXPECT_EQ(list.columns[0].text, u"Printer");
  EXPECT_EQ(list.columns[0].width, 77);
  EXPECT_EQ(list.columns[0].format, kOtherFormatBits | plat::kColumnFormatCenter);
}

TEST_F(LangResApplyTest, AMissingColumnIsInsertedCentredWithTheDefaultWidth) {
  FakeControl& list = host_.Add(kListId, plat::kClassListView);
  Load("[DLG_LSTCTRL]\nCOL_1010=Printer||0||-1||1\n");
  table_.SetupListColumns(&host_);
  ASSERT_EQ(list.columns.size(), 1u);
  EXPECT_EQ(list.columns[0].text, u"Printer");
  EXPECT_EQ(list.columns[0].width, FakeControlHost::kDefaultColumnWidth);
  EXPECT_EQ(list.columns[0].format, plat::kColumnFormatCenter);
}

TEST_F(LangResApplyTest, ColumnsFollowTheirLinesWithWidthsAndAlignments) {
  FakeControl& list = host_.Add(kListId, plat::kClassListView);
  list.columns.push_back({u"a", 10, plat::kColumnFormatCenter});
  list.columns.push_back({u"b", 20, plat::kColumnFormatCenter});
  host_.Add(kStaticId, plat::kClassStatic);
  Load("[DLG_LSTCTRL]\n"
       "COL_1010=Name||0||100||0\n"
       "COL_1010=Port||1||120||2\n"
       "COL_1010=Status||2||90||7\n"
       "COL_1010=Model||3||80||right\n"
       "COL_1010=No index||x||80||1\n"
       "COL_1002=On a static||0||80||1\n"
       "COL_1099=Missing list||0||80||1\n");
  table_.SetupListColumns(&host_);
  ASSERT_EQ(list.columns.size(), 4u);
  EXPECT_EQ(list.columns[0].text, u"Name");
  EXPECT_EQ(list.columns[0].width, 100);
  EXPECT_EQ(list.columns[0].format, plat::kColumnFormatLeft);
  EXPECT_EQ(list.columns[1].text, u"Port");
  EXPECT_EQ(list.columns[1].width, 120);
  EXPECT_EQ(list.columns[1].format, plat::kColumnFormatRight);
  EXPECT_EQ(list.columns[2].text, u"Status");
  EXPECT_EQ(list.columns[2].width, 90);
  EXPECT_EQ(list.columns[2].format, plat::kColumnFormatLeft);
  EXPECT_EQ(list.columns[3].text, u"Model");
  EXPECT_EQ(list.columns[3].format, plat::kColumnFormatLeft);
  EXPECT_TRUE(host_.controls[kStaticId].columns.empty());
  // The line without a column index was never put to the list.
  EXPECT_EQ(host_.negativeColumnRequests, 0);
}

TEST_F(LangResApplyTest, NewColumnsAreInsertedAtTheirLinesIndexes) {
  FakeControl& list = host_.Add(kListId, plat::kClassListView);
  list.columns.push_back({u"a", 10, plat::kColumnFormatLeft});
  Load("[DLG_LSTCTRL]\nCOL_1010=Second||1||20||2\nCOL_1010=Third||2||30||1\n"
       "COL_1010=First||0||15||0\n");
  table_.SetupListColumns(&host_);
  ASSERT_EQ(list.columns.size(), 3u);
  EXPECT_EQ(list.columns[0].text, u"First");
  EXPECT_EQ(list.columns[0].width, 15);
  EXPECT_EQ(list.columns[1].text, u"Second");
  EXPECT_EQ(list.columns[1].format, plat::kColumnFormatRight);
  EXPECT_EQ(list.columns[2].text, u"Third");
  EXPECT_EQ(list.columns[2].width, 30);
  EXPECT_EQ(list.columns[2].format, plat::kColumnFormatCenter);
}

}  // namespace
