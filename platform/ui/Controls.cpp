#include "platform/ui/Controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTextEdit>

#include "platform/ui/ReportList.h"

namespace plat {
namespace {
const char kIdProperty[] = "xjControlId";
const char kClassNameProperty[] = "xjControlClassName";

ReportList* ListOf(const QWidget* parent, int id) { return qobject_cast<ReportList*>(FindChildById(parent, id)); }
}  // namespace

void SetControlId(QWidget* control, int id) {
  if (control) control->setProperty(kIdProperty, id);
}

int ControlId(const QWidget* control) {
  if (!control) return -1;
  const QVariant v = control->property(kIdProperty);
  return v.isValid() ? v.toInt() : -1;
}

QWidget* FindChildById(const QWidget* parent, int id) {
  if (!parent) return nullptr;
  const QList<QWidget*> children = parent->findChildren<QWidget*>();
  for (QWidget* child : children)
    if (ControlId(child) == id) return child;
  return nullptr;
}

void SetControlClassName(QWidget* control, std::u16string_view className) {
  if (control) control->setProperty(kClassNameProperty, ToQString(className));
}

std::u16string ControlClassName(const QWidget* control) {
  if (!control) return {};
  const QVariant given = control->property(kClassNameProperty);
  if (given.isValid()) return FromQString(given.toString());
  if (qobject_cast<const QComboBox*>(control)) return std::u16string(kClassComboBox);
  if (qobject_cast<const ReportList*>(control)) return std::u16string(kClassListView);
  if (qobject_cast<const QListWidget*>(control)) return u"ListBox";
  if (qobject_cast<const QLabel*>(control)) return std::u16string(kClassStatic);
  if (qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QGroupBox*>(control))
    return std::u16string(kClassButton);
  if (qobject_cast<const QLineEdit*>(control) || qobject_cast<const QTextEdit*>(control))
    return std::u16string(kClassEdit);
  if (qobject_cast<const QProgressBar*>(control)) return u"msctls_progress32";
  return FromQString(QString::fromLatin1(control->metaObject()->className()));
}

QString ToQString(std::u16string_view text) {
  QString s = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

std::u16string FromQString(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

void ShowControl(QWidget* control, bool show) {
  if (!control) return;
  control->setVisible(show);
  if (!show) control->setEnabled(false);
}

void SetControlText(QWidget* control, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(control)) label->setText(text);
  else if (auto* button = qobject_cast<QAbstractButton*>(control)) button->setText(text);
  else if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->setText(text);
  else if (auto* box = qobject_cast<QGroupBox*>(control)) box->setTitle(text);
  else if (control) control->setWindowTitle(text);
}

QString ControlText(const QWidget* control) {
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (auto* box = qobject_cast<const QGroupBox*>(control)) return box->title();
  if (auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentText();
  return control ? control->windowTitle() : QString();
}

bool QtControlHost::HasChild(int id) const { return FindChildById(parent_, id) != nullptr; }

bool QtControlHost::GetChildClassName(int id, std::u16string& className) const {
  QWidget* child = FindChildById(parent_, id);
  if (!child) return false;
  className = ControlClassName(child);
  return !className.empty();
}

bool QtControlHost::SetChildText(int id, std::u16string_view text) {
  QWidget* child = FindChildById(parent_, id);
  if (!child) return false;
  SetControlText(child, ToQString(text));
  return true;
}

int QtControlHost::ComboAddString(int id, std::u16string_view text) {
  auto* combo = qobject_cast<QComboBox*>(FindChildById(parent_, id));
  if (!combo) return -1;
  combo->addItem(ToQString(text));
  return combo->count() - 1;
}

bool QtControlHost::ComboSetItemData(int id, int position, std::intptr_t data) {
  auto* combo = qobject_cast<QComboBox*>(FindChildById(parent_, id));
  if (!combo || position < 0 || position >= combo->count()) return false;
  combo->setItemData(position, QVariant::fromValue<qlonglong>(data));
  return true;
}

bool QtControlHost::ListGetColumn(int id, int index, ListColumn& column) const {
  ReportList* list = ListOf(parent_, id);
  return list && list->GetColumn(index, column);
}

int QtControlHost::ListInsertColumn(int id, int index, const ListColumn& column) {
  ReportList* list = ListOf(parent_, id);
  return list ? list->InsertColumn(index, column) : -1;
}

bool QtControlHost::ListSetColumn(int id, int index, const ListColumn& column) {
  ReportList* list = ListOf(parent_, id);
  return list && list->SetColumn(index, column);
}

}  // namespace plat
