#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <cstring>

#include "lang/CSelectLangDlg.h"
#include "tests/views/ViewsTestSupport.h"

using namespace viewstest;

namespace {
// Prepares the dialog as its owner does: copy of the block, table for the current
// language.
void Prepare(CSelectLangDlg& dlg, const std::string& folder, std::int32_t langId) {
  auto block = MakeSettings(folder, langId);
  std::memcpy(&dlg.Settings(), block.get(), sizeof(AppSettingsBlock));
  dlg.Table().SelectLanguageFile(plat::FromUtf8(folder), langId, kLangIdEnglish);
  dlg.Table().LoadResources(kSelectLangResourceKey);
}
}  // namespace

TEST(SelectLangDlg, PreselectsTheCurrentLanguageAndShowsTheTableTexts) {
  CSelectLangDlg dlg;
  Prepare(dlg, MakeLangFolder(true, true), 0x0411);
  dlg.show();
  QComboBox* combo = dlg.LanguageCombo();
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemData(0).toLongLong(), 0x0409);
  EXPECT_EQ(combo->itemData(1).toLongLong(), 0x0411);
  EXPECT_EQ(combo->currentIndex(), 1);
  EXPECT_EQ(combo->currentText(), QString::fromUtf8("日本語"));
  EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("言語の選択"));
  EXPECT_EQ(dlg.CancelButton()->text(), QString::fromUtf8("キャンセル"));
  EXPECT_TRUE(dlg.OkButton()->isEnabled());
}

TEST(SelectLangDlg, OkTakesTheSelectedLanguageAndReloadsTheTable) {
  CSelectLangDlg dlg;
  Prepare(dlg, MakeLangFolder(true, true), 0x0409);
  dlg.show();
  ASSERT_EQ(dlg.LanguageCombo()->currentIndex(), 0);
  EXPECT_EQ(dlg.Table().GetComboItemText(0x0411), u"Japanese");
  dlg.LanguageCombo()->setCurrentIndex(1);
  dlg.OkButton()->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.Settings().langId, 0x0411);
  EXPECT_EQ(plat::FieldText(dlg.Settings().langCode), u"0411");
  EXPECT_EQ(dlg.Table().LangId(), 0x0411);
  EXPECT_EQ(dlg.Table().GetComboItemText(0x0411), plat::FromUtf8("日本語"));
  // Shown again it starts afresh, now in Japanese: no item twice.
  dlg.show();
  EXPECT_EQ(dlg.LanguageCombo()->count(), 2);
  EXPECT_EQ(dlg.LanguageCombo()->currentIndex(), 1);
  EXPECT_EQ(dlg.CancelButton()->text(), QString::fromUtf8("キャンセル"));
}

TEST(SelectLangDlg, CancelChangesNothing) {
  CSelectLangDlg dlg;
  Prepare(dlg, MakeLangFolder(true, true), 0x0409);
  dlg.show();
  dlg.LanguageCombo()->setCurrentIndex(1);
  dlg.CancelButton()->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ(dlg.Settings().langId, 0x0409);
  EXPECT_EQ(plat::FieldText(dlg.Settings().langCode), u"0409");
  EXPECT_EQ(dlg.Table().LangId(), 0x0409);
}

TEST(SelectLangDlg, OkIsDisabledWhileNoLanguageIsSelected) {
  CSelectLangDlg dlg;
  Prepare(dlg, MakeLangFolder(true, true), 0x0407);  // not among the items; English texts
  dlg.show();
  EXPECT_EQ(dlg.LanguageCombo()->currentIndex(), -1);
  EXPECT_FALSE(dlg.OkButton()->isEnabled());
  dlg.OnOK();  // even when reached another way, no "-1" language is produced
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(dlg.Settings().langId, 0x0407);
  EXPECT_EQ(plat::FieldText(dlg.Settings().langCode), u"0407");
  dlg.LanguageCombo()->setCurrentIndex(0);
  EXPECT_TRUE(dlg.OkButton()->isEnabled());
}

TEST(SelectLangDlg, WithoutSectionsShowsTemplateTextsAndAnEmptyList) {
  const std::string folder = testenv::MakeTempDir("lang");
  testenv::WriteFile(folder + "/0409.DAT", "[CMN_STR]\nSTR_0=Okay\n");
  CSelectLangDlg dlg;
  Prepare(dlg, folder, 0x0409);
  dlg.show();
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Select Language"));
  EXPECT_EQ(dlg.LanguageCombo()->count(), 0);
  EXPECT_EQ(dlg.OkButton()->text(), QStringLiteral("OK"));
  EXPECT_EQ(dlg.CancelButton()->text(), QStringLiteral("Cancel"));
  EXPECT_FALSE(dlg.OkButton()->isEnabled());
}
