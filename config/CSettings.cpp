#include "config/CSettings.h"

#include "CDataStore.h"
#include "prompts/CUserPrompts.h"

CSettings CSettings::forHome(const QString &home, std::shared_ptr<CUserPrompts> prompts)
{
    CSettings settings;
    settings.dataDirectory = CDataStore::dataDirectory(home);
    settings.prompts = prompts ? std::move(prompts) : std::make_shared<CUserPrompts>();
    settings.uiStatePath = home + QStringLiteral("/.config/qorvex/Sorvane.ini");
    return settings;
}
