#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "platform/ui/DialogUnits.h"
#include "views/CErrorCorrespondenceDlg.h"
#include "tests/views/ViewsTestSupport.h"
#include "views/CStaticPictureItem.h"

using namespace viewstest;

namespace {
QSize TemplateSize(const QWidget& dlg) {
  return plat::DluSize(plat::BaseUnitsOf(dlg.font()), CErrorCorrespondenceDlg::kWidthDlu,
                       CErrorCorrespondenceDlg::kHeightDlu);
}
}  // namespace

TEST(ErrorCorrespondenceDlg, FatalErrorTakesItsTextsAndSizesAroundTheBody) {
  const std::string folder = MakeLangFolder(true, false);
  CErrorCorrespondenceDlg dlg(kErrorCodeFatal, 0x0409, plat::FromUtf8(folder));
  const QSize templ = TemplateSize(dlg);
  const QRect textBefore = dlg.Guidance()->geometry();
  const QSize button = dlg.OkButton()->size();
  ASSERT_TRUE(dlg.OnInitDialog());

  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Fatal Error"));
  EXPECT_TRUE(dlg.Guidance()->text().startsWith(QStringLiteral("A fatal error has occurred in the printer.\n1. ")));
  const QRect text = dlg.Guidance()->geometry();
  EXPECT_EQ(text.height(), textBefore.height());  // the text fits the template's box
  EXPECT_EQ(dlg.width(), templ.width());
  EXPECT_EQ(dlg.height(), button.height() + text.height() + 60);
  EXPECT_EQ(text, QRect(12, 12, dlg.width() - 24, text.height()));
  EXPECT_EQ(dlg.OkButton()->geometry(),
            QRect(dlg.width() / 2 - button.width() / 2, text.height() + 24, button.width(), button.height()));
  dlg.show();
  dlg.OkButton()->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(ErrorCorrespondenceDlg, AutoCutterErrorMakesRoomForThePlaceholder) {
  const std::string folder = MakeLangFolder(true, true);
  CErrorCorrespondenceDlg dlg(kErrorCodeAutoCutter, 0x0411, plat::FromUtf8(folder));
  const QSize button = dlg.OkButton()->size();
  const QSize place = dlg.Placeholder()->size();
  dlg.show();  // the initialisation runs at the first showing

  EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("オートカッターエラー"));
  EXPECT_TRUE(dlg.Guidance()->text().startsWith(QString::fromUtf8("オートカッターエラーが発生しました。")));
  const int textHeight = dlg.Guidance()->height();
  EXPECT_EQ(dlg.height(), button.height() + textHeight + 60 + place.height() + 12);
  EXPECT_EQ(dlg.OkButton()->y(), place.height() + 12 + textHeight + 24);
  EXPECT_EQ(dlg.OkButton()->x(), dlg.width() / 2 - button.width() / 2);
  EXPECT_EQ(dlg.Placeholder()->geometry(),
            QRect(dlg.width() / 2 - place.width() / 2, textHeight + 24, place.width(), place.height()));
  EXPECT_FALSE(dlg.Placeholder()->isVisible());
  EXPECT_TRUE(dlg.Placeholder()->GetImage().isNull());
}

TEST(ErrorCorrespondenceDlg, OtherCodesKeepTheTemplate) {
  const std::string folder = MakeLangFolder(true, false);
  CErrorCorrespondenceDlg dlg(4, 0x0409, plat::FromUtf8(folder));
  const QRect okBefore = dlg.OkButton()->geometry();
  const QRect textBefore = dlg.Guidance()->geometry();
  EXPECT_FALSE(dlg.OnInitDialog());
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Dialog"));
  EXPECT_EQ(dlg.size(), TemplateSize(dlg));
  EXPECT_EQ(dlg.OkButton()->geometry(), okBefore);
  EXPECT_EQ(dlg.Guidance()->geometry(), textBefore);
  EXPECT_TRUE(dlg.Guidance()->text().isEmpty());

  // Without language files a known code gets the default title and an empty body.
  CErrorCorrespondenceDlg bare(kErrorCodeFatal, 0x0411, plat::FromUtf8(MakeLangFolder(false, false)));
  ASSERT_TRUE(bare.OnInitDialog());
  EXPECT_EQ(bare.windowTitle(), QStringLiteral("error"));
  EXPECT_TRUE(bare.Guidance()->text().isEmpty());
  EXPECT_EQ(bare.height(), bare.OkButton()->height() + bare.Guidance()->height() + 60);
}

TEST(ErrorCorrespondenceDlg, LongGuidanceGrowsTheTextBoxInsteadOfCuttingIt) {
  const std::string folder = testenv::MakeTempDir("lang");
  std::string body = "STR_3=";
  for (int i = 1; i <= 14; ++i) body += "Step " + std::to_string(i) + ": do the next thing carefully.\\n";
  testenv::WriteFile(folder + "/0409.DAT", "[DLG_ERR_CORR_MSG_STR]\n" + body + "\n");
  CErrorCorrespondenceDlg dlg(kErrorCodeFatal, 0x0409, plat::FromUtf8(folder));
  const int templateTextHeight = dlg.Guidance()->height();
  ASSERT_TRUE(dlg.OnInitDialog());
  const int textHeight = dlg.Guidance()->height();
  EXPECT_GT(textHeight, templateTextHeight);
  EXPECT_GE(textHeight, dlg.Guidance()->heightForWidth(dlg.Guidance()->width()));
  EXPECT_EQ(dlg.height(), dlg.OkButton()->height() + textHeight + 60);
  EXPECT_EQ(dlg.OkButton()->y(), textHeight + 24);
}
