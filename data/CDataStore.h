#pragma once

#include "base/CResult.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

class CAlexaRankData;
class CDomainDateList;

// The data directory (".qorvex/Sorvane" under a home directory) and its two
// files: domains.dat (one domain per line) and db.dat (one record per line).
// Files are UTF-8; empty lines are skipped; saving replaces a file only once
// the new contents are completely on disk.
class CDataStore
{
public:
    static QString dataDirectory(const QString &home);
    static QString domainListPath(const QString &dataDirectory);
    static QString historyPath(const QString &dataDirectory);

    // Makes sure the data directory's parent (".qorvex") and then the
    // directory itself exist, one level at a time. Returns how many levels
    // could not be created.
    static int establishDataDirectory(const QString &dataDirectory);

    // Fail, with the reason, when the file exists but cannot be read whole
    // (it must then not be saved over). Notes get what the user should know
    // about a file that was read: lines skipped, text that is not UTF-8.
    static CResult<QStringList> readDomainList(const QString &path, QStringList &notes);
    static CResult<> readHistory(const QString &path, QList<CAlexaRankData> &history,
                                 CDomainDateList &latestDates, QStringList &notes);
    // The same, silent: a file that cannot be read reads as empty.
    static QStringList loadDomainList(const QString &path);
    static void loadHistory(const QString &path, QList<CAlexaRankData> &history,
                            CDomainDateList &latestDates);
    // The loader proper, for a file already in memory.
    static void parseHistory(QByteArrayView contents, QList<CAlexaRankData> &history,
                             CDomainDateList &latestDates);
    // Lines holding "," are no domain names: they are left out, and put
    // into skipped when given.
    static QStringList parseDomainList(QByteArrayView contents, QStringList *skipped = nullptr);

    // On failure the old file is left whole and the message says which file
    // could not be written and why.
    static CResult<> saveDomainList(const QString &path, const QStringList &domains);
    static CResult<> saveHistory(const QString &path, const QList<CAlexaRankData> &history);
    // Any other file of the folder: its lines, each ended by "\n", or its bytes.
    static CResult<> saveLines(const QString &path, const QStringList &lines);
    static CResult<> saveBytes(const QString &path, QByteArrayView bytes);
};
