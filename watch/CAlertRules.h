#pragma once

#include "watch/CAlertRule.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

class CDataSession;

// The rules of alerts.dat, the file that is their truth: one rule a line,
// "#" starts a comment. A bad line is named and left out; the others apply.
class CAlertRules
{
public:
    // Bad lines go to notes, named with the file's label and their line
    // number, every line of the file counted.
    static CAlertRules parse(QStringView text, const QString &fileLabel, QStringList &notes);
    // A missing file holds no rules; one that cannot be read is a note.
    static CAlertRules read(CDataSession &session, QStringList &notes);

    const QList<CAlertRule> &rules() const { return m_rules; }
    bool isEmpty() const { return m_rules.isEmpty(); }

private:
    QList<CAlertRule> m_rules;
};
