#include "config/CUiState.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The settings file behind the remembered window state: what it keeps, and
// that a damaged one leaves the first-start state rather than odd values.
class tst_UiState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip();
    void missingFileLeavesEverythingUnset();
    void damagedValuesAreIgnored_data();
    void damagedValuesAreIgnored();
    void foldersFallBackToHome_data();
    void foldersFallBackToHome();

private:
    QString writeIni(const QByteArray &contents);
    QTemporaryDir m_dir;
};

QString tst_UiState::writeIni(const QByteArray &contents)
{
    const QString path = m_dir.filePath(QStringLiteral("state.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size())
        return QString();
    return path;
}

void tst_UiState::roundTrip()
{
    const QString path = m_dir.filePath(QStringLiteral("roundtrip/state.ini"));
    const QString folder = m_dir.path();
    {
        CUiState state(path, QDir::homePath());
        state.load();
        state.geometry = QByteArray("\x01\x02\xff\x00geometry", 12);
        state.columnWidths = {100, 250, 7};
        state.rankMode = false;
        state.rememberImportFile(folder + QStringLiteral("/in.txt"));
        state.rememberExportFile(folder + QStringLiteral("/out.csv"));
        QVERIFY(state.save());
    }
    CUiState state(path, QDir::homePath());
    state.load();
    QCOMPARE(state.geometry, QByteArray("\x01\x02\xff\x00geometry", 12));
    QCOMPARE(state.columnWidths, QList<int>({100, 250, 7}));
    QCOMPARE(state.rankMode, std::optional<bool>(false));
    QCOMPARE(state.importFolder(), folder);
    QCOMPARE(state.exportFolder(), folder);
}

void tst_UiState::missingFileLeavesEverythingUnset()
{
    CUiState state(m_dir.filePath(QStringLiteral("none/state.ini")), QDir::homePath());
    state.load();
    QVERIFY(state.geometry.isEmpty());
    QVERIFY(state.columnWidths.isEmpty());
    QVERIFY(!state.rankMode);
    QCOMPARE(state.importFolder(), QDir::homePath());
    QCOMPARE(state.exportFolder(), QDir::homePath());
}

void tst_UiState::damagedValuesAreIgnored_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("widthsKept");
    QTest::addColumn<bool>("rankKept");

    QTest::newRow("good") << QByteArray("[window]\ncolumnWidths=100, 120\n[query]\nrankMode=false\n") << true << true;
    QTest::newRow("width not a number") << QByteArray("[window]\ncolumnWidths=100, wide\n") << false << false;
    QTest::newRow("width zero") << QByteArray("[window]\ncolumnWidths=0, 100\n") << false << false;
    QTest::newRow("width negative") << QByteArray("[window]\ncolumnWidths=100, -5\n") << false << false;
    QTest::newRow("width huge") << QByteArray("[window]\ncolumnWidths=100, 99999999\n") << false << false;
    QTest::newRow("rank not a truth value") << QByteArray("[query]\nrankMode=maybe\n") << false << false;
    QTest::newRow("garbage") << QByteArray("\x00\xff[[[=\n\n=\x01", 10) << false << false;
}

void tst_UiState::damagedValuesAreIgnored()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, widthsKept);
    QFETCH(bool, rankKept);
    const QString path = writeIni(ini);
    QVERIFY(!path.isEmpty());
    CUiState state(path, QDir::homePath());
    state.load();
    QCOMPARE(!state.columnWidths.isEmpty(), widthsKept);
    QCOMPARE(state.rankMode.has_value(), rankKept);
    if (widthsKept)
        QCOMPARE(state.columnWidths, QList<int>({100, 120}));
}

void tst_UiState::foldersFallBackToHome_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("kept");

    QTest::newRow("existing folder") << m_dir.path() << true;
    QTest::newRow("vanished folder") << m_dir.filePath(QStringLiteral("gone")) << false;
    QTest::newRow("relative folder") << QStringLiteral(".") << false;
    QTest::newRow("a file, not a folder") << m_dir.filePath(QStringLiteral("plain")) << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_UiState::foldersFallBackToHome()
{
    QFETCH(QString, folder);
    QFETCH(bool, kept);
    QFile plain(m_dir.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString path = writeIni("[folders]\nimport=" + folder.toUtf8() + "\nexport=" + folder.toUtf8() + "\n");
    QVERIFY(!path.isEmpty());
    CUiState state(path, QDir::homePath());
    state.load();
    const QString expected = kept ? folder : QDir::homePath();
    QCOMPARE(state.importFolder(), expected);
    QCOMPARE(state.exportFolder(), expected);
}

QTEST_GUILESS_MAIN(tst_UiState)
#include "tst_UiState.moc"
