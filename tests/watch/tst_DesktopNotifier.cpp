#include "watch/CDesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QLocalServer>
#include <QTemporaryDir>
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
    void helperTellsTheService();
    void silentBusIsGivenUp();

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

void tst_DesktopNotifier::helperTellsTheService()
{
    QDBusConnection serviceBus = QDBusConnection::connectToBus(m_address, QStringLiteral("helped"));
    auto service = std::make_unique<FakeNotifications>();
    service->moveToThread(&m_serviceThread);
    QVERIFY(serviceBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), service.get(),
                                      QDBusConnection::ExportAllSlots));
    QVERIFY(serviceBus.registerService(QStringLiteral("org.freedesktop.Notifications")));

    // This test program is its own helper, as sorvane is (see main()).
    const QByteArray before = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    const CDesktopNotifier notifier(QCoreApplication::applicationFilePath(), 30000);
    const CResult<> shown = notifier.notify(QStringLiteral("Sorvane: 1 rank alert"), QStringLiteral("alert: a\nalert: b"));
    qputenv("DBUS_SESSION_BUS_ADDRESS", before);
    QVERIFY2(shown, qPrintable(shown.message()));
    QTRY_COMPARE(service->received().size(), 1);
    QCOMPARE(service->received().first().summary, QStringLiteral("Sorvane: 1 rank alert"));
    QCOMPARE(service->received().first().body, QStringLiteral("alert: a\nalert: b"));

    serviceBus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    serviceBus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("helped"));
}

void tst_DesktopNotifier::silentBusIsGivenUp()
{
    // A bus that takes the connection and never says a word: connecting to
    // it never ends, so the helper is ended in its stead.
    QTemporaryDir folder;
    QLocalServer silent;
    QVERIFY(silent.listen(folder.filePath(QStringLiteral("bus"))));
    const QByteArray before = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(silent.fullServerName()));
    const CDesktopNotifier notifier(QCoreApplication::applicationFilePath(), 1500);
    const CResult<> shown = notifier.notify(QStringLiteral("Sorvane"), QStringLiteral("alert"));
    qputenv("DBUS_SESSION_BUS_ADDRESS", before);
    QVERIFY(!shown);
    QVERIFY2(shown.message().contains(QStringLiteral("did not answer within 2 s")), qPrintable(shown.message()));
}

int main(int argc, char *argv[])
{
    if (argc == 2 && QString::fromLocal8Bit(argv[1]) == CDesktopNotifier::helperArgument()) {
        const QCoreApplication app(argc, argv);
        return CDesktopNotifier::runHelper();
    }
    QCoreApplication app(argc, argv);
    tst_DesktopNotifier test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_DesktopNotifier.moc"
