#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Reads the text of one ranking list as it was downloaded: a plain ".csv", a
// ".gz" or a ".zip" holding the list as its first file. Decompresses in
// memory, never to disk; a file that cannot be read gives the reason.
class CListReader
{
public:
    // A list bigger than this once unpacked is refused, so that a hostile
    // archive cannot fill the memory (a real top-million list is about 25 MB).
    static constexpr qint64 MaxTextSize = qint64(512) * 1024 * 1024;

    struct Result
    {
        QByteArray text;
        QString problem; // empty when text is the list
        bool ok() const { return problem.isEmpty(); }
    };

    // A file that changes or shrinks while it is read is refused: the text
    // would be part of one list and part of another. afterChunk is called
    // with the bytes taken from the file so far, after each chunk.
    static Result read(const QString &path, const std::function<void(qint64 fileBytes)> &afterChunk = {});
};
