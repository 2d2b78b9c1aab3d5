#include "CStatusLog.h"

#include "CFieldText.h"

#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <utility>

CStatusLog::CStatusLog(QTextEdit *view)
    : m_view(view)
{
    m_view->setAcceptRichText(false);
    // Nobody can undo in a read-only log; the history would only grow.
    m_view->document()->setUndoRedoEnabled(false);
    QFont font;
    font.setStyleStrategy(QFont::PreferNoShaping);
    m_view->setFont(font);
}

QString CStatusLog::plainLine(const QString &line)
{
    if (CFieldText::isPlain(line))
        return line;
    QString plain = line;
    for (QChar &c : plain) {
        if (CFieldText::breaksLine(c))
            c = u' ';
    }
    return plain;
}

void CStatusLog::append(const QString &line)
{
    flush();
    insert(plainLine(line));
}

void CStatusLog::append(const QStringList &lines)
{
    flush();
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

void CStatusLog::defer(const QString &line)
{
    m_deferred.append(line);
    // Only the lines that would be kept need to wait.
    if (m_deferred.size() >= 2 * MaxLines)
        m_deferred.remove(0, m_deferred.size() - MaxLines);
}

void CStatusLog::flush()
{
    if (m_deferred.isEmpty())
        return;
    const QStringList lines = std::exchange(m_deferred, QStringList());
    append(lines);
    m_view->ensureCursorVisible();
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
    // A separate edit: within the insertion's edit the layout would shape
    // every kept line again instead of only moving them up.
    trim(document);
    // Keep the view's own cursor on the newest line, so ensureCursorVisible()
    // scrolls there.
    m_view->setTextCursor(cursor);
}

void CStatusLog::trim(QTextDocument *document)
{
    const int excess = document->blockCount() - MaxLines;
    if (excess <= TrimSlack)
        return;
    // Moving block by block would lay out every line passed to place the cursor.
    QTextCursor top(document);
    top.setPosition(document->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
    top.removeSelectedText();
}
