#pragma once

#include <QByteArrayView>
#include <QString>

// Saves a data file so that it is replaced only once the new contents are
// completely on disk: they go to "<name>.XXXXXX" beside it, which is synced,
// closed and then renamed over the old file. A failed write, sync or close
// fails the save and leaves the old file as it was; an uncommitted
// temporary file is removed when the writer goes. A symbolic link is
// written through: its target is replaced, the link kept.
class CDataFileWriter
{
public:
    explicit CDataFileWriter(QString path);
    ~CDataFileWriter();
    CDataFileWriter(const CDataFileWriter &) = delete;
    CDataFileWriter &operator=(const CDataFileWriter &) = delete;

    bool open();
    bool write(QByteArrayView bytes);
    bool commit();
    // What went wrong, for the user.
    QString errorString() const { return m_error; }

private:
    bool fail(const char *step);
    void discard();

    QString m_path;
    QString m_temporaryPath;
    QString m_error;
    int m_fd = -1;
};
