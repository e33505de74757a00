#include "status/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>
#include <cstdlib>

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus) : bus_(bus) {}

bool DesktopNotifier::Notify(const QString& summary, const QString& body) {
  if (!bus_) {
    const char* address = std::getenv(kSessionBusVariable);
    if (address == nullptr || *address == '\0') return false;
    bus_ = QDBusConnection::sessionBus();
  }
  if (!bus_->isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, kMethod);
  call << QString::fromLatin1(kApplicationName) << static_cast<quint32>(0) << QString::fromLatin1(kIconName)
       << summary << body << QStringList() << QVariantMap() << static_cast<qint32>(kDefaultTimeout);
  // No answer is awaited: the service's reply (or the bus's error when there is no
  // service) is dropped.
  return bus_->send(call);
}
