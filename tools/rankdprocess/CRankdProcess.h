#pragma once

#include "base/CResult.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QProcess;

// The ranking service as a child process, stopped when this object goes.
class CRankdProcess
{
public:
    explicit CRankdProcess(const QString &program);
    ~CRankdProcess();
    CRankdProcess(const CRankdProcess &) = delete;
    CRankdProcess &operator=(const CRankdProcess &) = delete;

    // Serves the folder on a free loopback port.
    CResult<quint16> start(const QString &dataFolder, int timeoutMs);
    // Runs the service with these arguments and waits until it says where
    // it listens: the port, or why there is none.
    CResult<quint16> startWith(const QStringList &arguments, int timeoutMs);
    void stop();
    // Set before a start: the environment the service runs in (this
    // process's own unless set).
    void setEnvironment(const QProcessEnvironment &environment) { m_environment = environment; }
    // What the service has printed since it was ready, or since the last call.
    QByteArray newOutput();

    // "listening on 127.0.0.1:8080" -> 8080; other lines give nothing.
    static std::optional<quint16> portOf(const QString &line);

    quint16 port() const { return m_port; }
    QString address() const { return m_address; }
    // The service's line "loaded ..." that says what it read.
    QString loadSummary() const { return m_summary; }
    // CPU time the service has used so far (user and system), from /proc.
    double cpuSeconds() const;
    // Its resident memory now (VmRSS), in MB, from /proc; -1 when unknown.
    double residentMb() const;
    // Its peak resident memory (VmHWM), in MB; -1 when unknown.
    double peakMb() const;
    // A memory line of its status (such as "RssFile:"), in MB; -1 when unknown.
    double statusMb(QByteArrayView field) const;
    // Starts counting the peak afresh from the memory it has now; false
    // where the system cannot (Linux before 4.0).
    bool resetPeak() const;
    // A memory line (such as "VmHWM:") of a process's status, in MB; -1 when unknown.
    static double memoryMb(qint64 pid, QByteArrayView field);

private:
    QString m_program;
    std::optional<QProcessEnvironment> m_environment;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QString m_address;
    QString m_summary;
};
