#include "watch/CDesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QTest>
#include <QThread>

namespace {

struct Notification
{
    QString appName;
    QString summary;
    QString body;
    int timeout = 0;
};

// Stands in for the desktop's notification service on the test's own bus.
// It lives on a thread of its own, so that it can answer while the test's
// thread waits for the reply.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QList<Notification> received() const
    {
        QMutexLocker lock(&m_mutex);
        return m_received;
    }

public Q_SLOTS:
    uint Notify(const QString &appName, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &, int timeout)
    {
        QMutexLocker lock(&m_mutex);
        m_received.append({appName, summary, body, timeout});
        return uint(m_received.size());
    }

private:
    mutable QMutex m_mutex;
    QList<Notification> m_received;
};

} // namespace

class tst_DesktopNotifier : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void noServiceIsNoFailure();
    void notifiesTheService();
    void noBusIsNoFailure();

private:
    QProcess m_bus;
    QString m_address;
    QThread m_serviceThread;
};

void tst_DesktopNotifier::initTestCase()
{
    // A private session bus, never the user's.
    m_bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    QVERIFY2(m_bus.waitForStarted(), "dbus-daemon is not installed (Debian package dbus-daemon)");
    while (!m_bus.canReadLine())
        QVERIFY(m_bus.waitForReadyRead(30000));
    m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
    QVERIFY(!m_address.isEmpty());
    m_serviceThread.start();
}

void tst_DesktopNotifier::cleanupTestCase()
{
    m_serviceThread.quit();
    m_serviceThread.wait();
    m_bus.terminate();
    m_bus.waitForFinished();
}

void tst_DesktopNotifier::noServiceIsNoFailure()
{
    const CDesktopNotifier notifier(QDBusConnection::connectToBus(m_address, QStringLiteral("nobody-listens")));
    const CResult<> shown = notifier.notify(QStringLiteral("Sorvane: 1 rank alert"), QStringLiteral("alert: ..."));
    QVERIFY2(shown, qPrintable(shown.message()));
}

void tst_DesktopNotifier::notifiesTheService()
{
    QDBusConnection serviceBus = QDBusConnection::connectToBus(m_address, QStringLiteral("service"));
    QVERIFY(serviceBus.isConnected());
    auto service = std::make_unique<FakeNotifications>();
    service->moveToThread(&m_serviceThread);
    QVERIFY(serviceBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), service.get(),
                                      QDBusConnection::ExportAllSlots));
    QVERIFY(serviceBus.registerService(QStringLiteral("org.freedesktop.Notifications")));

    const CDesktopNotifier notifier(QDBusConnection::connectToBus(m_address, QStringLiteral("client")));
    const QString body = QStringLiteral("alert: a.test Global Rank 1,000 -> 850 (+15.0%), rule * moves 10%\n"
                                        "alert: b.test US Rank 5 -> 9 (-80.0%), rule @mine moves 2");
    const CResult<> shown = notifier.notify(QStringLiteral("Sorvane: 2 rank alerts"), body);
    QVERIFY2(shown, qPrintable(shown.message()));

    const QList<Notification> received = service->received();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().appName, QStringLiteral("Sorvane"));
    QCOMPARE(received.first().summary, QStringLiteral("Sorvane: 2 rank alerts"));
    QCOMPARE(received.first().body, body);
    QCOMPARE(received.first().timeout, -1);

    serviceBus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    serviceBus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
}

void tst_DesktopNotifier::noBusIsNoFailure()
{
    const CDesktopNotifier notifier(
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("no-bus")));
    QVERIFY(notifier.notify(QStringLiteral("Sorvane"), QStringLiteral("alert")));
}

QTEST_GUILESS_MAIN(tst_DesktopNotifier)
#include "tst_DesktopNotifier.moc"
