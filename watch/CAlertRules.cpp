#include "watch/CAlertRules.h"

#include "CDataSession.h"
#include "watch/CTextFile.h"

#include <QCoreApplication>
#include <QDir>

CAlertRules CAlertRules::parse(QStringView text, const QString &fileLabel, QStringList &notes)
{
    CAlertRules rules;
    const QList<QStringView> lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringView line = lines.at(i);
        if (const qsizetype comment = line.indexOf(u'#'); comment >= 0)
            line = line.left(comment);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        CResult<CAlertRule> rule = CAlertRule::parse(line);
        if (rule)
            rules.m_rules.append(rule.value());
        else
            notes.append(QCoreApplication::translate("CAlertRules", "%1 line %2: %3; the rule is left out")
                             .arg(fileLabel)
                             .arg(i + 1)
                             .arg(rule.message()));
    }
    return rules;
}

CAlertRules CAlertRules::read(CDataSession &session, QStringList &notes)
{
    const CResult<QString> text = CTextFile::read(session, CDataSession::alertRulesFileName(), notes);
    if (!text) {
        notes.append(text.message());
        return CAlertRules();
    }
    return parse(text.value(), session.filePath(CDataSession::alertRulesFileName()), notes);
}
