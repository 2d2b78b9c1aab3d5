#include "CRankdProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>

#include <unistd.h>

CRankdProcess::CRankdProcess(const QString &program)
    : m_program(program)
{
}

CRankdProcess::~CRankdProcess()
{
    stop();
}

CResult<quint16> CRankdProcess::start(const QString &dataFolder, int timeoutMs)
{
    return startWith({QStringLiteral("--data"), dataFolder, QStringLiteral("--address"), QStringLiteral("127.0.0.1"),
                      QStringLiteral("--port"), QStringLiteral("0")},
                     timeoutMs);
}

std::optional<quint16> CRankdProcess::portOf(const QString &line)
{
    static const QLatin1StringView Lead("listening on ");
    if (!line.startsWith(Lead))
        return std::nullopt;
    bool ok = false;
    const uint port = line.section(u':', -1).toUInt(&ok);
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

CResult<quint16> CRankdProcess::startWith(const QStringList &arguments, int timeoutMs)
{
    stop();
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->setStandardErrorFile(QProcess::nullDevice());
    if (m_environment)
        m_process->setProcessEnvironment(*m_environment);
    m_process->start(m_program, arguments);
    if (!m_process->waitForStarted(10000))
        return CResult<quint16>::failure(QStringLiteral("cannot start %1: %2").arg(m_program, m_process->errorString()));
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!m_process->canReadLine() && !m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            if (m_process->state() != QProcess::Running)
                break;
            continue;
        }
        while (m_process->canReadLine()) {
            const QString line = QString::fromUtf8(m_process->readLine()).trimmed();
            if (line.startsWith(QStringLiteral("loaded ")))
                m_summary = line;
            if (const std::optional<quint16> port = portOf(line)) {
                m_port = *port;
                m_address = line.mid(13).section(u':', 0, -2);
            }
            // It listens at once; pages are served once the lists are loaded.
            if (line.startsWith(QStringLiteral("ready: ")) && m_port != 0)
                return CResult<quint16>::success(m_port);
        }
    }
    stop();
    return CResult<quint16>::failure(QStringLiteral("%1 did not report a listening port").arg(m_program));
}

QByteArray CRankdProcess::newOutput()
{
    if (!m_process)
        return {};
    m_process->waitForReadyRead(0);
    return m_process->readAllStandardOutput();
}

void CRankdProcess::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    m_process.reset();
    m_port = 0;
    m_address.clear();
    m_summary.clear();
}

double CRankdProcess::cpuSeconds() const
{
    if (!m_process || m_process->processId() <= 0)
        return 0;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(m_process->processId()));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // The fields after the parenthesised command name: utime and stime are the 12th and 13th.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

double CRankdProcess::residentMb() const
{
    return m_process ? memoryMb(m_process->processId(), "VmRSS:") : -1;
}

double CRankdProcess::peakMb() const
{
    return m_process ? memoryMb(m_process->processId(), "VmHWM:") : -1;
}

double CRankdProcess::statusMb(QByteArrayView field) const
{
    return m_process ? memoryMb(m_process->processId(), field) : -1;
}

bool CRankdProcess::resetPeak() const
{
    QFile refs(QStringLiteral("/proc/%1/clear_refs").arg(m_process ? m_process->processId() : 0));
    return m_process && refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

double CRankdProcess::memoryMb(qint64 pid, QByteArrayView field)
{
    if (pid <= 0)
        return -1;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return double(line.mid(field.size()).trimmed().split(' ').value(0).toLongLong()) * 1024 / 1e6;
    }
    return -1;
}
