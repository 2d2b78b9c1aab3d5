#include "watch/CTextFile.h"

#include "CDataFile.h"

#include <QCoreApplication>
#include <QStringDecoder>

CResult<QString> CTextFile::read(const QString &path, QStringList &notes)
{
    const CResult<QByteArray> contents = CDataFile::read(path);
    if (!contents)
        return CResult<QString>::failure(contents.message());
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(contents.value());
    if (decoder.hasError())
        notes.append(QCoreApplication::translate("CTextFile", "%1 is not all UTF-8 text; what is not was read as \uFFFD")
                         .arg(path));
    return CResult<QString>::success(std::move(text));
}
