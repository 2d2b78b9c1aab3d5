#pragma once

#include "base/CResult.h"
#include "protocol/CServiceAddress.h"

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

// How many past days the ranking service can fill, read from its status:
// back to the oldest day it holds when it names it, else its days held
// counted back from its newest list. Asked without blocking, bounded in
// time and in the bytes read.
class CServiceDays : public QObject
{
    Q_OBJECT

public:
    static constexpr int TimeoutMs = 5000;
    static constexpr qint64 MaxBytes = 256 * 1024;

    explicit CServiceDays(QObject *parent = nullptr);
    ~CServiceDays() override;

    // Answers once with answered(); a question under way is dropped.
    void ask(const CServiceAddress &service, const QDate &today);
    bool isAsking() const { return m_socket != nullptr; }

    // The past days a status answer (head and body) offers before today;
    // a failure in words when it cannot be read or the service holds none.
    static CResult<int> pastDays(const QByteArray &answer, const QDate &today, const CServiceAddress &service);

Q_SIGNALS:
    void answered(const CResult<int> &pastDays);

private:
    // Ends the question under way, if any; false when there was none.
    bool drop();
    void end(const CResult<int> &result);
    void unreachable(const QString &why);

    CServiceAddress m_service;
    QDate m_today;
    QTcpSocket *m_socket = nullptr;
    QTimer *m_timer = nullptr;
    QByteArray m_answer;
};
