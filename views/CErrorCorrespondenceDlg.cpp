#include "views/CErrorCorrespondenceDlg.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "lang/CLangResTable.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogUnits.h"
#include "views/CStaticPictureItem.h"

namespace {
constexpr int IDOK_BUTTON = 1;

// String entry index of key's table, or def when the language files have none.
std::u16string LoadText(std::u16string_view folder, std::int32_t langId, std::u16string_view key, int index,
                        std::u16string_view def) {
  CLangResTable table;
  table.SelectLanguageFile(folder, langId, kLangIdEnglish);
  table.LoadResources(key);
  return table.StringOr(index, def);
}
}  // namespace

CErrorCorrespondenceDlg::CErrorCorrespondenceDlg(std::int32_t errorCode, std::int32_t langId,
                                                 std::u16string langFolder, QWidget* parent)
    : QDialog(parent), errorCode_(errorCode), langId_(langId), langFolder_(std::move(langFolder)) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("Dialog"));
  const plat::DialogBaseUnits units = plat::BaseUnitsOf(font());
  setFixedSize(plat::DluSize(units, kWidthDlu, kHeightDlu));

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setGeometry(plat::DluRect(units, 108, 78, 54, 21));
  ok_->setDefault(true);
  plat::SetControlId(ok_, IDOK_BUTTON);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

  guidance_ = new QLabel(this);
  guidance_->setGeometry(plat::DluRect(units, 12, 12, 240, 57));
  guidance_->setWordWrap(true);
  guidance_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  guidance_->setTextFormat(Qt::PlainText);
  plat::SetControlId(guidance_, IDC_GUIDANCE);

  placeholder_ = new CStaticPictureItem(this);
  placeholder_->setGeometry(plat::DluRect(units, 30, 81, 15, 13));
  placeholder_->hide();
  plat::SetControlId(placeholder_, IDC_PLACEHOLDER);
}

CErrorCorrespondenceDlg::~CErrorCorrespondenceDlg() = default;

void CErrorCorrespondenceDlg::showEvent(QShowEvent* event) {
  if (!initialized_) {
    initialized_ = true;
    OnInitDialog();
  }
  QDialog::showEvent(event);
}

bool CErrorCorrespondenceDlg::OnInitDialog() {
  initialized_ = true;
  if (errorCode_ != kErrorCodeFatal && errorCode_ != kErrorCodeAutoCutter) return false;

  setWindowTitle(plat::ToQString(
      LoadText(langFolder_, langId_, kPrinterStatusResourceKey, errorCode_, kErrorDialogDefaultTitle)));
  guidance_->setText(plat::ToQString(LoadText(langFolder_, langId_, kErrorGuidanceResourceKey, errorCode_, u"")));

  // Layout in pixels, from the controls' current rectangles.
  int w = width();
  int textHeight = guidance_->height();
  const QSize button = ok_->size();
  int extra = 0;
  int h = button.height() + textHeight + kHeightExtra;
  const QSize place = placeholder_->size();
  if (errorCode_ == kErrorCodeAutoCutter && place.width() >= w + 2 * kMargin) w = place.width() + 2 * kMargin;
  // A guidance text longer than the template's text box makes the box, and with it the
  // dialog, taller, so no line is cut off.
  const int needed = guidance_->heightForWidth(w - 2 * kMargin);
  if (needed > textHeight) {
    h += needed - textHeight;
    textHeight = needed;
  }
  if (errorCode_ == kErrorCodeAutoCutter) {
    h += place.height() + kMargin;
    extra = place.height() + kMargin;
    placeholder_->move(w / 2 - place.width() / 2, textHeight + 2 * kMargin);
  }
  setFixedSize(w, h);
  guidance_->setGeometry(kMargin, kMargin, w - 2 * kMargin, textHeight);
  ok_->move(w / 2 - button.width() / 2, extra + textHeight + 2 * kMargin);
  return true;
}
