#pragma once

#include "CAlexaRankData.h"
#include "CWidgetHelper.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <memory>

class CStatusLog;
class QTableWidget;
class QTextEdit;

// Puts records into the history table, each with its status line, and other
// lines into the status text. A local service answers far faster than a
// screen refreshes, so while a query run takes results in, its rows and
// lines are held and put in together once per frame (rows that would land
// out of sight less often). A view rebuild gathers
// its rows and puts them in at once when the outermost rebuild ends, with
// painting suspended meanwhile.
class CTableFeed : public QObject
{
    Q_OBJECT

public:
    // While a run takes results in, the table and the status text are
    // redrawn at most once per this many milliseconds.
    static constexpr int FrameMs = 30;
    // Rows that land below the table's visible part change nothing on
    // screen but the scroll bar, while putting rows in repaints every visible
    // cell: during a run those go in at most once per this many milliseconds.
    static constexpr int RowsOutOfSightMs = 250;

    CTableFeed(QTableWidget *table, QTextEdit *status, const CWidgetHelper &widgetHelper, QObject *parent);
    ~CTableFeed() override;

    void startRun();
    bool isRunning() const { return m_running; }
    // Shows everything held.
    void endRun();

    // At once, after the lines held.
    void appendLine(const QString &line);
    // Held while a run is under way.
    void addLine(const QString &line);
    // The row and its status line; the row remembers the record's place in
    // the history when it is given.
    void addRecord(const CAlexaRankData &record, qsizetype historyIndex = -1);

    void beginRebuild();
    void endRebuild();
    // Empties the table, rows not yet put in included.
    void clearRows();

    // Puts the held rows and status lines in now: before anything reads the
    // table's rows, which must then be all the rows taken in.
    void showHeldResults();
    // Scrolls the status text to its newest line, unless lines are held
    // (they are scrolled to when they are put in).
    void keepNewestLineInView();

private:
    void holdFrame();
    void showFrame();
    void putInRunRows();
    // Whether rows appended now would show in the table's visible part.
    bool newRowsInSight() const;

    QTableWidget *m_table;
    QTextEdit *m_status;
    std::unique_ptr<CStatusLog> m_log;
    const CWidgetHelper &m_widgetHelper;
    bool m_running = false;

    QTimer m_frame;
    QElapsedTimer m_rowsPutIn; // during a run, since rows last went in
    QList<CAlexaRankData> m_runRows; // taken in, put into the table with the next frame
    QList<qsizetype> m_runIndices;

    int m_rebuildDepth = 0;
    QList<CAlexaRankData> m_rebuildRows;
    QList<qsizetype> m_rebuildIndices;
    QList<CAlexaRankData> m_rebuildStatus;
};
