#include "config/CSettings.h"

#include "CDataStore.h"

CSettings CSettings::forHome(const QString &home)
{
    CSettings settings;
    settings.homeDirectory = home;
    settings.dataDirectory = CDataStore::dataDirectory(home);
    settings.uiStatePath = home + QStringLiteral("/.config/qorvex/Sorvane.ini");
    return settings;
}
