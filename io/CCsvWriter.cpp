#include "io/CCsvWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

QByteArray CCsvWriter::toCsv(const QList<QStringList> &rows)
{
    QByteArray bytes;
    for (const QStringList &row : rows) {
        bytes.append(row.join(u',').toUtf8());
        bytes.append('\n');
    }
    return bytes;
}

CResult<> CCsvWriter::write(const QString &path, const QList<QStringList> &rows)
{
    QSaveFile file(path);
    const QByteArray bytes = toCsv(rows);
    // Unbuffered, so that a write failing on a full disk is seen before commit().
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size()
        && file.commit())
        return CResult<>::success();
    const QString message = QCoreApplication::translate("CCsvWriter", "Could not export to %1: %2")
                                .arg(QDir::toNativeSeparators(path), file.errorString());
    file.cancelWriting();
    return CResult<>::failure(message);
}
