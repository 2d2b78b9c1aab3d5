#pragma once

#include <QCoreApplication>
#include <QString>

namespace Korv::QtLib::Web {
class CHttpAnswer;
}

// Why one fetch of a page brought no record: the service was not reached or
// gave no usable answer, or it answered with an HTTP status other than 200.
// Callers decide by kind and status; text() puts it in words for the status
// text or the terminal.
class CFetchFailure
{
    Q_DECLARE_TR_FUNCTIONS(CFetchFailure)

public:
    enum class Kind {
        NoAnswer,     // the connection failed, timed out or ran over the size limit
        Empty,        // closed without a byte
        NoStatusLine, // the answer is not HTTP
        Incomplete,   // closed before the announced end
        Status,       // a complete answer whose status is not 200
    };

    CFetchFailure() = default;
    // The service ("host:port") could not be reached; why in plain words
    // ("connection refused"), or empty when nothing more is known.
    // reached: a connection was made before it failed (a trickle, a cut).
    static CFetchFailure noAnswer(const QString &service, const QString &why, bool reached = false);
    // An answer that is not a complete "200" page.
    static CFetchFailure fromAnswer(const QString &service, const Korv::QtLib::Web::CHttpAnswer &answer);

    Kind kind() const { return m_kind; }
    // The HTTP status for Kind::Status, else 0.
    int status() const { return m_status; }
    bool isStatus(int status) const { return m_kind == Kind::Status && m_status == status; }
    // False only when no connection to the service was made.
    bool reachedService() const { return m_reached; }

    // "no answer from the ranking service at localhost:80 (connection refused)",
    // "the ranking service at localhost:80 answered 503 Service Unavailable (loading)".
    QString text() const;

private:
    Kind m_kind = Kind::NoAnswer;
    int m_status = 0;
    QString m_service;
    QString m_detail; // the socket's words, or the status text
    QString m_reason; // the body's plain reason for a status
    bool m_reached = false;
};
