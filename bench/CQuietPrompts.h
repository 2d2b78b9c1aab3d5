#pragma once

#include "prompts/CUserPrompts.h"

#include <QStringList>

// Answers every dialog without showing one, so a measured run never blocks;
// the messages are kept so the benchmark can report them.
class CQuietPrompts : public CUserPrompts
{
public:
    void message(const QString &text, const QString &title = DefaultTitle) override;
    bool askYesNo(const QString &text, const QString &title) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &folder) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                         const QString &folder) override;
    QString askText(QWidget *parent, const QString &title, const QString &label) override;

    QStringList messages;
};
