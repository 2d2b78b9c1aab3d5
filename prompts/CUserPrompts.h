#pragma once

#include <QString>

class QWidget;

// Every modal question and message the windows put to the user goes through
// here, so tests can answer them without a dialog blocking a headless run.
class CUserPrompts
{
public:
    static const QString DefaultTitle; // "Sorvane"

    virtual ~CUserPrompts();

    // A modal message box without parent, no icon, the default OK button.
    // Boxes show their text as plain text, whatever it holds.
    virtual void message(const QString &text, const QString &title = DefaultTitle);
    // A modal question box without parent: Yes and No, No by default.
    virtual bool askYesNo(const QString &text, const QString &title = DefaultTitle);
    // File dialogs open in the given folder (the window gives the last one
    // used, or the home folder).
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &folder = QString());
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &filter,
                                 const QString &folder = QString());
    // A single line of text; cancelling returns empty text.
    virtual QString askText(QWidget *parent, const QString &title, const QString &label);
    // How many past days to fill, from 1 to maximum; 0 when cancelled.
    virtual int askPastDays(QWidget *parent, int maximum);
};
