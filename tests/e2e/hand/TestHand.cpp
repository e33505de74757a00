// The end-to-end tests' hand inside the installed program: a Qt generic plug-in that a
// test loads into the program it starts (QT_PLUGIN_PATH and QT_QPA_GENERIC_PLUGINS, see
// AppProcess::UseHand), so the program runs unchanged and is driven as a user would.
// It listens on the local socket named by XJ_TEST_HAND_SOCKET and answers every command
// line with one line, "ok ..." or "error: ...":
//   click ID     clicks the button with that control id; the click happens after the
//                answer, so a modal loop it opens (the progress dialog) holds nothing up
//   select ID N  makes item N current in the combo box or list with that id, or checks
//                (1) or clears (0) the check box
//   get ID       "ok ENABLED TEXT": 1 or 0, and the control's text (a combo box: its
//                current item; a list: the first column of its selected row)
// Controls are looked for in the active modal window first, else in every visible
// window, and only visible controls count: the hidden pages of the menu carry the same
// ids.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGenericPlugin>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

#include "platform/ui/Controls.h"
#include "platform/ui/ReportList.h"

namespace {

QWidget* FindVisibleControl(int id) {
  QList<QWidget*> windows;
  if (QWidget* modal = QApplication::activeModalWidget()) windows.push_back(modal);
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && !windows.contains(window)) windows.push_back(window);
  for (QWidget* window : windows) {
    for (QWidget* child : window->findChildren<QWidget*>()) {
      if (plat::ControlId(child) == id && child->isVisible()) return child;
    }
  }
  return nullptr;
}

QString Select(QWidget* control, int item) {
  if (auto* check = qobject_cast<QCheckBox*>(control)) {
    check->setChecked(item != 0);
  } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
    if (item < 0 || item >= combo->count()) return QStringLiteral("error: no item %1").arg(item);
    combo->setCurrentIndex(item);
  } else if (auto* list = qobject_cast<plat::ReportList*>(control)) {
    if (item < 0 || item >= list->RowCount()) return QStringLiteral("error: no row %1").arg(item);
    list->SelectRow(item);
  } else {
    return QStringLiteral("error: not a combo box, list or check box");
  }
  return QStringLiteral("ok");
}

QString Get(QWidget* control) {
  QString text = plat::ControlText(control);
  if (auto* list = qobject_cast<plat::ReportList*>(control)) {
    text = list->SelectedRow() >= 0 ? list->RowText(list->SelectedRow(), 0) : QString();
  }
  text.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return QStringLiteral("ok %1 %2").arg(control->isEnabled() ? 1 : 0).arg(text);
}

QString Carry(const QString& line) {
  const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  bool numeric = words.size() >= 2;
  const int id = numeric ? words[1].toInt(&numeric) : 0;
  if (!numeric) return QStringLiteral("error: want click ID, select ID N or get ID");
  QWidget* control = FindVisibleControl(id);
  if (control == nullptr) return QStringLiteral("error: no visible control %1").arg(id);
  if (words[0] == QLatin1String("click") && words.size() == 2) {
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (button == nullptr || !button->isEnabled()) return QStringLiteral("error: no enabled button %1").arg(id);
    QTimer::singleShot(0, button, [button = QPointer<QAbstractButton>(button)] {
      if (button) button->click();
    });
    return QStringLiteral("ok");
  }
  if (words[0] == QLatin1String("select") && words.size() == 3) return Select(control, words[2].toInt());
  if (words[0] == QLatin1String("get") && words.size() == 2) return Get(control);
  return QStringLiteral("error: want click ID, select ID N or get ID");
}

class TestHand : public QObject {
 public:
  explicit TestHand(const QString& path) {
    QLocalServer::removeServer(path);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
      while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, socket, [socket] {
          while (socket->canReadLine()) {
            const QString line = QString::fromUtf8(socket->readLine()).trimmed();
            socket->write((Carry(line) + QLatin1Char('\n')).toUtf8());
          }
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
    if (!server_.listen(path)) qWarning("xjtesthand: cannot listen on %s", qPrintable(path));
  }

 private:
  QLocalServer server_;
};

}  // namespace

class TestHandPlugin : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "TestHand.json")

 public:
  QObject* create(const QString& key, const QString&) override {
    const QString path = qEnvironmentVariable("XJ_TEST_HAND_SOCKET");
    if (key != QLatin1String("xjtesthand") || path.isEmpty()) return nullptr;
    // One hand per test: a program the driven one starts does not take the socket over.
    qunsetenv("XJ_TEST_HAND_SOCKET");
    qunsetenv("QT_QPA_GENERIC_PLUGINS");
    return new TestHand(path);
  }
};

#include "TestHand.moc"
