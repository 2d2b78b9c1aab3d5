#include "CAlertBench.h"

#include "CBenchReport.h"
#include "CProcessMemory.h"

#include "CAlexaRankData.h"
#include "CDataSession.h"
#include "CRecordDate.h"
#include "watch/CAlertMailer.h"
#include "watch/CAlertRun.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace {

constexpr int Domains = 500;
constexpr int Groups = 1000;
constexpr double RulesGoalMs = 5000;     // a million rules once took 241 s
constexpr int MailTimeoutMs = 2000;
constexpr double MailPeakGoalMb = 20;    // a flooding mail program once took 3.95 GB

QString domainOf(int d)
{
    return QStringLiteral("alert%1.bench").arg(d);
}

// Two days of every domain; every tenth moves by a fifth on the second.
CAlexaRankData recordOf(int d, bool second)
{
    const int rank = 1000 + d * 10;
    const int now = second && d % 10 == 0 ? rank * 6 / 5 : rank;
    const QDate day = second ? QDate(2026, 12, 2) : QDate(2026, 12, 1);
    const QString n = QString::number(now);
    return CAlexaRankData::fromLine(QStringList{domainOf(d), n, n, n, n, n, n, CRecordDate::text(day)}.join(u','));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

CAlertBench::CAlertBench(CBenchReport &report, const QString &root, int runs, int rules)
    : m_report(report)
    , m_root(root)
    , m_runs(runs)
    , m_rules(rules)
{
}

void CAlertBench::run()
{
    const QString folder = prepareFolder();
    if (folder.isEmpty()) {
        CBenchReport::say(QStringLiteral("alerts: cannot write the data folder under %1").arg(m_root));
        return;
    }
    benchRules(folder);
    benchFloodingMail();
}

// A private data folder with the domains, groups of them and the rules,
// each rule naming a group (the costly kind: each is matched against every
// domain of its group).
QString CAlertBench::prepareFolder() const
{
    const QString folder = m_root + QStringLiteral("/alerts");
    if (!QDir().mkpath(folder) || !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return {};
    QByteArray domains;
    QByteArray groups;
    for (int d = 0; d < Domains; ++d) {
        domains += domainOf(d).toUtf8() + '\n';
        groups += "g" + QByteArray::number(d % Groups) + ',' + domainOf(d).toUtf8() + '\n';
    }
    QByteArray rules;
    rules.reserve(qsizetype(m_rules) * 24);
    for (int r = 0; r < m_rules; ++r)
        rules += "@g" + QByteArray::number(r % Groups) + ",global,moves," + QByteArray::number(5 + r % 50) + "%\n";
    if (!writeFile(folder + QStringLiteral("/domains.dat"), domains) || !writeFile(folder + QStringLiteral("/groups.dat"), groups)
        || !writeFile(folder + QStringLiteral("/alerts.dat"), rules))
        return {};
    return folder;
}

void CAlertBench::benchRules(const QString &folder)
{
    QList<CAlexaRankData> history;
    QList<CAlexaRankData> run;
    for (int d = 0; d < Domains; ++d)
        history.append(recordOf(d, false));
    for (int d = 0; d < Domains; ++d)
        run.append(recordOf(d, true));
    history += run;

    QList<double> times;
    qsizetype alerts = 0;
    for (int i = 0; i < m_runs; ++i) {
        QFile::remove(folder + QStringLiteral("/alerts.log"));
        CDataSession session(folder);
        if (session.lock() != CDataSession::LockState::Held) {
            CBenchReport::say(QStringLiteral("alerts: cannot lock %1").arg(folder));
            return;
        }
        session.load();
        QElapsedTimer clock;
        clock.start();
        const CAlertRun::Outcome fired = CAlertRun::fire(session, history, run, {}, QDateTime::currentDateTimeUtc());
        times.append(CBenchReport::msOf(clock));
        alerts = fired.alerts.size();
    }
    const QString size = m_rules >= 1000000 ? QStringLiteral("%1m").arg(m_rules / 1000000) : QString::number(m_rules);
    CBenchReport::say(QStringLiteral("alerts: %1 rules over %2 domains fired %3 alerts").arg(m_rules).arg(Domains).arg(alerts));
    m_report.goal(QStringLiteral("alerts_group_rules_%1").arg(size), times, QStringLiteral("ms"), CBenchReport::Bound::AtMost,
                  RulesGoalMs);
}

// A mail program that writes without end to its output and its error
// output: the mail is given up at its deadline, and what it wrote is not kept.
void CAlertBench::benchFloodingMail()
{
    const QString program = m_root + QStringLiteral("/flooding-sendmail");
    if (!writeFile(program, "#!/bin/sh\nyes 'queue is full' >&2 &\nexec yes\n")
        || !QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        CBenchReport::say(QStringLiteral("alerts: cannot write %1").arg(program));
        return;
    }
    const CAlertMailer mailer(program, MailTimeoutMs);
    QList<double> times;
    QList<double> peaks;
    for (int i = 0; i < m_runs; ++i) {
        const double before = CProcessMemory::residentMb();
        CProcessMemory::resetPeak();
        QElapsedTimer clock;
        clock.start();
        const CResult<> sent = mailer.send(QStringLiteral("me@example.test"), QStringLiteral("Sorvane: 1 rank alert"),
                                           QStringLiteral("alert"));
        times.append(CBenchReport::msOf(clock));
        peaks.append(CProcessMemory::statusMb("VmHWM") - before);
        if (sent)
            CBenchReport::say(QStringLiteral("alerts: the flooding mail program was taken as a success"));
    }
    m_report.figure(QStringLiteral("mail_flood_ends_after"), times, QStringLiteral("ms"));
    m_report.goal(QStringLiteral("mail_flood_peak_growth"), peaks, QStringLiteral("MB"), CBenchReport::Bound::AtMost,
                  MailPeakGoalMb);
}
