#include "comm/ToolRunningDlg.h"

#include <QCloseEvent>
#include <QLabel>

#include "platform/ui/Controls.h"
#include "platform/ui/DialogUnits.h"

namespace {
// Template size of the running windows, in dialog units.
constexpr int kWidthDlu = 160;
constexpr int kHeightDlu = 40;
constexpr int kMarginDlu = 10;
}  // namespace

ToolRunningDlg::ToolRunningDlg(int templateId, const QString& title, int textId, const QString& text,
                               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), text_(new QLabel(this)) {
  setObjectName(QStringLiteral("ToolRunningDlg%1").arg(templateId));
  setModal(true);
  const plat::DialogBaseUnits units = plat::BaseUnitsOf(font());
  setFixedSize(plat::DluSize(units, kWidthDlu, kHeightDlu));
  text_->setGeometry(plat::DluRect(units, kMarginDlu, kMarginDlu, kWidthDlu - 2 * kMarginDlu, kHeightDlu - 2 * kMarginDlu));
  text_->setAlignment(Qt::AlignCenter);
  text_->setWordWrap(true);
  plat::SetControlId(text_, textId);
  SetTexts(title, text);
}

void ToolRunningDlg::SetTexts(const QString& title, const QString& text) {
  setWindowTitle(title);
  text_->setText(text);
}

void ToolRunningDlg::Finish() {
  finished_ = true;
  if (isVisible()) done(QDialog::Accepted);
}

void ToolRunningDlg::Run() {
  if (!finished_) exec();
}

void ToolRunningDlg::reject() {
  // Escape does not end the window while the tool runs.
  if (finished_) QDialog::reject();
}

void ToolRunningDlg::closeEvent(QCloseEvent* event) {
  if (finished_) {
    QDialog::closeEvent(event);
  } else {
    event->ignore();
  }
}
