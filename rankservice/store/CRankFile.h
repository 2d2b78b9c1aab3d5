#pragma once

#include "base/CResult.h"

#include <QDate>
#include <QSet>
#include <QString>

#include <memory>

class CDayRanks;

// One held day's packed ranks in a file of their own, read from disk a
// few words at a time instead of held in memory: what lets the service
// hold days older than the newest 90 for little memory (what is read often
// stays in the system's page cache, which gives it back when it must). The
// files live in a private folder beside the lists; each is written once,
// whole (temporary file and rename), and named by its day and a stamp that
// the cache records, so that a file of another load is never taken for it.
class CRankFile
{
public:
    static inline const QString FolderName = QStringLiteral(".sorvane-rankd.ranks");

    struct Written
    {
        QString name;
        quint64 length = 0;
        quint64 stamp = 0;
    };

    // The rank files' folder for a folder of lists, made (for its owner
    // alone) when missing; refused when it is a link, or not a folder of
    // this user's that only this user can write.
    static CResult<QString> folderFor(const QString &listFolder);
    static CResult<Written> write(const QString &folder, const QDate &day, const CDayRanks &ranks);
    // The ranks of the file at path, kept open and read from as pages need
    // them, when it is the one written with that length and stamp and its
    // parts agree with its length and with domains (the names numbered):
    // every size is checked before a rank is read.
    static CResult<std::shared_ptr<const CDayRanks>> open(const QString &path, quint64 length, quint64 stamp,
                                                          qint64 domains);
    // Puts the rank files of folder on disk: done once before a cache that
    // names them is, rather than once for each file.
    static void sync(const QString &folder);
    // Removes the files of folder that keep is not naming (days let go,
    // files of an earlier load, temporary files left by a stop).
    static void removeAllBut(const QString &folder, const QSet<QString> &keep);
};
