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
    // The data folder under HOME, SORVANE_SERVICE, modal dialogs, the system
    // clock and the window's state in the per-user configuration location.
    static CSettings fromEnvironment();
    // The data folder under the given home folder, the default service,
    // the given prompts, the system clock and the window's state in a file
    // of that home, so a window on another home leaves the user's alone.
    static CSettings forHome(const QString &home, std::shared_ptr<CUserPrompts> prompts);

    QString dataDirectory;
    CServiceAddress service;
    std::shared_ptr<CUserPrompts> prompts;
    CRankClock clock;
    // The file that keeps how the window was left; empty for the per-user
    // configuration location.
    QString uiStatePath;
    // The sendmail-compatible program alerts are mailed through; empty for
    // the system's own.
    QString sendmailProgram;
    // Bytes of memory the history may use; unset: what the system has.
    std::optional<qint64> availableMemory;
};
