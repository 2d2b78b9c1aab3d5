#include "run/CServiceDays.h"

#include "protocol/CSiteInfoRequest.h"
#include "run/CBackfillRun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTimer>

namespace {

QDate dayOf(const QJsonValue &value)
{
    return value.isString() ? QDate::fromString(value.toString(), Qt::ISODate) : QDate();
}

} // namespace

CServiceDays::CServiceDays(QObject *parent)
    : QObject(parent)
{
}

CServiceDays::~CServiceDays() = default;

void CServiceDays::ask(const CServiceAddress &service, const QDate &today)
{
    drop(); // a question under way answers no one
    m_service = service;
    m_today = today;
    m_answer.clear();
    m_socket = new QTcpSocket(this);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { unreachable(tr("no answer within %1 s").arg(TimeoutMs / 1000)); });
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_socket->write("GET " + QByteArray(CSiteInfoRequest::StatusPath.data(), CSiteInfoRequest::StatusPath.size())
                        + " HTTP/1.0\r\nHost: " + m_service.host().toUtf8() + "\r\nConnection: close\r\n\r\n");
    });
    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        m_answer += m_socket->read(MaxBytes + 1 - m_answer.size());
        if (m_answer.size() > MaxBytes)
            unreachable(tr("its status is longer than %1 KiB").arg(MaxBytes / 1024));
    });
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        m_answer += m_socket->read(MaxBytes + 1 - m_answer.size());
        end(pastDays(m_answer, m_today, m_service));
    });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            unreachable(m_socket->errorString());
    });
    m_timer->start(TimeoutMs);
    m_socket->connectToHost(service.host(), quint16(service.port()));
}

void CServiceDays::unreachable(const QString &why)
{
    end(CResult<int>::failure(tr("The ranking service at %1 could not be reached (%2), so no past days can be filled.")
                                  .arg(m_service.text(), why)));
}

bool CServiceDays::drop()
{
    if (!m_socket)
        return false;
    QTcpSocket *socket = std::exchange(m_socket, nullptr);
    QObject::disconnect(socket, nullptr, this, nullptr);
    socket->abort();
    socket->deleteLater(); // it may be the sender of what ends the question
    QTimer *timer = std::exchange(m_timer, nullptr);
    timer->stop();
    timer->deleteLater();
    return true;
}

void CServiceDays::end(const CResult<int> &result)
{
    if (drop())
        Q_EMIT answered(result);
}

CResult<int> CServiceDays::pastDays(const QByteArray &answer, const QDate &today, const CServiceAddress &service)
{
    const QString unreadable =
        tr("The ranking service at %1 answered its status with something Sorvane cannot read, so no past days can be filled.")
            .arg(service.text());
    const qsizetype bodyAt = answer.indexOf("\r\n\r\n");
    if (!answer.startsWith("HTTP/1.") || answer.indexOf(" 200 ") != answer.indexOf(' ') || bodyAt < 0)
        return CResult<int>::failure(unreadable);
    const QJsonDocument document = QJsonDocument::fromJson(answer.sliced(bodyAt + 4));
    const QJsonValue source = document.object().value(QStringLiteral("sources")).toArray().first();
    const QJsonValue held = source.toObject().value(QStringLiteral("days"));
    if (!held.isDouble() || held.toDouble() < 0)
        return CResult<int>::failure(unreadable);
    const int days = int(std::min(held.toDouble(), double(CBackfillRun::MaxDays)));
    const QDate oldest = dayOf(source.toObject().value(QStringLiteral("oldest")));
    const QDate newest = dayOf(source.toObject().value(QStringLiteral("newest")));
    qint64 past = days;
    if (days == 0)
        past = 0;
    else if (oldest.isValid())
        past = oldest.daysTo(today);
    else if (newest.isValid())
        past = newest.daysTo(today) + days - 1;
    past = std::clamp<qint64>(past, 0, CBackfillRun::MaxDays);
    if (past == 0)
        return CResult<int>::failure(
            tr("The ranking service at %1 holds no past days yet, so there are none to fill.").arg(service.text()));
    return CResult<int>::success(int(past));
}
