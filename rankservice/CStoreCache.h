#pragma once

#include "CSnapshotStore.h"

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
    static constexpr quint32 Version = 2;

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

    // Writes store, as a load that gave report left it, to path. Returns an
    // empty string, or why nothing was written.
    static QString write(const QString &path, const CSnapshotStore &store, const CSnapshotStore::Report &report,
                         const QByteArray &fingerprint);

    // Fills store and report from path when it is a whole cache made from
    // lists with that fingerprint; otherwise leaves them as they were and
    // gives the reason in why.
    static Outcome read(const QString &path, const QByteArray &fingerprint, CSnapshotStore &store,
                        CSnapshotStore::Report &report, QString *why = nullptr);

private:
    static Outcome readWhole(const QString &path, const QByteArray &fingerprint, CSnapshotStore &store,
                             CSnapshotStore::Report &report, QString *why);
};
