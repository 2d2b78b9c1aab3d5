#pragma once

#include "CRankClock.h"
#include "config/CServiceAddress.h"

#include <QString>

#include <memory>
#include <optional>

class CUserPrompts;

// What the program is told from outside, gathered once by the entry and
// handed to the window: where its data lives, where the ranking service is,
// who answers its questions and what day it is. Tests build their own
// instead of changing the process's environment.
class CSettings
{
public:
    // The data folder under HOME, SORVANE_SERVICE, modal dialogs and the
    // system clock.
    static CSettings fromEnvironment();
    // The data folder under the given home folder, the default service,
    // the given prompts and the system clock.
    static CSettings forHome(const QString &home, std::shared_ptr<CUserPrompts> prompts);

    QString dataDirectory;
    CServiceAddress service;
    std::shared_ptr<CUserPrompts> prompts;
    CRankClock clock;
    // Bytes of memory the history may use; unset: what the system has.
    std::optional<qint64> availableMemory;
};
