#include "io/CCsvWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

#include <algorithm>

bool CCsvWriter::needsQuotes(QStringView cell)
{
    return std::any_of(cell.begin(), cell.end(),
                       [](QChar c) { return c == u'"' || c == u',' || c == u'\n' || c == u'\r'; });
}

void CCsvWriter::appendCell(QString &out, QStringView cell)
{
    if (!needsQuotes(cell)) {
        out.append(cell);
        return;
    }
    out.append(u'"');
    for (const QChar c : cell) {
        if (c == u'"')
            out.append(u'"');
        out.append(c);
    }
    out.append(u'"');
}

QByteArray CCsvWriter::toCsv(const QList<QStringList> &rows)
{
    QByteArray bytes;
    QString line;
    for (const QStringList &row : rows) {
        line.clear();
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                line.append(u',');
            appendCell(line, row.at(i));
        }
        line.append(u'\n');
        bytes.append(line.toUtf8());
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
