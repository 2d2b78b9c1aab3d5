#pragma once

#include <QString>
#include <QStringView>

namespace Korv::QtLib::Web {

// What an HTTP/1.x answer says about itself, read from the text a fetch
// collected: its status line, whether its head ended and its body is as
// long as announced, and a short plain reason from a text body.
class CHttpAnswer
{
public:
    // The reason is cut to this many characters.
    static constexpr qsizetype MaxReasonLength = 200;

    static CHttpAnswer read(QStringView response);

    bool isEmpty() const { return m_empty; }
    bool hasStatusLine() const { return m_status > 0; }
    // The head has ended and the body holds at least its Content-Length.
    bool isComplete() const { return m_complete; }
    int status() const { return m_status; }
    QString statusText() const { return m_statusText; } // "503 Service Unavailable"
    // The first line of a plain-text body, without control characters;
    // empty for other bodies.
    QString reason() const { return m_reason; }

private:
    bool m_empty = true;
    bool m_complete = false;
    int m_status = 0;
    QString m_statusText;
    QString m_reason;
};

} // namespace Korv::QtLib::Web
