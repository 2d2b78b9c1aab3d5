#include "MainWindow.h"
#include "ui_MainWindow.h"

#include "CAlexaSocket.h"
#include "CClippedTextDelegate.h"
#include "ChartWindow.h"
#include "io/CCsvWriter.h"
#include "CDataSession.h"
#include "CDomainDateList.h"
#include "io/CDomainImportFilter.h"
#include "CDomainName.h"
#include "CHistoryCalendar.h"
#include "CHistoryMerge.h"
#include "io/CHistoryExporter.h"
#include "io/CHistoryFilter.h"
#include "io/CHistoryImporter.h"
#include "CPeriod.h"
#include "CPeriodIndex.h"
#include "AlertsDialog.h"
#include "CRecordDate.h"
#include "CRunMoves.h"
#include "CTableFeed.h"
#include "CTrendFigure.h"
#include "CTrendPeriod.h"
#include "CUserGuide.h"
#include "config/CUiState.h"
#include "watch/CAlertMailer.h"
#include "watch/CDesktopNotifier.h"
#include "watch/CDomainGroups.h"
#include "relay/CQueryRelayServer.h"
#include "run/CRunSession.h"
#include "run/CServiceDays.h"
#include "prompts/CUserPrompts.h"
#include "ManageDomains.h"
#include "OverviewWindow.h"
#include "SorvaneResources.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QResizeEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

namespace {

const QString allDomainsEntry = CDomainName::entry(QStringLiteral("All Domains"));

struct HeaderColumn
{
    const char *text; // the figures' titles are CTrendFigure's
    const char16_t *icon;
};

constexpr HeaderColumn headerColumns[CAlexaRankData::FieldCount] = {
    {QT_TRANSLATE_NOOP("MainWindow", "Domain"), u":/formIcons/Icons/domains.png"},
    {nullptr, u":/formIcons/Icons/global_rank.png"},
    {nullptr, u":/formIcons/Icons/us_rank.png"},
    {nullptr, u":/formIcons/Icons/1_day.png"},
    {nullptr, u":/formIcons/Icons/7_day.png"},
    {nullptr, u":/formIcons/Icons/1_month.png"},
    {nullptr, u":/formIcons/Icons/3_month.png"},
    {QT_TRANSLATE_NOOP("MainWindow", "Date"), u":/formIcons/Icons/date.png"},
};

bool passesDomainFilter(const CAlexaRankData &record, const QString &filter)
{
    return filter == allDomainsEntry || CDomainName::nameOf(filter) == record.domain();
}

} // namespace

MainWindow::MainWindow(QWidget *parent, CSettings windowSettings, std::shared_ptr<CUserPrompts> windowPrompts)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
    , settings(std::move(windowSettings))
    , session(std::make_unique<CDataSession>(settings.dataDirectory, settings.availableMemory))
    , rankHistory(session->history())
    , prompts(windowPrompts ? std::move(windowPrompts) : std::make_shared<CUserPrompts>())
{
    initSorvaneResources();
    ui->setupUi(this);
    feed = new CTableFeed(ui->tblRankData, ui->txtStatus, widgetHelper, this);
    // The pool's sockets are the window's children, as they have always been.
    queryRun = std::make_unique<CQueryRun>(session->dates(), this);
    runSession = new CRunSession(*session, *queryRun, this);
    connectQueryRun();
    connectRunSession();
    serviceDays = new CServiceDays(this);
    connect(serviceDays, &CServiceDays::answered, this, &MainWindow::takeServiceDays);
    connect(ui->btnCancelFill, &QPushButton::clicked, this, [this] {
        // What was fetched so far is merged and saved as the run ends.
        if (runSession->isBackfill())
            runSession->stop(tr("cancelled"));
    });
    periodIndex = std::make_unique<CPeriodIndex>();

    domainManager = new ManageDomains(this, prompts);
    connect(domainManager, &ManageDomains::newDomainList, this, &MainWindow::removeAllDomains);
    connect(domainManager, &ManageDomains::newDomain, this, &MainWindow::addNewDomain);
    connect(domainManager, &ManageDomains::groupsChanged, this, [this] {
        const CResult<> saved = domainManager->groups().save(*session);
        if (!saved)
            prompts->message(saved.message());
    });

    ui->treeYearMonth->setColumnCount(1);
    ui->tblRankData->setColumnCount(CAlexaRankData::FieldCount);
    setUpHeader();

    openDataFolder();

    // The two view rebuilds below (all domains, then the first month) are put
    // into the table as one; only the second one's rows are ever seen.
    feed->beginRebuild();
    periodSelected = false;
    fillDomainList();
    ui->cbDomain->setEnabled(false);
    ui->txtStatus->setReadOnly(true);
    connect(ui->lstMonthYear, &QListWidget::itemSelectionChanged, this, &MainWindow::onViewLogClick);
    connect(ui->treeYearMonth, &QTreeWidget::itemClicked, this, &MainWindow::onTreeViewLogClick);
    buildHistoryTree();
    ui->lstMonthYear->setCurrentRow(0);
    feed->endRebuild();
    for (const QString &line : std::exchange(statusNotes, {}))
        feed->appendLine(line);

    ui->actionRank->setChecked(true);
    queryRun->setRankMode(true);
    connect(ui->actionRank, &QAction::toggled, queryRun.get(), &CQueryRun::setRankMode);
    ui->lstMonthYear->setVisible(false);

    connectHelp();
    showFirstStartHint();
    restoreUiState();
    listenForQueryCommands();
}

void MainWindow::listenForQueryCommands()
{
    // Only the holder of the data folder runs what a timer's `sorvane --query` asks for.
    if (session->lockState() != CDataSession::LockState::Held)
        return;
    relayServer = new CQueryRelayServer(*runSession, settings.dataDirectory, settings.runtimeDirectory, this);
    if (const CResult<> listening = relayServer->listen(); !listening)
        feed->appendLine(listening.message());
}

void MainWindow::connectHelp()
{
    // The menu's twins of the two buttons act exactly as a click would.
    connect(ui->actionPerform_Query, &QAction::triggered, ui->btnManualQuery, &QPushButton::click);
    connect(ui->actionManage_Domains, &QAction::triggered, ui->btnManageDomains, &QPushButton::click);
    connect(ui->actionAbout_Sorvane, &QAction::triggered, this,
            [this] { QMessageBox::about(this, CUserGuide::aboutTitle(), CUserGuide::aboutText()); });
    connect(ui->actionAbout_Qt, &QAction::triggered, qApp, &QApplication::aboutQt);
    ui->tblRankData->setItemDelegate(new CClippedTextDelegate(ui->tblRankData));
}

void MainWindow::showFirstStartHint()
{
    // Shown only while the status text is empty, so it never mixes with the
    // status lines and needs no removing.
    const int domains = ui->cbDomain->count() - 1;
    ui->txtStatus->setPlaceholderText(rankHistory.isEmpty() ? CUserGuide::firstStartHint(domains) : QString());
}

void MainWindow::restoreUiState()
{
    uiState = std::make_unique<CUiState>(settings.uiStatePath, settings.homeDirectory);
    if (!ownsData())
        return; // a window that closes at once neither reads nor changes how the user left it
    uiState->load();
    if (uiState->windowRect) {
        // On the screen it was left on if that is still there, and never larger than it.
        const QScreen *shownOn = QGuiApplication::screenAt(uiState->windowRect->center());
        if (!shownOn)
            shownOn = screen();
        if (shownOn)
            setGeometry(CUiState::fitted(*uiState->windowRect, shownOn->availableGeometry()));
        if (uiState->maximized)
            setWindowState(windowState() | Qt::WindowMaximized);
    }
    QHeaderView *header = ui->tblRankData->horizontalHeader();
    if (uiState->columnWidths.size() == header->count()) {
        columnsFitted = true;
        for (int column = 0; column < header->count(); ++column)
            header->resizeSection(column, uiState->columnWidths.at(column));
    }
    if (uiState->rankMode)
        ui->actionRank->setChecked(*uiState->rankMode);
}

void MainWindow::keepUiState()
{
    if (!ownsData() || !uiState)
        return;
    // A window never shown may have no normal place yet: what was read stays.
    if (const QRect place = normalGeometry(); place.isValid()) {
        uiState->windowRect = place;
        uiState->maximized = isMaximized();
    }
    uiState->columnWidths.clear();
    const QHeaderView *header = ui->tblRankData->horizontalHeader();
    for (int column = 0; column < header->count(); ++column)
        uiState->columnWidths.append(header->sectionSize(column));
    uiState->rankMode = ui->actionRank->isChecked();
    uiState->save();
}

MainWindow::~MainWindow()
{
    keepUiState();
    // A run under way ends here the way a signal ends one: what it took in
    // is saved, and a command following it hears how it ended.
    if (runSession->isRunning())
        runSession->stop(tr("the window was closed"));
    runSession->waitForSave();
    if (std::exchange(closingWhenSaved, false))
        QGuiApplication::restoreOverrideCursor();
    saveData();
    delete relayServer; // a command still relaying learns that the window closed
    relayServer = nullptr;
    delete runSession;
    runSession = nullptr;
    queryRun.reset(); // stops the sockets before the date list they take results in against
    delete domainManager;
    domainManager = nullptr;
    ui.reset();
}

void MainWindow::setUpHeader()
{
    QTableWidget *table = ui->tblRankData;
    for (int column = 0; column < CAlexaRankData::FieldCount; ++column) {
        // The figures are titled as everywhere else; the domain and the date here.
        const bool figure = column > 0 && column <= CTrendFigure::Count;
        auto *item = new QTableWidgetItem(figure ? CTrendFigure::label(column - 1) : tr(headerColumns[column].text));
        item->setIcon(QIcon(QString::fromUtf16(headerColumns[column].icon)));
        item->setTextAlignment(Qt::AlignVCenter);
        item->setSizeHint(QSize(100, 32));
        item->setToolTip(CUserGuide::columnToolTip(column));
        table->setHorizontalHeaderItem(column, item);
    }
    table->verticalHeader()->setVisible(false);
}

bool MainWindow::ownsData() const
{
    return session->ownsData();
}

const CDomainDateList &MainWindow::dates() const
{
    return session->dates();
}

void MainWindow::openDataFolder()
{
    const int failures = session->establish();
    for (int i = 0; i < failures; ++i)
        prompts->message(tr("Error establishing data directory, please restart the application"));
    if (failures > 0) {
        close();
        return;
    }
    // Two instances would each rewrite both files from their own memory;
    // the lock keeps a second one away. The system drops it with its
    // process, so whatever a crash left behind is taken over.
    if (session->lock() != CDataSession::LockState::Held)
        prompts->message(session->lockMessage());
    session->load();
    showDataNotes();
}

void MainWindow::showDataNotes()
{
    for (const CDataSession::Note &note : session->takeNotes()) {
        if (note.weight == CDataSession::Note::Weight::Message)
            prompts->message(note.text);
        else
            statusNotes.append(note.text);
    }
}

void MainWindow::fillDomainList()
{
    ui->cbDomain->insertItem(0, allDomainsEntry);
    for (const QString &domain : session->domains())
        ui->cbDomain->addItem(CDomainName::entry(domain));
}

bool MainWindow::saveDomains()
{
    domainsPending = false;
    QStringList domains;
    for (int i = 1; i < ui->cbDomain->count(); ++i)
        domains.append(ui->cbDomain->itemText(i));
    return showSaved(session->saveDomains(domains), session->domainsSavable());
}

bool MainWindow::saveHistory()
{
    historyPending = false;
    return showSaved(session->saveHistory(), session->historySavable());
}

bool MainWindow::showSaved(const CResult<> &saved, bool savable)
{
    // A file kept as it was on purpose is a line of the status text; a save
    // that failed is a message.
    if (!saved && savable)
        prompts->message(saved.message());
    else if (!saved)
        feed->appendLine(saved.message());
    return saved.ok();
}

bool MainWindow::saveData()
{
    const bool domainsSaved = saveDomains();
    const bool historySaved = saveHistory();
    return domainsSaved && historySaved;
}

void MainWindow::scheduleSave(bool domains, bool history)
{
    domainsPending = domainsPending || domains;
    historyPending = historyPending || history;
    if (saveScheduled)
        return;
    saveScheduled = true;
    QTimer::singleShot(0, this, &MainWindow::savePendingInBackground);
}

void MainWindow::savePendingInBackground()
{
    saveScheduled = false;
    if (domainsPending)
        saveDomains();
    if (!std::exchange(historyPending, false))
        return;
    // A large history is written on the session's thread, as a run's is.
    session->saveHistoryInBackground(this, [this](const CResult<> &saved) {
        showSaved(saved, session->historySavable());
        if (closingWhenSaved && !session->isSavingHistory())
            closeOnceSaved();
    });
}

bool MainWindow::savePending()
{
    saveScheduled = false;
    bool saved = true;
    if (domainsPending)
        saved = saveDomains() && saved;
    if (historyPending)
        saved = saveHistory() && saved;
    return saved;
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // Fitted once, in the window's own fonts; then the widths are the user's
    // and are kept with how the window was left.
    if (std::exchange(columnsFitted, true))
        return;
    // No wider than forty characters: a giant field is shortened in its cell
    // and shown whole in its tool tip, rather than pushing the others away.
    QTableWidget *table = ui->tblRankData;
    table->resizeColumnsToContents();
    const int widest = table->fontMetrics().averageCharWidth() * 40;
    for (int column = 0; column < table->columnCount(); ++column)
        table->setColumnWidth(column, std::min(table->columnWidth(column), std::max(widest, 100)));
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    const int w = event->size().width();
    const int h = event->size().height();
    QRect list = ui->lstMonthYear->geometry();
    list.setHeight(h - 201);
    ui->lstMonthYear->setGeometry(list);
    QRect table = ui->tblRankData->geometry();
    table.setSize(QSize(w - 161, h - 131));
    ui->tblRankData->setGeometry(table);
    placeStatusArea(w, h);
    QMainWindow::resizeEvent(event);
}

void MainWindow::placeStatusArea(int width, int height)
{
    constexpr int statusHeight = 81;
    constexpr int rowHeight = 30;
    const bool filling = !ui->barFill->isHidden();
    QRect status = ui->txtStatus->geometry();
    status.moveTop(height - 112);
    status.setWidth(width - 21);
    status.setHeight(filling ? statusHeight - rowHeight - 4 : statusHeight);
    ui->txtStatus->setGeometry(status);
    if (!filling)
        return;
    // The progress of a backfill and its Cancel take the status text's last line.
    const int cancelWidth = std::max(101, ui->btnCancelFill->sizeHint().width());
    const int top = height - 112 + statusHeight - rowHeight;
    ui->btnCancelFill->setGeometry(width - 11 - cancelWidth, top, cancelWidth, rowHeight);
    ui->barFill->setGeometry(10, top, width - 27 - cancelWidth, rowHeight);
}

// Query run

void MainWindow::on_btnManualQuery_clicked()
{
    if (ui->cbDomain->count() == 1) {
        feed->appendLine(tr("Please provide domain names to begin"));
        return;
    }
    startCrawl();
}

void MainWindow::connectQueryRun()
{
    queryRun->setService(settings.service);
    queryRun->setClock(settings.clock);
    connect(queryRun.get(), &CQueryRun::started, this,
            [this] { feed->appendLine(tr("Performing alexa data crawl...")); });
    connect(queryRun.get(), &CQueryRun::recordRefused, this,
            [this](const CAlexaRankData &, const QString &reason) {
                feed->addLine(reason);
                feed->keepNewestLineInView();
            });
    connect(queryRun.get(), &CQueryRun::fetchFailed, this, [this](const QString &domain, const CFetchFailure &failure) {
        feed->addLine(domain + QStringLiteral(": ") + failure.text());
        feed->keepNewestLineInView();
    });
    // Results come far faster than a screen refreshes: the button shows the
    // progress at most once a frame.
    progressFrame.setSingleShot(true);
    progressFrame.setInterval(CTableFeed::FrameMs);
    connect(&progressFrame, &QTimer::timeout, this, &MainWindow::showProgress);
    connect(queryRun.get(), &CQueryRun::progressed, this, [this] {
        if (!progressFrame.isActive())
            progressFrame.start();
    });
    connect(queryRun.get(), &CQueryRun::listExhausted, this,
            [this] { feed->appendLine(tr("alexa ranking queries completed")); });
}

void MainWindow::connectRunSession()
{
    // The list is read from the combo box at each hand-over, so that domains
    // added during the run are queried in it.
    runSession->setDomainList([this](int position) {
        return position + 1 < ui->cbDomain->count() ? ui->cbDomain->itemText(position + 1) : QString();
    });
    notifier = std::make_unique<CDesktopNotifier>(settings.notifierProgram, CDesktopNotifier::DefaultTimeoutMs);
    mailer = std::make_unique<CAlertMailer>(CAlertMailer::program(settings.sendmailProgram));
    connect(runSession, &CRunSession::aboutToStart, this, &MainWindow::prepareRun);
    connect(runSession, &CRunSession::started, this, &MainWindow::showProgress);
    connect(runSession, &CRunSession::recordTaken, this, &MainWindow::takeAccepted);
    connect(runSession, &CRunSession::fetchesEnded, this, &MainWindow::finishRun);
    // The places the index keeps moved; the views take the days in once saved.
    connect(runSession, &CRunSession::pastDaysMerged, this, [this] { periodIndex->clear(); });
    connect(runSession, &CRunSession::backfillProgressed, this, [this] {
        if (!progressFrame.isActive())
            progressFrame.start();
    });
    connect(runSession, &CRunSession::finished, this, [this](const CRunSession::Result &result) {
        enableRuns();
        if (result.backfill) {
            finishBackfill(result);
            return;
        }
        // The first run of a new user's list offers its past days, once.
        if (historyWasEmpty && !rankHistory.isEmpty() && ownsData() && uiState && !uiState->pastDaysOffered) {
            offeringPastDays = true;
            serviceDays->ask(settings.service, queryRun->clock().today());
        }
    });
    connect(runSession, &CRunSession::said, this, [this](const CRunSession::Line &line) {
        switch (line.kind) {
        case CRunSession::Kind::Domain:
            break; // the table and the status lines of the run show each domain
        case CRunSession::Kind::Summary:
            feed->appendLine(line.text);
            // Past days are no move of today's.
            if (!runSession->result().backfill)
                feed->appendLine(CRunMoves::summary(rankHistory, runSession->taken()));
            break;
        case CRunSession::Kind::SaveFailed:
            tellLater(line.text);
            break;
        case CRunSession::Kind::Unreachable:
            tellLater(CQueryRun::unreachable(settings.service));
            break;
        case CRunSession::Kind::Alert:
        case CRunSession::Kind::Stopped:
        case CRunSession::Kind::Note:
            feed->appendLine(line.text);
            break;
        }
    });
}

void MainWindow::tellLater(const QString &message)
{
    QTimer::singleShot(0, this, [this, message] { prompts->message(message); });
}

void MainWindow::startCrawl()
{
    if (const CResult<> started = runSession->start(ui->actionRank->isChecked()); !started)
        feed->appendLine(started.message());
}

void MainWindow::prepareRun()
{
    // A run the command line asked for takes the figures it asked for.
    ui->actionRank->setChecked(queryRun->rankMode());
    runSession->setOutlets({notifier.get(), mailer.get(), uiState ? uiState->mailTo : QString()});
    historyWasEmpty = rankHistory.isEmpty();
    if (runSession->isBackfill()) {
        showFillRow(true); // before the line, so that the smaller status text scrolls to it
        feed->appendLine(tr("Filling past days..."));
    } else {
        feed->startRun();
    }
    // Disabled before the first hand-over, so that a report arriving at once
    // cannot be followed by disabling a button that should be enabled.
    ui->btnManualQuery->setEnabled(false);
    ui->actionPerform_Query->setEnabled(false);
    ui->actionFill_Past_Days->setEnabled(false);
    if (queryButtonText.isNull())
        queryButtonText = ui->btnManualQuery->text();
}

void MainWindow::showProgress()
{
    if (runSession->isBackfill()) {
        const CBackfillProgress &progress = runSession->backfillProgress();
        ui->barFill->setMaximum(std::max(1, progress.pages()));
        ui->barFill->setValue(progress.pagesDone());
        ui->barFill->setFormat(progress.text());
        return;
    }
    if (queryRun->isRunning())
        ui->btnManualQuery->setText(QStringLiteral("%1 / %2").arg(queryRun->counts().done()).arg(queryRun->total()));
}

void MainWindow::crawlNextDomain(int socketId)
{
    queryRun->handOutNext(socketId);
}

void MainWindow::crawlComplete()
{
    queryRun->complete();
}

void MainWindow::finishRun()
{
    progressFrame.stop();
    if (!queryButtonText.isNull())
        ui->btnManualQuery->setText(queryButtonText);
    if (feed->isRunning())
        feed->endRun();
}

void MainWindow::enableRuns()
{
    ui->btnManualQuery->setEnabled(true);
    ui->actionPerform_Query->setEnabled(true);
    ui->actionFill_Past_Days->setEnabled(true);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (session->isSavingHistory() || (runSession && runSession->isSaving())) {
        event->ignore();
        closeWhenSaved();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::closeWhenSaved()
{
    if (std::exchange(closingWhenSaved, true))
        return;
    setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    connect(
        runSession, &CRunSession::finished, this,
        [this] {
            if (closingWhenSaved && !session->isSavingHistory())
                closeOnceSaved();
        },
        Qt::SingleShotConnection);
}

void MainWindow::closeOnceSaved()
{
    // After the saves' message boxes, which were asked for first.
    QTimer::singleShot(0, this, [this] {
        if (!std::exchange(closingWhenSaved, false))
            return;
        QGuiApplication::restoreOverrideCursor();
        setEnabled(true);
        close();
    });
}

// Past days

void MainWindow::on_actionFill_Past_Days_triggered()
{
    if (ui->cbDomain->count() == 1) {
        feed->appendLine(tr("Please provide domain names to begin"));
        return;
    }
    if (const CResult<> may = runSession->mayRun(); !may) {
        prompts->message(may.message());
        return;
    }
    offeringPastDays = false;
    serviceDays->ask(settings.service, queryRun->clock().today());
}

void MainWindow::takeServiceDays(const CResult<int> &pastDays)
{
    if (std::exchange(offeringPastDays, false)) {
        // An offer nobody asked for stays quiet about a service without past days.
        if (pastDays)
            offerPastDays(pastDays.value());
        return;
    }
    if (!pastDays) {
        prompts->message(pastDays.message());
        return;
    }
    if (const int days = prompts->askPastDays(this, pastDays.value()); days > 0)
        startBackfill(days);
}

void MainWindow::offerPastDays(int pastDays)
{
    uiState->pastDaysOffered = true;
    uiState->savePastDaysOffered();
    if (prompts->askYesNo(tr("The ranking service holds %1 past days. Fill them now for the domains of the list, so that "
                             "their history starts with those days?\n\nYou can do it later with Alexa Data → Fill Past Days.")
                              .arg(pastDays),
                          tr("Fill Past Days")))
        startBackfill(pastDays);
}

void MainWindow::startBackfill(int days)
{
    if (const CResult<> started = runSession->startBackfill(days, ui->actionRank->isChecked()); !started)
        feed->appendLine(started.message());
}

void MainWindow::finishBackfill(const CRunSession::Result &result)
{
    progressFrame.stop();
    showFillRow(false);
    finishRun();
    if (result.added > 0)
        showFilledDays(runSession->taken());
    showFirstStartHint();
}

void MainWindow::showFilledDays(const QList<CAlexaRankData> &filled)
{
    // The past days went among the days around them, so the places the
    // index keeps moved: it is made afresh when a view next asks.
    periodIndex->clear();
    // A year of days for dozens of domains shares a few hundred dates: each
    // date is read once, and the date list hears each domain's latest only.
    QHash<quint32, int> dayKeys; // by the date's key
    QHash<quint32, const CAlexaRankData *> latest; // by the domain's key
    bool newMonth = false;
    for (const CAlexaRankData &record : filled) {
        auto day = dayKeys.constFind(record.key(7));
        if (day == dayKeys.cend()) {
            day = dayKeys.insert(record.key(7), CRecordDate::key(record.date()));
            if (*day >= 0) {
                const QString label = CHistoryCalendar::monthLabel(record);
                newMonth = newMonth || !monthLabels.contains(label);
                ensureMonth(label);
            }
        }
        const CAlexaRankData *&best = latest[record.key(0)];
        if (!best || (*day >= 0 ? *day > dayKeys.value(best->key(7)) : CDomainDateList::isLater(record.date(), best->date())))
            best = &record;
    }
    for (const CAlexaRankData *record : std::as_const(latest))
        session->dates().update(record->domain(), record->date());
    if (newMonth)
        sortMonths();
    // Only the view on show is made again, not every view of the history.
    if (periodSelected)
        on_cbDomain_currentIndexChanged(ui->cbDomain->currentIndex());
    else
        onViewLogClick();
    Q_EMIT historyChanged();
}

void MainWindow::sortMonths()
{
    // Months of past days were added last: the tree and the month list go by the calendar.
    QList<QTreeWidgetItem *> months;
    while (ui->treeYearMonth->topLevelItemCount() > 0)
        months.append(ui->treeYearMonth->takeTopLevelItem(0));
    const auto key = [](const QTreeWidgetItem *item) {
        const CPeriod period = CPeriod::fromMonthLabel(item->text(0));
        return period.year() + period.month();
    };
    std::stable_sort(months.begin(), months.end(),
                     [&key](const QTreeWidgetItem *a, const QTreeWidgetItem *b) { return key(a) < key(b); });
    ui->treeYearMonth->addTopLevelItems(months);
    const QString shown = ui->lstMonthYear->currentItem() ? ui->lstMonthYear->currentItem()->text() : QString();
    const QSignalBlocker quiet(ui->lstMonthYear);
    ui->lstMonthYear->clear();
    for (const QTreeWidgetItem *month : std::as_const(months)) {
        ui->lstMonthYear->addItem(month->text(0));
        if (month->text(0) == shown)
            ui->lstMonthYear->setCurrentRow(ui->lstMonthYear->count() - 1);
    }
    if (ui->lstMonthYear->currentRow() < 0) // a history that was empty shows its first month, as at start
        ui->lstMonthYear->setCurrentRow(0);
}

void MainWindow::showFillRow(bool shown)
{
    ui->barFill->setRange(0, std::max(1, runSession->fetchCount()));
    ui->barFill->setValue(0);
    ui->barFill->setFormat(runSession->backfillProgress().text());
    ui->barFill->setVisible(shown);
    ui->btnCancelFill->setVisible(shown);
    placeStatusArea(width(), height());
}

void MainWindow::on_actionAlerts_triggered()
{
    AlertsDialog dialog(this, *session, prompts, {notifier.get(), mailer.get(), uiState->mailTo});
    if (dialog.exec() != QDialog::Accepted || dialog.mailTo() == uiState->mailTo)
        return;
    // Kept at once: a timer's digest reads it while the window is open.
    uiState->mailTo = dialog.mailTo();
    if (ownsData() && !uiState->saveMailTo())
        prompts->message(tr("The mail address could not be written to Sorvane.ini."));
}

void MainWindow::on_actionRank_triggered()
{
    ui->actionRank->setChecked(ui->actionRank->isChecked());
}

// Result intake and history tree

void MainWindow::rankProfile(CAlexaRankData record, int socketId)
{
    queryRun->takeResult(record, socketId);
    feed->keepNewestLineInView();
}

void MainWindow::takeAccepted(const CAlexaRankData &record)
{
    // The run session has put it into the history.
    Q_EMIT historyChanged();
    addRankRow(record);
    if (CRecordDate::parse(record.date()).isValid())
        ensureMonth(CHistoryCalendar::monthLabel(record));
    feed->keepNewestLineInView();
}

void MainWindow::ensureMonth(const QString &label)
{
    if (monthLabels.contains(label))
        return;
    monthLabels.insert(label);
    addMonthBranch(label);
    ui->lstMonthYear->addItem(label);
}

void MainWindow::addMonthBranch(const QString &label)
{
    auto *month = new QTreeWidgetItem(ui->treeYearMonth); // owned by the tree
    month->setText(0, label);
    const int days = daysInMonth(label);
    QList<QTreeWidgetItem *> children;
    children.reserve(days);
    for (int day = 1; day <= days; ++day) {
        auto *child = new QTreeWidgetItem();
        child->setText(0, CHistoryCalendar::dayLabel(day));
        children.append(child);
    }
    month->addChildren(children); // the month item takes them over
}

void MainWindow::buildHistoryTree()
{
    // Records come in runs of the same month: the label is formed once a run.
    QString previousMonth;
    for (const CAlexaRankData &record : std::as_const(rankHistory)) {
        const QString date = record.date();
        const QStringView month = QStringView(date).mid(3);
        if (!previousMonth.isNull() && month == previousMonth)
            continue;
        // A date that is no real date makes no month: each would add a
        // branch of 31 days. Its record stays in the history and in the
        // view of all records.
        if (!CRecordDate::parse(date).isValid())
            continue;
        ensureMonth(CHistoryCalendar::monthLabel(record));
        previousMonth = month.toString();
    }
}

void MainWindow::rebuildHistoryViews()
{
    session->dates().clear();
    for (const CAlexaRankData &record : std::as_const(rankHistory))
        session->dates().update(record.domain(), record.date());
    periodIndex->clear();
    feed->beginRebuild();
    ui->treeYearMonth->clear();
    ui->lstMonthYear->clear();
    monthLabels.clear();
    periodSelected = false;
    ui->cbDomain->setEnabled(false);
    buildHistoryTree();
    ui->lstMonthYear->setCurrentRow(0);
    feed->endRebuild();
    Q_EMIT historyChanged();
}

QString MainWindow::monthName(const QString &month) { return CHistoryCalendar::monthName(month); }
int MainWindow::daysInMonth(const QString &label) { return CHistoryCalendar::daysInMonth(label); }
QString MainWindow::ordinalSuffix(int day) { return CHistoryCalendar::ordinalSuffix(day); }

// History views and domain filter

void MainWindow::addRankRow(CAlexaRankData record)
{
    // A record just taken in is the history's last one.
    const qsizetype last = rankHistory.size() - 1;
    const qsizetype historyIndex = last >= 0 && rankHistory.at(last) == record ? last : -1;
    addFilteredRow(record, ui->cbDomain->currentText(), historyIndex);
}

void MainWindow::addFilteredRow(const CAlexaRankData &record, const QString &filter, qsizetype historyIndex)
{
    if (passesDomainFilter(record, filter))
        feed->addRecord(record, historyIndex);
}

template<typename Predicate>
void MainWindow::showRecords(Predicate accept)
{
    feed->beginRebuild();
    feed->clearRows();
    const QString filter = ui->cbDomain->currentText();
    for (qsizetype i = 0; i < rankHistory.size(); ++i) {
        const CAlexaRankData &record = rankHistory.at(i);
        if (accept(record))
            addFilteredRow(record, filter, i);
    }
    feed->endRebuild();
}

template<typename Predicate>
void MainWindow::showPeriodRecords(const CPeriod &period, Predicate accept)
{
    feed->beginRebuild();
    feed->clearRows();
    const QString filter = ui->cbDomain->currentText();
    for (const qsizetype i : periodIndex->candidates(rankHistory, period)) {
        const CAlexaRankData &record = rankHistory.at(i);
        if (period.matches(record) && accept(record))
            addFilteredRow(record, filter, i);
    }
    feed->endRebuild();
}

CPeriod MainWindow::periodOf(const QTreeWidgetItem *item) const
{
    if (!item)
        return CPeriod();
    if (const QTreeWidgetItem *parent = item->parent())
        return CPeriod::fromDayLabel(parent->text(0), item->text(0));
    return CPeriod::fromMonthLabel(item->text(0));
}

void MainWindow::onTreeViewLogClick(QTreeWidgetItem *item, int /*column*/)
{
    periodSelected = true;
    ui->cbDomain->setEnabled(true);
    showPeriodRecords(periodOf(item), [](const CAlexaRankData &) { return true; });
    updateChart();
}

void MainWindow::onViewLogClick()
{
    const QListWidgetItem *item = ui->lstMonthYear->currentItem();
    if (!item || item->text().isEmpty())
        return;
    showPeriodRecords(CPeriod::fromMonthLabel(item->text()), [](const CAlexaRankData &) { return true; });
}

void MainWindow::on_cbDomain_currentIndexChanged(int index)
{
    // Without a current tree item there is no period: nothing is shown.
    const CPeriod period = periodOf(ui->treeYearMonth->currentItem());
    if (index == 0) {
        if (!periodSelected)
            showRecords([](const CAlexaRankData &) { return true; });
        else
            showPeriodRecords(period, [](const CAlexaRankData &) { return true; });
        return;
    }
    const QString name = CDomainName::nameOf(ui->cbDomain->currentText());
    showPeriodRecords(period, [&](const CAlexaRankData &record) { return record.domain() == name; });
}

// Row deletion

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    QMainWindow::keyPressEvent(event);
    QTableWidget *table = ui->tblRankData;
    if (!table->hasFocus() || event->key() != Qt::Key_Delete)
        return;
    feed->showHeldResults(); // the row to delete is chosen among all rows taken in
    if (table->rowCount() == 0)
        return;
    if (!prompts->askYesNo(tr("Do wish you to remove this entry"), tr("Row Deletion")))
        return;
    const int row = table->currentRow();
    const QTableWidgetItem *domainCell = row >= 0 ? table->item(row, 0) : nullptr;
    const QTableWidgetItem *dateCell = row >= 0 ? table->item(row, 7) : nullptr;
    if (!domainCell || !dateCell)
        return; // no current row to delete
    const QString domain = domainCell->text();
    const QString date = dateCell->text();
    auto matches = [&](const CAlexaRankData &record) { return record.domain() == domain && record.date() == date; };
    // The row knows which record it shows; two records of one domain and
    // day must not be mistaken for each other. Only a row that does not
    // know is matched by its domain and date.
    qsizetype removed = CWidgetHelper::historyIndexOf(table, row);
    if (removed < 0 || removed >= rankHistory.size() || !matches(rankHistory.at(removed))) {
        const auto found = std::find_if(rankHistory.cbegin(), rankHistory.cend(), matches);
        removed = found != rankHistory.cend() ? found - rankHistory.cbegin() : -1;
    }
    if (removed >= 0) {
        rankHistory.removeAt(removed);
        periodIndex->removeAt(removed);
    }
    session->dates().remove(domain, date);
    CWidgetHelper::removeRecordRow(table, row, removed);
    scheduleSave(false, true);
    Q_EMIT historyChanged();
}

// Domain import and CSV export

void MainWindow::on_action_Import_Urls_triggered()
{
    const QString fileName = prompts->openFileName(this, tr("Import File..."), uiState->importFolder());
    if (fileName.isNull())
        return;
    uiState->rememberImportFile(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        prompts->message(tr("Nothing was imported: %1 could not be read (%2).")
                             .arg(QDir::toNativeSeparators(fileName), file.errorString()));
        return;
    }
    QTextStream stream(&file);

    QSet<QString> entries;
    for (int i = 0; i < ui->cbDomain->count(); ++i)
        entries.insert(ui->cbDomain->itemText(i));
    const CDomainImportFilter::Outcome outcome = CDomainImportFilter::importLines(stream, entries);
    for (const QString &entry : outcome.added)
        ui->cbDomain->insertItem(ui->cbDomain->count(), QIcon(), entry);
    if (!outcome.skipped.isEmpty())
        prompts->message(CDomainImportFilter::skippedMessage(outcome.skipped));
    showFirstStartHint();
    scheduleSave(true, false);
    Q_EMIT historyChanged();
}

void MainWindow::on_actionExport_CSV_triggered()
{
    feed->showHeldResults(); // every row taken in is exported
    QTableWidget *table = ui->tblRankData;
    if (table->rowCount() == 0) {
        prompts->message(tr("Please make visible the data rows you wish to export to a CSV file"));
        return;
    }
    const QString fileName = prompts->saveFileName(this, tr("Export CSV File"), QStringLiteral(".csv"),
                                                   uiState->exportFolder());
    if (fileName.isNull())
        return;
    uiState->rememberExportFile(fileName);
    QList<QStringList> rows;
    rows.reserve(table->rowCount());
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column) {
            const QTableWidgetItem *item = table->item(row, column);
            cells.append(item ? item->data(Qt::DisplayRole).toString() : QString());
        }
        rows.append(cells);
    }
    const CResult<> written = CCsvWriter::write(fileName, rows);
    prompts->message(written ? tr("Data saved successfully") : written.message());
}

void MainWindow::on_actionExport_History_triggered()
{
    CHistoryFilter filter;
    if (chartWindow && !chartWindow->checkedDomains().isEmpty()
        && prompts->askYesNo(tr("Export only the domains checked in the chart, over the chart's period?\n"
                                "No exports the whole history."),
                             tr("Export History"))) {
        const CTrendPeriod period = chartWindow->period();
        const QStringList domains = chartWindow->checkedDomains();
        filter = CHistoryFilter{QSet<QString>(domains.cbegin(), domains.cend()), period.from(), period.to()};
    }
    const QString fileName = prompts->saveFileName(this, tr("Export History"), tr("CSV (*.csv);;JSON (*.json)"),
                                                   uiState->exportFolder());
    if (fileName.isNull())
        return;
    uiState->rememberExportFile(fileName);
    const CResult<qsizetype> written =
        CHistoryExporter::writeFile(fileName, rankHistory, filter, CHistoryExporter::formatOfPath(fileName));
    prompts->message(written ? tr("%1 record(s) exported to %2").arg(written.value()).arg(QDir::toNativeSeparators(fileName))
                             : written.message());
}

void MainWindow::on_actionImport_History_triggered()
{
    if (!session->historySavable()) {
        prompts->message(tr("The history file was not read at start, so nothing can be merged into it in this session."));
        return;
    }
    const QString fileName = prompts->openFileName(this, tr("Import History..."), uiState->importFolder());
    if (fileName.isNull())
        return;
    uiState->rememberImportFile(fileName);
    QList<CAlexaRankData> records;
    if (const CResult<> read = CHistoryImporter::readFile(fileName, records); !read) {
        prompts->message(read.message());
        return;
    }
    const CHistoryMerge::Counts counts = CHistoryMerge::merge(rankHistory, std::move(records));
    if (counts.added > 0) {
        rebuildHistoryViews();
        scheduleSave(false, true);
    }
    prompts->message(CHistoryMerge::summary(counts));
}

// Domain manager

void MainWindow::on_btnManageDomains_clicked()
{
    // The manager always starts from the current list, however it was last closed.
    domainManager->clearDomains();
    for (int i = 1; i < ui->cbDomain->count(); ++i)
        domainManager->addDomain(ui->cbDomain->itemText(i));
    const CDomainGroups groups = readGroups();
    domainManager->setGroups(groups, groupsReadable);
    domainManager->setVisible(true);
}

CDomainGroups MainWindow::readGroups()
{
    QStringList notes;
    const CResult<CDomainGroups> groups = CDomainGroups::read(*session, notes);
    if (!groups)
        notes.append(groups.message());
    for (const QString &note : std::as_const(notes))
        feed->appendLine(note);
    groupsReadable = groups.ok() && session->lockState() == CDataSession::LockState::Held;
    return groups ? groups.value() : CDomainGroups();
}

void MainWindow::removeAllDomains()
{
    ui->cbDomain->clear();
    ui->cbDomain->insertItem(0, QIcon(), allDomainsEntry);
    showFirstStartHint();
    scheduleSave(true, false);
}

void MainWindow::addNewDomain(QString entry)
{
    ui->cbDomain->insertItem(ui->cbDomain->count(), QIcon(), entry);
    showFirstStartHint();
    scheduleSave(true, false);
    Q_EMIT historyChanged();
}

void MainWindow::on_action_Exit_triggered()
{
    close();
}

// History chart

void MainWindow::on_actionChart_triggered()
{
    showChart();
    const int chosen = ui->cbDomain->currentIndex() > 0 ? ui->cbDomain->currentIndex() : 1;
    if (chosen < ui->cbDomain->count())
        chartWindow->choose(ui->cbDomain->itemText(chosen));
}

void MainWindow::showChart()
{
    if (!chartWindow) {
        chartWindow = new ChartWindow(&rankHistory, this);
        connect(this, &MainWindow::historyChanged, chartWindow, [this] {
            updateChart();
            chartWindow->historyChanged();
        });
        // A saved chart is an export like a CSV file: both dialogs share their folder.
        connect(chartWindow, &ChartWindow::savedTo, this, [this](const QString &path) { uiState->rememberExportFile(path); });
    }
    chartWindow->setSaveFolder(uiState->exportFolder());
    QList<std::pair<QString, QStringList>> groups;
    const CDomainGroups read = readGroups();
    for (const QString &group : read.groups())
        groups.append({group, read.domainsOf(group)});
    chartWindow->setGroups(groups);
    updateChart();
    chartWindow->show();
    chartWindow->raise();
    chartWindow->activateWindow();
}

QStringList MainWindow::listedDomains() const
{
    QStringList domains;
    for (int i = 1; i < ui->cbDomain->count(); ++i)
        domains.append(CDomainName::nameOf(ui->cbDomain->itemText(i)));
    return domains;
}

void MainWindow::updateChart()
{
    if (!chartWindow)
        return;
    chartWindow->setDomainList(listedDomains());
    const CPeriod picked = periodSelected ? periodOf(ui->treeYearMonth->currentItem()) : CPeriod();
    chartWindow->setPickedPeriod(picked.isValid() ? CTrendPeriod::fromTexts(picked.year(), picked.month(), picked.day())
                                                  : CTrendPeriod::all());
}

// Overview

void MainWindow::on_actionOverview_triggered()
{
    if (!overviewWindow) {
        overviewWindow = new OverviewWindow(&rankHistory, this);
        connect(this, &MainWindow::historyChanged, overviewWindow, [this] {
            overviewWindow->setDomainList(listedDomains());
            overviewWindow->historyChanged();
        });
        connect(domainManager, &ManageDomains::groupsChanged, overviewWindow,
                [this] { overviewWindow->setGroups(domainManager->groups()); });
        connect(overviewWindow, &OverviewWindow::chartRequested, this, [this](const QString &domain) {
            showChart();
            chartWindow->uncheckAll();
            chartWindow->choose(domain);
        });
    }
    overviewWindow->setDomainList(listedDomains());
    overviewWindow->setGroups(readGroups());
    overviewWindow->show();
    overviewWindow->raise();
    overviewWindow->activateWindow();
}
