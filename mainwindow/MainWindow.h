#pragma once

#include "CAlexaRankData.h"
#include "CQueryRun.h"
#include "base/CResult.h"
#include "config/CSettings.h"
#include "run/CRunSession.h"
#include "CWidgetHelper.h"

#include <QList>
#include <QMainWindow>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <memory>

class CAlertMailer;
class CAlexaSocket;
class CDataSession;
class CDesktopNotifier;
class CRunSession;
class CServiceDays;
class ChartWindow;
class CDomainDateList;
class CPeriod;
class CPeriodIndex;
class CQueryRelayServer;
class CTableFeed;
class CUiState;
class CDomainGroups;
class CUserPrompts;
class ManageDomains;
class OverviewWindow;
class QTreeWidgetItem;

namespace Ui {
class MainWindow;
}

// The program's window: the domain list, the history table with its
// year/month tree, the status text, and the button of the query run, which
// shows what the run reports. It owns the history and writes it back to the
// data files.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int SocketCount = CQueryRun::SocketCount;

    // Without prompts the window asks through modal dialogs.
    MainWindow(QWidget *parent, CSettings settings, std::shared_ptr<CUserPrompts> prompts = nullptr);
    ~MainWindow() override;

    // False when another instance holds the data folder: this one then
    // neither reads nor writes the data files and should end at once.
    bool ownsData() const;

    // Writes the domain list, then the history; a failure is told to the user.
    // A file that could not be read at start, or a data folder that could
    // not be locked, is not written (the status text says so).
    bool saveData();
    // What changed is written once control is back in the event loop, so a
    // batch of changes costs one save; the history on the session's thread.
    void scheduleSave(bool domains, bool history);
    // Writes what scheduleSave() left pending, at once.
    bool savePending();

    const QList<CAlexaRankData> &history() const { return rankHistory; }
    const CDomainDateList &dates() const;
    CAlexaSocket *socket(int index) const { return queryRun->socket(index); }
    ManageDomains *manager() const { return domainManager; }
    bool isCrawlFinished() const { return queryRun->isListExhausted(); }
    ChartWindow *chart() const { return chartWindow; }
    OverviewWindow *overview() const { return overviewWindow; }

    void startCrawl();
    void crawlNextDomain(int socketId);
    void buildHistoryTree();
    // After records were merged anywhere into the history: the dates, the
    // tree, the month list and the table are made afresh, as at start.
    void rebuildHistoryViews();
    void addRankRow(CAlexaRankData record);

    static QString monthName(const QString &month);
    static int daysInMonth(const QString &label);
    static QString ordinalSuffix(int day);

Q_SIGNALS:
    // Records were taken in or deleted, or the domain list changed.
    void historyChanged();

public Q_SLOTS:
    void crawlComplete();
    void rankProfile(CAlexaRankData record, int socketId);
    void onViewLogClick();
    void removeAllDomains();
    void addNewDomain(QString entry);
    void onTreeViewLogClick(QTreeWidgetItem *item, int column);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private Q_SLOTS:
    void on_action_Exit_triggered();
    void on_action_Import_Urls_triggered();
    void on_btnManualQuery_clicked();
    void on_cbDomain_currentIndexChanged(int index);
    void on_actionExport_CSV_triggered();
    void on_actionExport_History_triggered();
    void on_actionImport_History_triggered();
    void on_actionRank_triggered();
    void on_btnManageDomains_clicked();
    void on_actionChart_triggered();
    void on_actionOverview_triggered();
    void on_actionAlerts_triggered();
    void on_actionFill_Past_Days_triggered();

private:
    void setUpHeader();
    void connectHelp();
    void showFirstStartHint();
    void restoreUiState();
    void listenForQueryCommands();
    void keepUiState();
    void openDataFolder();
    void fillDomainList();
    void showDataNotes();
    bool saveDomains();
    bool saveHistory();
    bool showSaved(const CResult<> &saved, bool savable);
    void connectQueryRun();
    void connectRunSession();
    void prepareRun();
    void takeAccepted(const CAlexaRankData &record);
    void finishRun();
    // The run has finished, its save included: another may start.
    void enableRuns();
    // A save of the history under way ends before the window goes: it
    // closes once saved, disabled and with a busy cursor meanwhile.
    void closeWhenSaved();
    void closeOnceSaved();
    void savePendingInBackground();
    // A message box once control is back in the event loop, so that a
    // command waiting for the run hears its end first.
    void tellLater(const QString &message);
    // groups.dat, its problems told in the status text.
    CDomainGroups readGroups();
    void showProgress();
    // Past days: the service's days asked for, the user asked, the backfill
    // run through the run session and its records shown once it ends.
    void takeServiceDays(const CResult<int> &pastDays);
    void offerPastDays(int pastDays);
    void startBackfill(int days);
    void finishBackfill(const CRunSession::Result &result);
    // The filled records are in the history: the dates, the tree's months and
    // the view on show take them in.
    void showFilledDays(const QList<CAlexaRankData> &filled);
    void sortMonths();
    void showFillRow(bool shown);
    void placeStatusArea(int width, int height);
    void addMonthBranch(const QString &label);
    void ensureMonth(const QString &label);
    CPeriod periodOf(const QTreeWidgetItem *item) const;
    void updateChart();
    // Opens the chart window, fed with the domain list, the groups and the period.
    void showChart();
    // The names of the domain list (entries trimmed), in list order.
    QStringList listedDomains() const;
    void addFilteredRow(const CAlexaRankData &record, const QString &filter, qsizetype historyIndex);
    template<typename Predicate>
    void showRecords(Predicate accept);
    // The records of the period that also pass accept, found through the period index.
    template<typename Predicate>
    void showPeriodRecords(const CPeriod &period, Predicate accept);

    std::unique_ptr<Ui::MainWindow> ui;
    ManageDomains *domainManager = nullptr;
    CWidgetHelper widgetHelper;
    std::unique_ptr<CQueryRun> queryRun;
    bool periodSelected = false;
    // Where the run's alerts go besides the status text.
    std::unique_ptr<CDesktopNotifier> notifier;
    std::unique_ptr<CAlertMailer> mailer;

    CSettings settings;
    // The data folder, its locks and files; holds the history the window shows.
    std::unique_ptr<CDataSession> session;
    QList<CAlexaRankData> &rankHistory;
    // The query run from its start to its one result: intake, save, alerts and words.
    CRunSession *runSession = nullptr;
    // Shared with the domain manager.
    std::shared_ptr<CUserPrompts> prompts;
    CTableFeed *feed = nullptr; // the table's and the status text's only writer
    bool domainsPending = false;
    bool historyPending = false;
    bool saveScheduled = false;
    bool groupsReadable = true; // false: groups.dat must not be saved over
    // The month labels of the tree, for a lookup per result instead of a scan.
    QSet<QString> monthLabels;
    // Where each month's records stand in rankHistory, for the views of a period.
    std::unique_ptr<CPeriodIndex> periodIndex;
    QStringList statusNotes; // what the data session had to say, shown once the table is filled
    ChartWindow *chartWindow = nullptr;
    OverviewWindow *overviewWindow = nullptr;
    // Runs a query asked for on the command line as the button would.
    CQueryRelayServer *relayServer = nullptr;
    // How the user left the window, restored over the first-start state.
    std::unique_ptr<CUiState> uiState;
    bool columnsFitted = false; // to their contents on the first show, unless the user's widths were kept
    QString queryButtonText; // shown again when a run's progress is no longer
    QTimer progressFrame;
    // How many past days the service holds, asked without blocking.
    CServiceDays *serviceDays = nullptr;
    bool offeringPastDays = false; // the question under way is the first run's offer
    bool historyWasEmpty = false;  // when the run under way started
    bool closingWhenSaved = false;
};
