#pragma once

#include <QStringList>

class QCoreApplication;
class QLocale;

// The program's own translations, compiled in, and Qt's where the system
// has them. Without a translation for the locale the texts stay English.
class CTranslations
{
public:
    // Installs on the application, as its children, Sorvane's translator for
    // the locale and, when there is one, Qt's own for the same language;
    // returns the names of the catalogues loaded, such as "sorvane_de".
    static QStringList install(QCoreApplication &app, const QLocale &locale);
};
