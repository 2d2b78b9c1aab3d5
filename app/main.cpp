#include "MainWindow.h"
#include "config/CSettings.h"
#include "translations/CTranslations.h"

#include <QApplication>
#include <QLocale>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Before any window exists, so that every text is built translated.
    CTranslations::install(app, QLocale::system());
    // Matches the window with its desktop entry, for its icon and name on Wayland.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.qorvex.Sorvane"));
    auto window = std::make_unique<MainWindow>(nullptr, CSettings::fromEnvironment());
    // Another instance holds the data folder and has been told so.
    if (!window->ownsData())
        return 1;
    window->show();
    const int result = QApplication::exec();
    window.reset(); // saves the data files
    return result;
}
