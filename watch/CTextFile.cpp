#include "watch/CTextFile.h"

#include "CDataSession.h"

#include <QCoreApplication>
#include <QStringDecoder>

CResult<QString> CTextFile::read(CDataSession &session, const QString &fileName, QStringList &notes)
{
    const CResult<QByteArray> contents = session.readFile(fileName);
    if (!contents)
        return CResult<QString>::failure(contents.message());
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(contents.value());
    if (decoder.hasError())
        notes.append(QCoreApplication::translate("CTextFile", "%1 is not all UTF-8 text; what is not was read as \uFFFD")
                         .arg(session.filePath(fileName)));
    return CResult<QString>::success(std::move(text));
}
