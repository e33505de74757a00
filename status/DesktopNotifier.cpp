#include "status/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

bool DesktopNotifier::Notify(const QString& summary, const QString& body) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, kMethod);
  call << QString::fromLatin1(kApplicationName) << static_cast<quint32>(0) << QString::fromLatin1(kIconName)
       << summary << body << QStringList() << QVariantMap() << static_cast<qint32>(kDefaultTimeout);
  // No answer is awaited: the service's reply (or the bus's error when there is no
  // service) is dropped.
  return bus.send(call);
}
