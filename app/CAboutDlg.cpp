#include "app/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "platform/ui/Controls.h"
#include "platform/ui/DialogUnits.h"

namespace {
constexpr int IDOK_BUTTON = 1;
constexpr char16_t kAboutTitle[] = u"Version Information";
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(plat::ToQString(kAboutTitle));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  const plat::DialogBaseUnits units = plat::BaseUnitsOf(font());
  setFixedSize(plat::DluSize(units, kWidthDlu, kHeightDlu));

  product_ = new QLabel(this);
  product_->setText(plat::ToQString(std::u16string(kUtilityModelName) + u" Utility " + kUtilityVersionText));
  product_->setGeometry(plat::DluRect(units, 10, 10, 150, 10));
  plat::SetControlId(product_, IDC_PRODUCT);

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setGeometry(plat::DluRect(units, 113, 41, 50, 14));
  ok_->setDefault(true);
  plat::SetControlId(ok_, IDOK_BUTTON);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;
