#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/ui/Controls.h"

namespace plat {
namespace {
MessageBoxInterceptor& Interceptor() {
  static MessageBoxInterceptor interceptor;
  return interceptor;
}
}  // namespace

int ShowMessageBox(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned type) {
  if (Interceptor()) return Interceptor()(MessageBoxRequest{owner, std::u16string(text), std::u16string(caption), type});
  QMessageBox box(owner);
  box.setWindowTitle(ToQString(caption));
  box.setText(ToQString(text));
  switch (type & 0xF0) {
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  const bool yesNo = (type & 0x0F) == MB_YESNO;
  const bool yesNoCancel = (type & 0x0F) == MB_YESNOCANCEL;
  if (yesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
  } else if (yesNoCancel) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  QApplication::setOverrideCursor(Qt::ArrowCursor);  // a wait cursor must not hide the box's buttons
  const int answer = box.exec();
  QApplication::restoreOverrideCursor();
  if (yesNo) return answer == QMessageBox::Yes ? IDYES : IDNO;
  if (yesNoCancel) return answer == QMessageBox::Yes ? IDYES : answer == QMessageBox::No ? IDNO : IDCANCEL;
  return IDOK;
}

MessageBoxInterceptor SetMessageBoxInterceptor(MessageBoxInterceptor interceptor) {
  MessageBoxInterceptor previous = std::move(Interceptor());
  Interceptor() = std::move(interceptor);
  return previous;
}

}  // namespace plat
