#include "translations/CTranslations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Installs the catalogue named prefix for the locale from folder and
// returns its name; empty, and nothing installed, when there is none.
QString installOne(QCoreApplication &app, const QLocale &locale, const QString &prefix, const QString &folder)
{
    auto *translator = new QTranslator(&app); // owned by the application
    if (!translator->load(locale, prefix, QStringLiteral("_"), folder)) {
        delete translator;
        return QString();
    }
    QCoreApplication::installTranslator(translator);
    return QFileInfo(translator->filePath()).completeBaseName();
}

} // namespace

QStringList CTranslations::install(QCoreApplication &app, const QLocale &locale)
{
    QStringList loaded;
    const QString own = installOne(app, locale, QStringLiteral("sorvane"), QStringLiteral(":/i18n"));
    // Qt's dialogs follow only into a language Sorvane speaks too, so that a
    // window never mixes two languages besides English.
    if (own.isEmpty())
        return loaded;
    loaded.append(own);
    const QString qt = installOne(app, locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!qt.isEmpty())
        loaded.append(qt);
    return loaded;
}
