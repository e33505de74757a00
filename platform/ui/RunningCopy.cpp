#include "platform/ui/RunningCopy.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/EventLog.h"

namespace plat {
namespace {
constexpr char kRaiseRequest[] = "raise\n";
}  // namespace

QString TagSocketPath(const QString& tagName) {
  QString name = tagName;
  name.replace('/', '_');
  return ToQString(RuntimeFolder()) + "/" + name;
}

WindowTag::WindowTag(QWidget* window, const QString& tagName)
    : QObject(window), window_(window), server_(new QLocalServer(this)) {
  const QString path = TagSocketPath(tagName);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(path)) {
    // A socket file without a listener is what a crashed copy leaves behind.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (!probe.waitForConnected(200)) {
      QLocalServer::removeServer(path);
      server_->listen(path);
    }
  }
  connect(server_, &QLocalServer::newConnection, this, &WindowTag::OnConnection);
}

WindowTag::~WindowTag() { server_->close(); }

bool WindowTag::IsListening() const { return server_->isListening(); }

void WindowTag::OnConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    socket->write("ok\n");
    socket->flush();
    if (window_) BringToFront(window_);
    LogEvent(kEventRaised);
  }
}

bool BringTaggedWindowToFront(const QString& tagName, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(TagSocketPath(tagName));
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(kRaiseRequest);
  socket.flush();
  const bool answered = socket.waitForReadyRead(timeoutMs) && socket.readLine().startsWith("ok");
  socket.disconnectFromServer();
  return answered;
}

void BringToFront(QWidget* window) {
  if (!window) return;
  if (window->isMinimized()) window->showNormal();
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace plat
