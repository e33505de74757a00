#pragma once
// DesktopNotifier: sends desktop notifications through the freedesktop notification
// service (org.freedesktop.Notifications on the session bus). Without a session bus, or
// without a service on it, a notification silently goes nowhere; the program never
// waits for the service. A desktop session names its bus in DBUS_SESSION_BUS_ADDRESS;
// without that variable no bus is looked for (nor started).
//
// Threads: UI thread.
#include <QDBusConnection>
#include <QString>
#include <cstdint>
#include <optional>

class DesktopNotifier {
 public:
  // The service's name, object and interface.
  static constexpr char kService[] = "org.freedesktop.Notifications";
  static constexpr char kPath[] = "/org/freedesktop/Notifications";
  static constexpr char kInterface[] = "org.freedesktop.Notifications";
  static constexpr char kMethod[] = "Notify";
  // The name the notifications carry and their icon (a freedesktop icon name).
  static constexpr char kApplicationName[] = "XJ-K52II Utility";
  static constexpr char kIconName[] = "printer";
  // Let the service decide how long a notification stays.
  static constexpr std::int32_t kDefaultTimeout = -1;
  static constexpr char kSessionBusVariable[] = "DBUS_SESSION_BUS_ADDRESS";

  // Notifications go to the session bus (connected at the first notification), or to
  // the given bus.
  DesktopNotifier() = default;
  explicit DesktopNotifier(const QDBusConnection& bus);

  // Sends one notification; true when it was handed to the bus (false without one).
  bool Notify(const QString& summary, const QString& body);

 private:
  std::optional<QDBusConnection> bus_;
};
