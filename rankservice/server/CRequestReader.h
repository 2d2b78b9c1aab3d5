#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Reads the head of one HTTP/1.0 or HTTP/1.1 request (request line and
// header lines up to the empty line) from bytes as they arrive, in pieces of
// any size. Keeps at most MaxHeadSize bytes: a longer head is refused, so a
// client cannot make the service hold more. Bytes after the head are ignored.
class CRequestReader
{
public:
    static constexpr qsizetype MaxHeadSize = 8 * 1024;

    enum class Status { Incomplete, Complete, Malformed, TooLarge };

    Status feed(QByteArrayView bytes);
    Status status() const { return m_status; }

    // Valid once Complete; the method also once the request line is read,
    // or once a head too large began with one.
    QByteArray method() const { return m_method; }
    QByteArray target() const { return m_target; } // raw, may hold spaces the client did not encode
    QByteArray version() const { return m_version; }
    qsizetype headSize() const { return m_size; }

private:
    bool takeRequestLine(QByteArrayView line);
    bool takeHeaderLine(QByteArrayView line);

    Status m_status = Status::Incomplete;
    qsizetype m_size = 0;
    QByteArray m_line; // the line being received
    QByteArray m_method;
    QByteArray m_target;
    QByteArray m_version;
    bool m_hasRequestLine = false;
    bool m_hasHost = false;
};
