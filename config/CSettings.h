#pragma once

#include "CRankClock.h"
#include "protocol/CServiceAddress.h"

#include <QString>

#include <optional>

// What the program is told from outside, gathered once by the entry (which
// alone reads the environment) and handed to the window: the home folder,
// where its data lives, where the ranking service is and what day it is.
// Tests build their own instead of changing the process's environment.
class CSettings
{
public:
    // The data folder under the given home folder, the default service,
    // the system clock and the window's state in a file of that home, so a
    // window on another home leaves the user's alone.
    static CSettings forHome(const QString &home);

    // Where file dialogs open when no folder was used yet.
    QString homeDirectory;
    QString dataDirectory;
    CServiceAddress service;
    CRankClock clock;
    // The file that keeps how the window was left; empty for the per-user
    // configuration location.
    QString uiStatePath;
    // The sendmail-compatible program alerts are mailed through; empty for
    // the system's own.
    QString sendmailProgram;
    // The program that tells the desktop of alerts (the program itself, as
    // its notification helper); empty: the desktop is not told.
    QString notifierProgram;
    // Where the open window's socket for `sorvane --query` goes
    // ($XDG_RUNTIME_DIR); empty: a private folder of the user's own.
    QString runtimeDirectory;
    // Bytes of memory the history may use; unset: what the system has.
    std::optional<qint64> availableMemory;
};
