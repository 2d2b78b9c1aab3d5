#pragma once

#include <QString>
#include <QStringList>

class QTextDocument;
class QTextEdit;

// The status text: every message is one plain-text paragraph appended at the
// end, never interpreted as markup. At least the most recent MaxLines
// paragraphs are kept, at most MaxLines + TrimSlack, so a long session or a
// large history cannot make it unusable.
class CStatusLog
{
public:
    static constexpr int MaxLines = 10000;
    // Dropping paragraphs at the top makes the layout move every kept line,
    // milliseconds at this size; so they are dropped in bunches of this many
    // rather than one per appended line.
    static constexpr int TrimSlack = 5000;

    explicit CStatusLog(QTextEdit *view);

    void append(const QString &line);
    // Several paragraphs in one edit of the document; of a long list only
    // the lines that would be kept are inserted.
    void append(const QStringList &lines);

    // Kept back until flush(), which adds every line held in one edit and
    // scrolls to the newest: a paragraph added on its own costs several times
    // what it costs within a bunch. append() flushes first, so the order of
    // the lines never changes.
    void defer(const QString &line);
    void flush();
    bool hasDeferred() const { return !m_deferred.isEmpty(); }

    // Control characters would break a paragraph apart; they are shown as spaces.
    static QString plainLine(const QString &line);

private:
    void insert(const QString &text);
    static void trim(QTextDocument *document);

    QTextEdit *m_view;
    QStringList m_deferred;
};
