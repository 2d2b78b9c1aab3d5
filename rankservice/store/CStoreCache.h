#pragma once

#include "rankservice/store/CSnapshotStore.h"

#include "base/CResult.h"

#include <QByteArray>
#include <QString>

// Keeps a loaded store in one file beside its lists, so that a restart over
// the same lists reads that file instead of every list again.
//
// The file names every list it was made from with its size and modification
// time, and is used only while the folder shows exactly those; it is written
// to a temporary file renamed at the end, and ends with a checksum and its
// own length, so that a file cut short or damaged is noticed and never used.
class CStoreCache
{
public:
    static constexpr quint32 Version = 4;

    enum class Outcome {
        Used,    // the store and report are those the lists gave
        Absent,  // no cache yet
        Stale,   // made from other lists, or by another version
        Damaged, // cut short or corrupted
    };

    // What a cache of folder is checked against: the name, size and
    // modification time of every file there, and whatever else decides which
    // of them a load with options takes.
    static QByteArray fingerprint(const QString &folder, const CSnapshotStore::LoadOptions &options = {});

    // Writes store, as a load that gave report left it, to path.
    static CResult<void> write(const QString &path, const CSnapshotStore &store,
                               const CSnapshotStore::Report &report, const QByteArray &fingerprint);

    // How a reading went; why says it for every outcome but Used.
    struct Read
    {
        Outcome outcome = Outcome::Absent;
        QString why;
    };

    // Fills store and report from path when it is a whole cache made from
    // lists with that fingerprint; otherwise leaves them as they were. Only
    // a regular file is read.
    static Read read(const QString &path, const QByteArray &fingerprint, CSnapshotStore &store,
                     CSnapshotStore::Report &report);

private:
    class Reader;
    static Read readWhole(const QString &path, const QByteArray &fingerprint, CSnapshotStore &store,
                          CSnapshotStore::Report &report);
};
