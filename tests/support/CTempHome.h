#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Points HOME at a fresh temporary folder for its lifetime, so a test can
// create, read and break the data folder freely.
class CTempHome
{
public:
    CTempHome();
    ~CTempHome();
    CTempHome(const CTempHome &) = delete;
    CTempHome &operator=(const CTempHome &) = delete;

    QString path() const { return m_dir.path(); }
    QString dataDirectory() const; // <home>/.qorvex/Sorvane, created
    QString domainListPath() const;
    QString historyPath() const;

    void writeFile(const QString &path, const QByteArray &contents) const;
    static QByteArray readFile(const QString &path);

private:
    QTemporaryDir m_dir;
    QByteArray m_previousHome;
};
