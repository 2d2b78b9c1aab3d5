#include "CTableFeed.h"

#include "CFieldText.h"
#include "CStatusLog.h"

#include <QTableWidget>
#include <QTextEdit>

namespace {

// Fields of any length may stand in the history; the line shows each shortened.
QString statusLine(const CAlexaRankData &record)
{
    QString line = CFieldText::shown(record.domain()) + QStringLiteral(" -> {");
    for (int i = 0; i < CAlexaRankData::FieldCount; ++i) {
        if (i > 0)
            line.append(u',');
        // A number is never long enough to be shortened: its digits go in
        // without a string of their own.
        if (quint32 value = 0; record.isNumber(i, &value))
            record.appendField(line, i);
        else
            line.append(CFieldText::shown(record.field(i)));
    }
    line.append(u'}');
    return line;
}

} // namespace

CTableFeed::CTableFeed(QTableWidget *table, QTextEdit *status, const CWidgetHelper &widgetHelper,
                       QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_status(status)
    , m_log(std::make_unique<CStatusLog>(status))
    , m_widgetHelper(widgetHelper)
{
    m_frame.setSingleShot(true);
    m_frame.setInterval(FrameMs);
    connect(&m_frame, &QTimer::timeout, this, &CTableFeed::showFrame);
}

CTableFeed::~CTableFeed() = default;

void CTableFeed::startRun()
{
    m_running = true;
    m_rowsPutIn.start();
}

void CTableFeed::endRun()
{
    m_running = false;
    showHeldResults();
}

void CTableFeed::appendLine(const QString &line)
{
    m_log->append(line);
}

void CTableFeed::addLine(const QString &line)
{
    if (m_running) {
        holdFrame();
        m_log->defer(line);
    } else {
        m_log->append(line);
    }
}

void CTableFeed::addRecord(const CAlexaRankData &record, qsizetype historyIndex)
{
    if (m_rebuildDepth > 0) {
        m_rebuildRows.append(record);
        m_rebuildIndices.append(historyIndex);
        m_rebuildStatus.append(record);
        // Only the newest lines survive in the status text: drop the rest early.
        if (m_rebuildStatus.size() >= 2 * CStatusLog::MaxLines)
            m_rebuildStatus.remove(0, m_rebuildStatus.size() - CStatusLog::MaxLines);
        return;
    }
    if (m_running) {
        m_runRows.append(record);
        m_runIndices.append(historyIndex);
    } else {
        m_widgetHelper.appendRows(m_table, {record}, {historyIndex});
    }
    addLine(statusLine(record));
}

void CTableFeed::beginRebuild()
{
    if (m_rebuildDepth++ == 0)
        m_table->setUpdatesEnabled(false);
}

void CTableFeed::endRebuild()
{
    if (--m_rebuildDepth > 0)
        return;
    m_widgetHelper.appendRows(m_table, m_rebuildRows, m_rebuildIndices);
    QStringList lines;
    lines.reserve(m_rebuildStatus.size());
    for (const CAlexaRankData &record : std::as_const(m_rebuildStatus))
        lines.append(statusLine(record));
    m_log->append(lines);
    m_rebuildRows.clear();
    m_rebuildIndices.clear();
    m_rebuildStatus.clear();
    m_table->setUpdatesEnabled(true);
}

void CTableFeed::clearRows()
{
    m_runRows.clear();
    m_runIndices.clear();
    m_rebuildRows.clear();
    m_rebuildIndices.clear();
    m_widgetHelper.clearTable(m_table);
}

void CTableFeed::showHeldResults()
{
    m_frame.stop();
    putInRunRows();
    m_log->flush();
}

void CTableFeed::showFrame()
{
    if (!m_runRows.isEmpty() && (newRowsInSight() || m_rowsPutIn.hasExpired(RowsOutOfSightMs)))
        putInRunRows();
    m_log->flush();
    // Rows held back still go in when the view comes to show them or their time is up.
    if (!m_runRows.isEmpty())
        m_frame.start();
}

void CTableFeed::putInRunRows()
{
    if (m_runRows.isEmpty())
        return;
    m_widgetHelper.appendRows(m_table, std::exchange(m_runRows, {}), std::exchange(m_runIndices, {}));
    m_rowsPutIn.start();
}

bool CTableFeed::newRowsInSight() const
{
    if (!m_table->isVisible())
        return false;
    // No row at the viewport's bottom edge: the rows end above it.
    const int bottom = m_table->rowAt(m_table->viewport()->height() - 1);
    return bottom < 0 || bottom >= m_table->rowCount() - 1;
}

void CTableFeed::keepNewestLineInView()
{
    if (!m_log->hasDeferred())
        m_status->ensureCursorVisible();
}

void CTableFeed::holdFrame()
{
    // The table's painting is left on: nothing reaches it between frames,
    // and turning it back on would repaint the whole table, visible rows or not.
    if (m_frame.isActive())
        return;
    m_frame.start();
}
