#include "CStatusLog.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

CStatusLog::CStatusLog(QTextEdit *view)
    : m_view(view)
{
    m_view->setAcceptRichText(false);
    m_view->document()->setMaximumBlockCount(MaxLines);
}

QString CStatusLog::plainLine(const QString &line)
{
    QString plain = line;
    for (QChar &c : plain) {
        if (c.category() == QChar::Other_Control || c == QChar::ParagraphSeparator
            || c == QChar::LineSeparator)
            c = u' ';
    }
    return plain;
}

void CStatusLog::append(const QString &line)
{
    insert(plainLine(line));
}

void CStatusLog::append(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    QString text;
    const qsizetype first = qMax<qsizetype>(0, lines.size() - MaxLines);
    for (qsizetype i = first; i < lines.size(); ++i) {
        if (i > first)
            text.append(u'\n');
        text.append(plainLine(lines.at(i)));
    }
    insert(text);
}

void CStatusLog::insert(const QString &text)
{
    QTextDocument *document = m_view->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // Like QTextEdit::append: the first paragraph goes into the empty document.
    if (!document->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    // Keep the view's own cursor on the newest line, so ensureCursorVisible()
    // scrolls there.
    m_view->setTextCursor(cursor);
}
