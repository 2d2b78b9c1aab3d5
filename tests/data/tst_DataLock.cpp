#include "CDataLock.h"
#include "CTempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

// The data folder's lock: only a live holder keeps a second one away.
class tst_DataLock : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileThatIsNoLiveLockIsTakenOver_data();
    void fileThatIsNoLiveLockIsTakenOver();
    void liveLockKeepsOthersAway();
    void placeWithoutALockIsUnusable_data();
    void placeWithoutALockIsUnusable();
};

void tst_DataLock::fileThatIsNoLiveLockIsTakenOver_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("garbage") << QByteArray("\x01\xff not a lock at all\n\n\n");
    QTest::newRow("other host") << QByteArray("4242\nsorvane\nanother-machine.example\nabc\ndef\n");
    QTest::newRow("this host, live pid") << QByteArray("1\nsorvane\n") + QFile::encodeName(QDir::homePath()) + '\n';
}

void tst_DataLock::fileThatIsNoLiveLockIsTakenOver()
{
    QFETCH(QByteArray, contents);
    CTempHome home;
    CDataLock lock(home.dataDirectory());
    if (!contents.isNull())
        home.writeFile(lock.path(), contents);
    const CDataLock::Result result = lock.acquire();
    QVERIFY2(result.held(), qPrintable(result.message));
    QVERIFY(lock.isHeld());
    QVERIFY(CTempHome::readFile(lock.path()).startsWith(QByteArray(QByteArray::number(QCoreApplication::applicationPid()) + '\n')));
}

void tst_DataLock::liveLockKeepsOthersAway()
{
    CTempHome home;
    CDataLock first(home.dataDirectory());
    QVERIFY(first.acquire().held());
    CDataLock second(home.dataDirectory());
    const CDataLock::Result busy = second.acquire();
    QCOMPARE(busy.state, CDataLock::State::Busy);
    QVERIFY(!second.isHeld());
    QVERIFY2(busy.message.startsWith(QStringLiteral("Another process is using the data folder ")), qPrintable(busy.message));
    QVERIFY2(busy.message.contains(QDir::toNativeSeparators(second.path())), qPrintable(busy.message));
    first.release();
    QVERIFY(second.acquire().held());
}

void tst_DataLock::placeWithoutALockIsUnusable_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("no data folder") << "missing";
}

void tst_DataLock::placeWithoutALockIsUnusable()
{
    QFETCH(QString, kind);
    CTempHome home;
    QString directory = home.dataDirectory();
    const QString path = directory + QStringLiteral("/sorvane.lock");
    if (kind == u"folder")
        QVERIFY(QDir().mkdir(path));
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        directory = home.path() + QStringLiteral("/gone/Sorvane");
    CDataLock lock(directory);
    const CDataLock::Result result = lock.acquire();
    QCOMPARE(result.state, CDataLock::State::Unusable);
    QVERIFY(!lock.isHeld());
    QVERIFY2(result.message.contains(QDir::toNativeSeparators(lock.path())), qPrintable(result.message));
    QVERIFY2(result.message.contains(QStringLiteral("read-only")), qPrintable(result.message));
}

QTEST_GUILESS_MAIN(tst_DataLock)
#include "tst_DataLock.moc"
