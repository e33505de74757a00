// Desktop notifications over a private message bus of the test: a stand-in notification
// service hears them; without a service or without a bus nothing happens and nothing
// waits.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>
#include <filesystem>

#include "status/DesktopNotifier.h"
#include "tests/support/StatusTestFrame.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr char kDbusDaemon[] = "/usr/bin/dbus-daemon";

// The notification service's method as desktops implement it.
class FakeNotificationService : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  struct Seen {
    QString application;
    QString icon;
    QString summary;
    QString body;
    int timeout;
  };
  std::vector<Seen> seen;

 public slots:
  uint Notify(const QString& application, uint, const QString& icon, const QString& summary, const QString& body,
              const QStringList&, const QVariantMap&, int timeout) {
    seen.push_back(Seen{application, icon, summary, body, timeout});
    return static_cast<uint>(seen.size());
  }
};

// A message bus of the test's own, in its own folder, ended with the test.
class PrivateBus {
 public:
  PrivateBus() {
    const std::string folder = testenv::MakeTempDir("bus");
    daemon_.start(kDbusDaemon, {"--session", "--address=unix:dir=" + QString::fromStdString(folder), "--nofork",
                                "--print-address"});
    if (!daemon_.waitForStarted(10000)) return;
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
  }
  ~PrivateBus() {
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000)) daemon_.kill();
    daemon_.waitForFinished(5000);
  }
  const QString& Address() const { return address_; }

 private:
  QProcess daemon_;
  QString address_;
};

TEST(DesktopNotifierTest, TheNotificationServiceHearsEachNotification) {
  ASSERT_TRUE(std::filesystem::exists(kDbusDaemon)) << "the dbus-daemon package is needed for this test";
  PrivateBus bus;
  ASSERT_FALSE(bus.Address().isEmpty());
  FakeNotificationService service;
  {
    QDBusConnection serviceSide = QDBusConnection::connectToBus(bus.Address(), "service-side");
    QDBusConnection programSide = QDBusConnection::connectToBus(bus.Address(), "program-side");
    ASSERT_TRUE(serviceSide.isConnected());
    ASSERT_TRUE(programSide.isConnected());

    // No service yet: the notification goes nowhere, and nothing waits for it.
    DesktopNotifier notifier(programSide);
    EXPECT_TRUE(notifier.Notify(QStringLiteral("Cover is open"), QStringLiteral("Printer Name: XJ-K52II")));

    ASSERT_TRUE(serviceSide.registerService(DesktopNotifier::kService));
    ASSERT_TRUE(serviceSide.registerObject(DesktopNotifier::kPath, &service, QDBusConnection::ExportAllSlots));
    EXPECT_TRUE(notifier.Notify(QStringLiteral("用紙切れ"), QStringLiteral("プリンター名： XJ-K52II\nポート： USB-001")));
    ASSERT_TRUE(statustest::ProcessUntil([&] { return !service.seen.empty(); }));
    serviceSide.unregisterObject(DesktopNotifier::kPath);
  }
  QDBusConnection::disconnectFromBus("service-side");
  QDBusConnection::disconnectFromBus("program-side");

  ASSERT_EQ(service.seen.size(), 1u);
  EXPECT_EQ(service.seen[0].application, QStringLiteral("XJ-K52II Utility"));
  EXPECT_EQ(service.seen[0].icon, QStringLiteral("printer"));
  EXPECT_EQ(service.seen[0].summary, QStringLiteral("用紙切れ"));
  EXPECT_EQ(service.seen[0].body, QStringLiteral("プリンター名： XJ-K52II\nポート： USB-001"));
  EXPECT_EQ(service.seen[0].timeout, -1);
}

TEST(DesktopNotifierTest, WithoutABusNothingIsSent) {
  // No desktop session: no bus is looked for.
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  EXPECT_FALSE(DesktopNotifier().Notify(QStringLiteral("Fatal Error"), QString()));
  {
    DesktopNotifier notifier(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "nowhere"));
    EXPECT_FALSE(notifier.Notify(QStringLiteral("Fatal Error"), QString()));
  }
  QDBusConnection::disconnectFromBus("nowhere");
}

}  // namespace

#include "DesktopNotifierTest.moc"
