#include "lang/CSelectLangDlg.h"

#include <QComboBox>
#include <QHideEvent>
#include <QPushButton>

#include "sdk/AppSettingsBlock.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogUnits.h"

namespace {
constexpr int IDOK_BUTTON = 1;
constexpr int IDCANCEL_BUTTON = 2;
constexpr int kTitleStringIndex = 0;
const QString kTemplateOk = QStringLiteral("OK");
const QString kTemplateCancel = QStringLiteral("Cancel");
}  // namespace

CSelectLangDlg::CSelectLangDlg(QWidget* parent) : QDialog(parent), settings_(std::make_unique<AppSettingsBlock>()) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setWindowTitle(plat::ToQString(kSelectLangDefaultTitle));
  const plat::DialogBaseUnits units = plat::BaseUnitsOf(font());
  setFixedSize(plat::DluSize(units, kWidthDlu, kHeightDlu));

  combo_ = new QComboBox(this);
  const QRect comboRect = plat::DluRect(units, 7, 8, 151, 14);
  combo_->setGeometry(comboRect.x(), comboRect.y(), comboRect.width(),
                      std::max(comboRect.height(), combo_->sizeHint().height()));
  combo_->setMaxVisibleItems(10);
  plat::SetControlId(combo_, IDC_LANGUAGE);
  connect(combo_, &QComboBox::currentIndexChanged, this, [this] { UpdateOkButton(); });

  ok_ = new QPushButton(kTemplateOk, this);
  ok_->setGeometry(plat::DluRect(units, 52, 31, 50, 14));
  ok_->setDefault(true);
  plat::SetControlId(ok_, IDOK_BUTTON);
  connect(ok_, &QPushButton::clicked, this, &CSelectLangDlg::OnOK);

  cancel_ = new QPushButton(kTemplateCancel, this);
  cancel_->setGeometry(plat::DluRect(units, 108, 31, 50, 14));
  plat::SetControlId(cancel_, IDCANCEL_BUTTON);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

CSelectLangDlg::~CSelectLangDlg() = default;

void CSelectLangDlg::showEvent(QShowEvent* event) {
  if (!initialized_) {
    initialized_ = true;
    OnInitDialog();
  }
  QDialog::showEvent(event);
}

void CSelectLangDlg::hideEvent(QHideEvent* event) {
  // The next showing starts from the template again, as a fresh dialog would.
  if (!event->spontaneous()) initialized_ = false;
  QDialog::hideEvent(event);
}

void CSelectLangDlg::OnInitDialog() {
  initialized_ = true;
  combo_->clear();
  ok_->setText(kTemplateOk);
  cancel_->setText(kTemplateCancel);

  plat::QtControlHost host(this);
  table_.ApplyCaptions(&host);
  table_.FillComboBoxes(&host);
  setWindowTitle(plat::ToQString(table_.StringOr(kTitleStringIndex, kSelectLangDefaultTitle)));

  combo_->setCurrentIndex(-1);
  for (int i = 0; i < combo_->count(); ++i) {
    const QVariant data = combo_->itemData(i);
    if (data.isValid() && data.toLongLong() == settings_->langId) {
      combo_->setCurrentIndex(i);
      break;
    }
  }
  UpdateOkButton();
}

void CSelectLangDlg::OnOK() {
  const int index = combo_->currentIndex();
  if (index < 0) return;
  const std::int32_t langId = static_cast<std::int32_t>(combo_->itemData(index).toLongLong());
  settings_->langId = langId;
  plat::CopyText(settings_->langCode, plat::FormatHex04(static_cast<std::uint32_t>(langId)));
  table_.SelectLanguageFile(plat::FieldText(settings_->langFolder), langId, kLangIdEnglish);
  table_.LoadResources(kSelectLangResourceKey);
  accept();
}

void CSelectLangDlg::UpdateOkButton() { ok_->setEnabled(combo_->currentIndex() >= 0); }
