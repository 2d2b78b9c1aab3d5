#include "config/CUiState.h"

#include "CTempHome.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSettings>
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
    void windowPlaceIsBounded_data();
    void windowPlaceIsBounded();
    void damagedPlaceIsNotWrittenBack();
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
        state.windowRect = QRect(-20, 30, 640, 480);
        state.maximized = true;
        state.columnWidths = {100, 250, 7};
        state.rankMode = false;
        state.rememberImportFile(folder + QStringLiteral("/in.txt"));
        state.rememberExportFile(folder + QStringLiteral("/out.csv"));
        QVERIFY(state.save());
    }
    CUiState state(path, QDir::homePath());
    state.load();
    QCOMPARE(state.windowRect, std::optional<QRect>(QRect(-20, 30, 640, 480)));
    QVERIFY(state.maximized);
    QCOMPARE(state.columnWidths, QList<int>({100, 250, 7}));
    QCOMPARE(state.rankMode, std::optional<bool>(false));
    QCOMPARE(state.importFolder(), folder);
    QCOMPARE(state.exportFolder(), folder);
}

void tst_UiState::missingFileLeavesEverythingUnset()
{
    CUiState state(m_dir.filePath(QStringLiteral("none/state.ini")), QDir::homePath());
    state.load();
    QVERIFY(!state.windowRect);
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

namespace {

// The place as QWidget::saveGeometry() wrote it in earlier versions, as
// QSettings keeps bytes in the file.
QByteArray oldGeometry(const QRect &normal, bool maximized, quint32 magic = 0x1D9D0CB)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_4_0);
    stream << magic << quint16(3) << quint16(0) << normal.adjusted(-1, -20, 1, 1) << normal << qint32(0)
           << quint8(maximized) << quint8(0) << qint32(1920) << normal;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.ini"));
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(QStringLiteral("window/geometry"), bytes);
    }
    return CTempHome::readFile(path);
}

} // namespace

void tst_UiState::windowPlaceIsBounded_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected"); // null: the first-start place is kept
    QTest::addColumn<bool>("maximized");

    const QRect screen(0, 0, 1920, 1040);
    const QRect second(1920, 0, 1280, 1024);
    QTest::newRow("normal") << QByteArray("[window]\nrect=100, 50, 1200, 700\nmaximized=false\n") << screen
                            << QRect(100, 50, 1200, 700) << false;
    QTest::newRow("maximised") << QByteArray("[window]\nrect=100, 50, 1200, 700\nmaximized=true\n") << screen
                               << QRect(100, 50, 1200, 700) << true;
    QTest::newRow("huge") << QByteArray("[window]\nrect=0, 0, 100000, 100000\n") << screen << screen << false;
    QTest::newRow("huge on the second screen") << QByteArray("[window]\nrect=2000, 10, 100000, 100000\n") << second
                                               << second << false;
    QTest::newRow("off the screen") << QByteArray("[window]\nrect=50000, -9000, 800, 600\n") << screen
                                    << QRect(1120, 0, 800, 600) << false;
    QTest::newRow("half off the left") << QByteArray("[window]\nrect=-400, 100, 800, 600\n") << screen
                                       << QRect(0, 100, 800, 600) << false;
    QTest::newRow("negative size") << QByteArray("[window]\nrect=10, 10, -800, -600\nmaximized=true\n") << screen
                                   << QRect() << false;
    QTest::newRow("zero size") << QByteArray("[window]\nrect=10, 10, 0, 0\n") << screen << QRect() << false;
    QTest::newRow("too small to use") << QByteArray("[window]\nrect=10, 10, 3, 2\n") << screen << QRect() << false;
    QTest::newRow("beyond any screen") << QByteArray("[window]\nrect=0, 0, 99999999999, 600\n") << screen << QRect()
                                       << false;
    QTest::newRow("not numbers") << QByteArray("[window]\nrect=left, top, wide, high\n") << screen << QRect() << false;
    QTest::newRow("three numbers") << QByteArray("[window]\nrect=10, 10, 800\n") << screen << QRect() << false;
    QTest::newRow("garbage") << QByteArray("[window]\nrect=") + QByteArray("\x01\xff\x00\x7f", 4) + "\nmaximized=\xfe\n" << screen
                             << QRect() << false;
    QTest::newRow("old form") << oldGeometry(QRect(100, 50, 1200, 700), true) << screen << QRect(100, 50, 1200, 700)
                              << true;
    QTest::newRow("old form, huge") << oldGeometry(QRect(0, 0, 100000, 100000), false) << screen << screen << false;
    QTest::newRow("old form, negative size") << oldGeometry(QRect(10, 10, -500, -500), false) << screen << QRect()
                                             << false;
    QTest::newRow("old form, wrong magic") << oldGeometry(QRect(100, 50, 1200, 700), false, 0x12345678) << screen
                                           << QRect() << false;
    QTest::newRow("old form, cut short") << QByteArray("[window]\ngeometry=@ByteArray(\x1\xd9)\n") << screen
                                         << QRect() << false;
}

void tst_UiState::windowPlaceIsBounded()
{
    QFETCH(QByteArray, ini);
    QFETCH(QRect, available);
    QFETCH(QRect, expected);
    QFETCH(bool, maximized);
    const QString path = writeIni(ini);
    QVERIFY(!path.isEmpty());
    CUiState state(path, QDir::homePath());
    state.load();
    QCOMPARE(state.windowRect.has_value(), !expected.isNull());
    QCOMPARE(state.maximized, maximized);
    if (state.windowRect)
        QCOMPARE(CUiState::fitted(*state.windowRect, available), expected);
}

void tst_UiState::damagedPlaceIsNotWrittenBack()
{
    const QString path = writeIni("[window]\nrect=10, 10, -800, -600\ngeometry=@ByteArray(junk)\nmaximized=true\n");
    QVERIFY(!path.isEmpty());
    {
        CUiState state(path, QDir::homePath());
        state.load();
        QVERIFY(!state.windowRect);
        QVERIFY(state.save());
    }
    const QByteArray after = CTempHome::readFile(path);
    QVERIFY2(!after.contains("rect") && !after.contains("geometry") && !after.contains("maximized"), after.constData());
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
