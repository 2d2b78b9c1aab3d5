// Redraws Sorvane's icon set: icongen <output folder>
// Runs headless (QT_QPA_PLATFORM=offscreen); the images are written as
// 8-bit RGBA PNG files at the sizes the forms expect.

#include "CIconPainter.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QStringList>

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

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: icongen <output folder>\n");
        return 2;
    }

    const QDir folder(arguments.at(1));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "icongen: cannot create %s\n", qPrintable(folder.path()));
        return 1;
    }

    int failures = 0;
    for (const IconEntry &entry : iconEntries) {
        QImage image(entry.size, entry.size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        {
            // The painter must be finished before the image is saved.
            CIconPainter painter(&image);
            (painter.*entry.draw)();
        }
        const QString path = folder.filePath(QString::fromLatin1(entry.fileName));
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "icongen: cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
