#include "SorvaneResources.h"

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QResource>
#include <QSet>
#include <QSize>
#include <QStringList>
#include <QTest>

namespace {

const QString iconFolder = QStringLiteral(":/formIcons/Icons");

struct ExpectedIcon
{
    const char *fileName;
    int size;
};

// The forms refer to these paths and lay their headers out for these sizes.
const ExpectedIcon expectedIcons[] = {
    {"global_rank.png", 128}, {"domains.png", 128}, {"us_rank.png", 48},
    {"1_day.png", 27},        {"7_day.png", 27},    {"1_month.png", 48},
    {"3_month.png", 48},      {"date.png", 128},    {"import.png", 48},
    {"export.png", 48},       {"exit.png", 128},    {"rank.png", 48},
    {"reach.png", 32},
};

} // namespace

class tst_SorvaneResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void bundleHoldsExactlyTheIconSet();
    void iconLoadsAsArtwork_data();
    void iconLoadsAsArtwork();
    void iconIsStoredUncompressed_data();
    void iconIsStoredUncompressed();

private:
    static void addIconRows();
};

void tst_SorvaneResources::initTestCase()
{
    // A second registration must not list the files twice.
    initSorvaneResources();
    initSorvaneResources();
}

void tst_SorvaneResources::bundleHoldsExactlyTheIconSet()
{
    QStringList expected;
    for (const ExpectedIcon &icon : expectedIcons)
        expected << QString::fromLatin1(icon.fileName);
    expected.sort();

    QCOMPARE(QDir(iconFolder).entryList(QDir::Files, QDir::Name), expected);
}

void tst_SorvaneResources::addIconRows()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("size");
    for (const ExpectedIcon &icon : expectedIcons)
        QTest::newRow(icon.fileName) << iconFolder + QLatin1Char('/') + QString::fromLatin1(icon.fileName) << icon.size;
}

void tst_SorvaneResources::iconLoadsAsArtwork_data()
{
    addIconRows();
}

void tst_SorvaneResources::iconLoadsAsArtwork()
{
    QFETCH(QString, path);
    QFETCH(int, size);

    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    // An 8-bit RGBA PNG is the only kind that reads as ARGB32.
    QCOMPARE(reader.imageFormat(), QImage::Format_ARGB32);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), QSize(size, size));
    QVERIFY(image.hasAlphaChannel());

    bool hasTransparentPixel = false;
    QSet<QRgb> opaqueColours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 0)
                hasTransparentPixel = true;
            else if (qAlpha(pixel) == 255)
                opaqueColours.insert(pixel);
        }
    }
    // A shape on a clear background, not a filled square or a flat blob.
    QVERIFY(hasTransparentPixel);
    QVERIFY2(opaqueColours.size() >= 3, qPrintable(QString::number(opaqueColours.size())));
}

void tst_SorvaneResources::iconIsStoredUncompressed_data()
{
    addIconRows();
}

void tst_SorvaneResources::iconIsStoredUncompressed()
{
    QFETCH(QString, path);

    const QResource resource(path);
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);
}

QTEST_GUILESS_MAIN(tst_SorvaneResources)
#include "tst_SorvaneResources.moc"
