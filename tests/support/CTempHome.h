#pragma once

#include "config/CSettings.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class CUserPrompts;

// A fresh temporary home folder for the test's lifetime, so a test can
// create, read and break the data folder freely. The process's HOME is left
// alone: a window is pointed at this folder by its settings.
class CTempHome
{
public:
    CTempHome();
    ~CTempHome();
    CTempHome(const CTempHome &) = delete;
    CTempHome &operator=(const CTempHome &) = delete;

    QString path() const { return m_dir.path(); }
    // The data folder in this home; the clock fixed at a date when one is given.
    CSettings settings(const QDate &today = QDate()) const;
    QString dataDirectory() const; // <home>/.qorvex/Sorvane, created
    QString domainListPath() const;
    QString historyPath() const;
    // <home>/run, private (0700): the window's socket folder in its settings,
    // and $XDG_RUNTIME_DIR of the commands the tests run.
    QString runtimeDirectory() const;

    void writeFile(const QString &path, const QByteArray &contents) const;
    static QByteArray readFile(const QString &path);

private:
    QTemporaryDir m_dir;
};
