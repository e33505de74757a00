#pragma once
// Controls addressed by number, as code and language records address them. Every such
// control carries its id; its class name ("ComboBox", "SysListView32", "Static",
// "Button", "Edit", "ListBox") follows from its widget type.
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

#include "platform/ControlHost.h"

namespace plat {

// Gives the control its id (the original dialog's control number).
void SetControlId(QWidget* control, int id);
// The id of a control, -1 when it has none.
int ControlId(const QWidget* control);
// The first descendant of parent with the id, or null.
QWidget* FindChildById(const QWidget* parent, int id);
// The class name the control reports: the one given with SetControlClassName, else the
// one that follows from its widget type.
std::u16string ControlClassName(const QWidget* control);
// Makes a control of our own drawing report a class name (a list drawn by the program
// is still a "SysListView32" to whoever asks).
void SetControlClassName(QWidget* control, std::u16string_view className);

// Texts between the program's UTF-16 and Qt; "\r\n" becomes "\n" on the way to Qt.
QString ToQString(std::u16string_view text);
std::u16string FromQString(const QString& text);

// Shows or hides a control; a hidden control is also disabled, a shown one keeps its
// enabled state unless `enable` says otherwise.
void ShowControl(QWidget* control, bool show);

// IControlHost over the child widgets of a parent window (UI thread only).
class QtControlHost : public IControlHost {
 public:
  explicit QtControlHost(QWidget* parent) : parent_(parent) {}

  bool HasChild(int id) const override;
  bool GetChildClassName(int id, std::u16string& className) const override;
  bool SetChildText(int id, std::u16string_view text) override;
  int ComboAddString(int id, std::u16string_view text) override;
  bool ComboSetItemData(int id, int position, std::intptr_t data) override;
  bool ListGetColumn(int id, int index, ListColumn& column) const override;
  int ListInsertColumn(int id, int index, const ListColumn& column) override;
  bool ListSetColumn(int id, int index, const ListColumn& column) override;

 private:
  QWidget* parent_;
};

// Sets the text of any kind of control: label, button, line edit, group box, window.
void SetControlText(QWidget* control, const QString& text);
QString ControlText(const QWidget* control);

}  // namespace plat
