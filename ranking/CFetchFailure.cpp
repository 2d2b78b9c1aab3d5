#include "CFetchFailure.h"

#include "CHttpAnswer.h"

CFetchFailure CFetchFailure::noAnswer(const QString &service, const QString &why, bool reached)
{
    CFetchFailure failure;
    failure.m_service = service;
    failure.m_detail = why;
    failure.m_reached = reached;
    return failure;
}

CFetchFailure CFetchFailure::fromAnswer(const QString &service, const Korv::QtLib::Web::CHttpAnswer &answer)
{
    CFetchFailure failure;
    failure.m_service = service;
    failure.m_reached = true;
    if (answer.isEmpty()) {
        failure.m_kind = Kind::Empty;
    } else if (!answer.hasStatusLine()) {
        failure.m_kind = Kind::NoStatusLine;
    } else if (!answer.isComplete()) {
        failure.m_kind = Kind::Incomplete;
    } else {
        failure.m_kind = Kind::Status;
        failure.m_status = answer.status();
        failure.m_detail = answer.statusText();
        failure.m_reason = answer.reason();
    }
    return failure;
}

QString CFetchFailure::text() const
{
    QString why;
    switch (m_kind) {
    case Kind::Status:
        return tr("the ranking service at %1 answered %2").arg(m_service, m_detail)
               + (m_reason.isEmpty() ? QString() : QStringLiteral(" (") + m_reason + u')');
    case Kind::NoAnswer:
        why = m_detail.isEmpty() ? tr("the fetch failed") : m_detail;
        break;
    case Kind::Empty:
        why = tr("the connection closed without an answer");
        break;
    case Kind::NoStatusLine:
        why = tr("no status line in the answer");
        break;
    case Kind::Incomplete:
        why = tr("the connection closed before the answer was complete");
        break;
    }
    return tr("no answer from the ranking service at %1 (%2)").arg(m_service, why);
}
