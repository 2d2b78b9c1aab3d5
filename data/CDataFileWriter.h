#pragma once

#include "base/CResult.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Saves a data file so that it is replaced only once the new contents are
// completely on disk: they go to a temporary file beside it (".<name>.XXXXXX.tmp",
// a name no user would give a file of their own), which is synced, closed
// and then renamed over the old file. A failed write, sync or close
// fails the save and leaves the old file as it was; an uncommitted
// temporary file is removed when the writer goes. A symbolic link is
// written through: its target is replaced, the link kept. Only a regular
// file is ever replaced: anything else of that name fails the save.
class CDataFileWriter
{
public:
    explicit CDataFileWriter(QString path);
    ~CDataFileWriter();
    CDataFileWriter(const CDataFileWriter &) = delete;
    CDataFileWriter &operator=(const CDataFileWriter &) = delete;

    // The temporary file's name pattern, here alone: the name of a file
    // being saved as "<name>", and whether a file name is one of its
    // temporary files (the only files a cleanup may remove).
    static QByteArray temporaryTemplate(const QString &path);
    static bool isTemporaryOf(const QString &candidate, const QString &fileName);

    // Each fails with what went wrong, in words for the user.
    CResult<> open();
    CResult<> write(QByteArrayView bytes);
    CResult<> commit();

private:
    CResult<> fail(const char *step);
    void discard();

    QString m_path;
    QString m_temporaryPath;
    int m_fd = -1;
};
