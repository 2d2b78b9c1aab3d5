#include "CFakePrompts.h"

QList<CFakePrompts::Prompt> CFakePrompts::prompts(Kind kind) const
{
    QList<Prompt> found;
    for (const Prompt &prompt : m_prompts) {
        if (prompt.kind == kind)
            found.append(prompt);
    }
    return found;
}

QStringList CFakePrompts::messages() const
{
    QStringList texts;
    for (const Prompt &prompt : m_prompts) {
        if (prompt.kind == Kind::Message)
            texts.append(prompt.text);
    }
    return texts;
}

void CFakePrompts::clear()
{
    m_prompts.clear();
    m_yesNo.clear();
    m_fileNames.clear();
    m_texts.clear();
    m_pastDays.clear();
    m_unanswered = 0;
}

void CFakePrompts::record(Kind kind, const QString &title, const QString &text, QWidget *parent,
                          const QString &folder)
{
    m_prompts.append(Prompt{kind, title, text, parent, parent != nullptr, folder});
}

void CFakePrompts::message(const QString &text, const QString &title)
{
    record(Kind::Message, title, text, nullptr);
    if (m_realBoxes)
        CUserPrompts::message(text, title);
}

bool CFakePrompts::askYesNo(const QString &text, const QString &title)
{
    record(Kind::Question, title, text, nullptr);
    if (m_yesNo.isEmpty()) {
        ++m_unanswered;
        return false;
    }
    return m_yesNo.dequeue();
}

QString CFakePrompts::openFileName(QWidget *parent, const QString &caption, const QString &folder)
{
    record(Kind::OpenFile, caption, QString(), parent, folder);
    if (m_fileNames.isEmpty()) {
        ++m_unanswered;
        return QString();
    }
    return m_fileNames.dequeue();
}

QString CFakePrompts::saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                                   const QString &folder)
{
    record(Kind::SaveFile, caption, filter, parent, folder);
    if (m_fileNames.isEmpty()) {
        ++m_unanswered;
        return QString();
    }
    return m_fileNames.dequeue();
}

QString CFakePrompts::askText(QWidget *parent, const QString &title, const QString &label)
{
    record(Kind::Text, title, label, parent);
    if (m_texts.isEmpty()) {
        ++m_unanswered;
        return QString();
    }
    return m_texts.dequeue();
}

int CFakePrompts::askPastDays(QWidget *parent, int maximum)
{
    record(Kind::PastDays, QString(), QString::number(maximum), parent);
    if (m_pastDays.isEmpty()) {
        ++m_unanswered;
        return 0;
    }
    return m_pastDays.dequeue();
}
