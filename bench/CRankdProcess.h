#pragma once

#include <QString>

#include <memory>

class QProcess;

// The ranking service as a child process on a free loopback port, stopped
// when this object goes.
class CRankdProcess
{
public:
    explicit CRankdProcess(const QString &program);
    ~CRankdProcess();
    CRankdProcess(const CRankdProcess &) = delete;
    CRankdProcess &operator=(const CRankdProcess &) = delete;

    // Waits until the service says where it listens; false with the reason
    // in error otherwise.
    bool start(const QString &dataFolder, int timeoutMs, QString *error);
    void stop();

    quint16 port() const { return m_port; }
    // CPU time the service has used so far (user and system), from /proc.
    double cpuSeconds() const;
    QString loadSummary() const { return m_summary; }

private:
    QString m_program;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QString m_summary;
};
