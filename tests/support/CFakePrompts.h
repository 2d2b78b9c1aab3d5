#pragma once

#include "prompts/CUserPrompts.h"

#include <QList>
#include <QPointer>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QWidget>

// Stands in for every modal dialog: records what would have been shown and
// answers from queues the test fills beforehand. A question or dialog with
// no queued answer is counted as unanswered and gets the cancel answer, so a
// forgotten answer fails the test instead of blocking the run.
class CFakePrompts : public CUserPrompts
{
public:
    enum class Kind { Message, Question, OpenFile, SaveFile, Text, PastDays };

    struct Prompt
    {
        Kind kind;
        QString title;     // caption of a dialog, title of a box
        QString text;      // message text, question, input label or filter
        QPointer<QWidget> parent;
        bool hadParent = false;
        QString folder;    // where a file dialog would have opened
    };

    void answerYesNo(bool yes) { m_yesNo.enqueue(yes); }
    // A null string stands for a cancelled file dialog.
    void answerFileName(const QString &name) { m_fileNames.enqueue(name); }
    void answerText(const QString &text) { m_texts.enqueue(text); }
    // Days to fill; 0 stands for a cancelled dialog. The prompt's text is the maximum offered.
    void answerPastDays(int days) { m_pastDays.enqueue(days); }
    // Messages are recorded and also shown in the real box (for a
    // CMessageBoxReader to read and dismiss).
    void showRealMessageBoxes(bool on) { m_realBoxes = on; }

    const QList<Prompt> &prompts() const { return m_prompts; }
    QList<Prompt> prompts(Kind kind) const;
    QStringList messages() const; // the texts of every message box, in order
    int unanswered() const { return m_unanswered; }
    int pendingAnswers() const { return int(m_yesNo.size() + m_fileNames.size() + m_texts.size() + m_pastDays.size()); }
    void clear();

    void message(const QString &text, const QString &title = DefaultTitle) override;
    bool askYesNo(const QString &text, const QString &title) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &folder) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                         const QString &folder) override;
    QString askText(QWidget *parent, const QString &title, const QString &label) override;
    int askPastDays(QWidget *parent, int maximum) override;

private:
    void record(Kind kind, const QString &title, const QString &text, QWidget *parent,
                const QString &folder = QString());

    QList<Prompt> m_prompts;
    QQueue<bool> m_yesNo;
    QQueue<QString> m_fileNames;
    QQueue<QString> m_texts;
    QQueue<int> m_pastDays;
    int m_unanswered = 0;
    bool m_realBoxes = false;
};
