#include "comm/Ipv4AddressEdit.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <algorithm>

namespace {
constexpr int kPartDigits = 3;
}  // namespace

Ipv4AddressEdit::Ipv4AddressEdit(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  // Digits only; the range is enforced when a part is left (ClampPart), so typing
  // "300" gives 255 as the platform's address field does.
  auto* validator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
  for (int i = 0; i < kPartCount; ++i) {
    if (i > 0) {
      auto* dot = new QLabel(QStringLiteral("."), this);
      dot->setAlignment(Qt::AlignCenter);
      layout->addWidget(dot);
    }
    auto* part = new QLineEdit(this);
    part->setValidator(validator);
    part->setMaxLength(kPartDigits);
    part->setAlignment(Qt::AlignCenter);
    part->installEventFilter(this);
    connect(part, &QLineEdit::textEdited, this, [this, i] { OnPartEdited(i); });
    connect(part, &QLineEdit::textChanged, this, &Ipv4AddressEdit::AddressChanged);
    connect(part, &QLineEdit::editingFinished, this, [this, i] { ClampPart(i); });
    parts_[static_cast<std::size_t>(i)] = part;
    layout->addWidget(part, 1);
  }
  setFocusProxy(parts_[0]);
}

QLineEdit* Ipv4AddressEdit::Part(int index) const {
  return index >= 0 && index < kPartCount ? parts_[static_cast<std::size_t>(index)] : nullptr;
}

void Ipv4AddressEdit::SetAddress(std::uint32_t address) {
  for (int i = 0; i < kPartCount; ++i) {
    const unsigned value = (address >> (8 * (kPartCount - 1 - i))) & 0xFFu;
    Part(i)->setText(QString::number(value));
  }
}

void Ipv4AddressEdit::ClearAddress() {
  for (QLineEdit* part : parts_) part->clear();
}

int Ipv4AddressEdit::GetAddress(std::uint32_t& address) const {
  int filled = 0;
  address = 0;
  for (int i = 0; i < kPartCount; ++i) {
    const QString text = Part(i)->text();
    unsigned value = 0;
    if (!text.isEmpty()) {
      ++filled;
      value = std::min<unsigned>(text.toUInt(), kPartMax);
    }
    address = (address << 8) | value;
  }
  return filled;
}

bool Ipv4AddressEdit::IsBlank() const {
  for (QLineEdit* part : parts_)
    if (!part->text().isEmpty()) return false;
  return true;
}

void Ipv4AddressEdit::ClampPart(int index) {
  QLineEdit* part = Part(index);
  if (!part->text().isEmpty() && part->text().toUInt() > static_cast<unsigned>(kPartMax))
    part->setText(QString::number(kPartMax));
}

void Ipv4AddressEdit::OnPartEdited(int index) {
  QLineEdit* part = Part(index);
  if (part->text().size() == kPartDigits && index + 1 < kPartCount) {
    ClampPart(index);
    Part(index + 1)->setFocus();
    Part(index + 1)->selectAll();
  }
}

bool Ipv4AddressEdit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    for (int i = 0; i < kPartCount; ++i) {
      if (watched != Part(i)) continue;
      // A dot (or blank) ends the part and moves on; backspace in an empty part goes back.
      if ((key->key() == Qt::Key_Period || key->key() == Qt::Key_Space) && i + 1 < kPartCount) {
        ClampPart(i);
        Part(i + 1)->setFocus();
        Part(i + 1)->selectAll();
        return true;
      }
      if (key->key() == Qt::Key_Backspace && Part(i)->text().isEmpty() && i > 0) {
        Part(i - 1)->setFocus();
        Part(i - 1)->end(false);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}
