// A setting page's widgets over its data block: what it shows, the leave question's
// three answers, Reset, and Apply in file mode (no printer: only the block changes).
#include <gtest/gtest.h>

#include <QWidget>
#include <cstring>

#include "app/settings/PluginDataMgr.h"
#include "platform/Text.h"
#include "plugins/common/CSettingPageCtrl.h"
#include "plugins/common/CSettingPageView.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/SettingBlocks.h"
#include "tests/support/MessageBoxRecorder.h"

namespace {

PageDef TestPage() {
  PageDef page;
  page.blockId = kPaperSavingBlockId;
  page.blockSize = kPaperSavingBlockSize;
  page.resourceKey = u"TEST_PAGE";
  page.title = u"Test Page";
  using S = SettingDef::Source;
  page.settings = {
      {S::kCustomValue, 101, 0, 32, -1, u"Top margin", {}, 0},
      {S::kCustomValue, 6, 0, 36, -1, u"Speed", {{1, -1, u"Slow"}, {9, -1, u"Fast"}}, 9},
  };
  return page;
}

class SettingPageViewTest : public ::testing::Test {
 protected:
  SettingPageViewTest() : controller_(TestPage()) {
    std::memset(&block_, 0, sizeof block_);
    block_.dataMgr = &manager_;
    block_.langId = kLangIdEnglish;
    plat::CopyText(block_.langFolder, plat::FromUtf8(XJ_LANG_DIR));
    manager_.AddBlock(kPaperSavingBlockId, kSettingBlockVersion, kPaperSavingBlockSize);
    pane_.resize(600, 400);
    EXPECT_EQ(controller_.Initialize(&block_, nullptr, &pane_), kFormCtrlOk);
    controller_.SetDefaultData(kPaperSavingBlockId);
    view_ = controller_.SettingView();
    view_->LoadFromBlock();
    EXPECT_TRUE(boxes_.All().empty()) << "the page's start asked nothing";
  }

  std::int32_t Stored(std::size_t setting) {
    Block block = DefaultBlock(controller_.Page());
    manager_.GetData(kPaperSavingBlockId, block.data(), static_cast<std::int32_t>(block.size()));
    return FieldValue(block, controller_.Page().settings[setting]);
  }

  MessageBoxRecorder boxes_{plat::IDNO};
  QWidget pane_;
  PluginDataMgr manager_;
  AppSettingsBlock block_;
  CSettingPageCtrl controller_;
  CSettingPageView* view_ = nullptr;
};

TEST_F(SettingPageViewTest, ThePageShowsItsBlockAndAsksBeforeUnappliedChangesAreLost) {
  ASSERT_NE(view_, nullptr);
  ASSERT_NE(view_->CheckOf(0), nullptr);
  ASSERT_NE(view_->ComboOf(1), nullptr);
  EXPECT_EQ(view_->ComboOf(1)->currentData().toInt(), 9);
  EXPECT_FALSE(view_->IsModified());
  EXPECT_EQ(view_->QueryLeave(), kPluginOk);
  EXPECT_TRUE(boxes_.All().empty()) << "nothing changed, nothing to ask";

  view_->CheckOf(0)->setChecked(true);
  EXPECT_TRUE(view_->IsModified());
  boxes_.AnswerQuestionsWith(plat::IDCANCEL);
  EXPECT_EQ(view_->QueryLeave(), kPluginLeaveRefused);
  EXPECT_TRUE(view_->CheckOf(0)->isChecked()) << "Cancel keeps the change on the page";
  ASSERT_EQ(boxes_.All().size(), 1u);
  EXPECT_EQ(boxes_.Texts()[0], u"Apply the changed settings?");

  boxes_.AnswerQuestionsWith(plat::IDNO);
  EXPECT_EQ(view_->QueryLeave(), kPluginOk);
  EXPECT_FALSE(view_->CheckOf(0)->isChecked()) << "No discards the change";
  EXPECT_EQ(Stored(0), 0);
}

TEST_F(SettingPageViewTest, InFileModeApplyOnlyUpdatesTheBlock) {
  block_.mode = 4;
  view_->ComboOf(1)->setCurrentIndex(view_->ComboOf(1)->findData(1));
  view_->CheckOf(0)->setChecked(true);
  boxes_.AnswerQuestionsWith(plat::IDYES);
  EXPECT_EQ(view_->QueryLeave(), kPluginOk);
  EXPECT_EQ(Stored(0), 1);
  EXPECT_EQ(Stored(1), 1);
  EXPECT_FALSE(view_->IsModified());

  // Reset goes back to the block, not to the defaults.
  view_->CheckOf(0)->setChecked(false);
  view_->Reset();
  EXPECT_TRUE(view_->CheckOf(0)->isChecked());
}

TEST_F(SettingPageViewTest, AValueThePageDoesNotKnowIsShownAsItIs) {
  Block block = DefaultBlock(controller_.Page());
  SetFieldValue(block, controller_.Page().settings[1], 4);
  manager_.SetData(kPaperSavingBlockId, static_cast<std::int32_t>(block.size()), block.data());
  view_->LoadFromBlock();
  EXPECT_EQ(view_->ComboOf(1)->currentData().toInt(), 4);
  EXPECT_EQ(view_->ComboOf(1)->currentText(), QString("4"));
  EXPECT_FALSE(view_->IsModified()) << "showing a value is no change";
}

}  // namespace
