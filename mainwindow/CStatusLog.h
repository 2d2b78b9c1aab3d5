#pragma once

#include <QString>
#include <QStringList>

class QTextEdit;

// The status text: every message is one plain-text paragraph appended at the
// end, never interpreted as markup. Only the most recent MaxLines paragraphs
// are kept, so a long session or a large history cannot make it unusable.
// Between beginBatch() and endBatch() lines are gathered and then added in a
// single edit of the document.
class CStatusLog
{
public:
    static constexpr int MaxLines = 10000;

    explicit CStatusLog(QTextEdit *view);

    void append(const QString &line);
    // Several paragraphs in one edit of the document; of a long list only
    // the lines that would be kept are inserted.
    void append(const QStringList &lines);

    // Control characters would break a paragraph apart; they are shown as spaces.
    static QString plainLine(const QString &line);

private:
    void insert(const QString &text);

    QTextEdit *m_view;
};
