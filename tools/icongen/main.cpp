// Redraws Sorvane's icon set: icongen <output folder> [<hicolor folder>]
// Runs headless (QT_QPA_PLATFORM=offscreen); the images are written as
// 8-bit RGBA PNG files at the sizes the forms expect. Given a hicolor folder,
// it also draws the application's icon for desktop menus there, as PNG files
// of the theme's usual sizes and as a scalable SVG.

#include "CIconPainter.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QStringList>
#include <QSvgGenerator>

#include <cstdio>

namespace {

struct IconEntry
{
    const char *fileName;
    int size;
    void (CIconPainter::*draw)();
};

const IconEntry iconEntries[] = {
    {"global_rank.png", 128, &CIconPainter::drawGlobalRank},
    {"domains.png", 128, &CIconPainter::drawDomains},
    {"us_rank.png", 48, &CIconPainter::drawUsRank},
    {"1_day.png", 27, &CIconPainter::drawOneDay},
    {"7_day.png", 27, &CIconPainter::drawSevenDay},
    {"1_month.png", 48, &CIconPainter::drawOneMonth},
    {"3_month.png", 48, &CIconPainter::drawThreeMonth},
    {"date.png", 128, &CIconPainter::drawDate},
    {"import.png", 48, &CIconPainter::drawImport},
    {"export.png", 48, &CIconPainter::drawExport},
    {"exit.png", 128, &CIconPainter::drawExit},
    {"rank.png", 48, &CIconPainter::drawRank},
    {"reach.png", 32, &CIconPainter::drawReach},
};

const int appIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
const QString appIconName = QStringLiteral("sorvane");
// The globe that is the window's icon stands for the program in menus too.
constexpr void (CIconPainter::*appIconDraw)() = &CIconPainter::drawGlobalRank;
constexpr int svgCanvas = 128;

bool writePng(const QString &path, int size, void (CIconPainter::*draw)())
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        // The painter must be finished before the image is saved.
        CIconPainter painter(&image);
        (painter.*draw)();
    }
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(path));
    return false;
}

int writeAppIcons(const QDir &hicolor)
{
    int failures = 0;
    for (const int size : appIconSizes) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!hicolor.mkpath(folder)) {
            std::fprintf(stderr, "icongen: cannot create %s\n", qPrintable(hicolor.filePath(folder)));
            ++failures;
            continue;
        }
        if (!writePng(hicolor.filePath(folder + u'/' + appIconName + QStringLiteral(".png")), size, appIconDraw))
            ++failures;
    }

    const QString folder = QStringLiteral("scalable/apps");
    const QString path = hicolor.filePath(folder + u'/' + appIconName + QStringLiteral(".svg"));
    if (!hicolor.mkpath(folder)) {
        std::fprintf(stderr, "icongen: cannot create %s\n", qPrintable(hicolor.filePath(folder)));
        return failures + 1;
    }
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(svgCanvas, svgCanvas));
    svg.setViewBox(QRect(0, 0, svgCanvas, svgCanvas));
    svg.setTitle(QStringLiteral("Sorvane"));
    svg.setDescription(QStringLiteral("The application icon of Sorvane"));
    {
        CIconPainter painter(&svg, svgCanvas);
        (painter.*appIconDraw)();
    }
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0) {
        std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(path));
        ++failures;
    }
    return failures;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2 && arguments.size() != 3) {
        std::fprintf(stderr, "usage: icongen <output folder> [<hicolor folder>]\n");
        return 2;
    }

    const QDir folder(arguments.at(1));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "icongen: cannot create %s\n", qPrintable(folder.path()));
        return 1;
    }

    int failures = 0;
    for (const IconEntry &entry : iconEntries) {
        if (!writePng(folder.filePath(QString::fromLatin1(entry.fileName)), entry.size, entry.draw))
            ++failures;
    }
    if (arguments.size() == 3)
        failures += writeAppIcons(QDir(arguments.at(2)));
    return failures == 0 ? 0 : 1;
}
