#include "MainWindow.h"
#include "ui_MainWindow.h"

#include "CAlexaSocket.h"
#include "CClippedTextDelegate.h"
#include "ChartWindow.h"
#include "io/CCsvWriter.h"
#include "CDataStore.h"
#include "CDomainDateList.h"
#include "io/CDomainImportFilter.h"
#include "CDomainName.h"
#include "CFieldText.h"
#include "CHistoryCalendar.h"
#include "CPeriod.h"
#include "CPeriodIndex.h"
#include "CRequestTarget.h"
#include "CRunMoves.h"
#include "CTableFeed.h"
#include "CTrendPeriod.h"
#include "CUserGuide.h"
#include "config/CUiState.h"
#include "prompts/CUserPrompts.h"
#include "ManageDomains.h"
#include "SorvaneResources.h"

#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLockFile>
#include <QMessageBox>
#include <QResizeEvent>
#include <QTextStream>

namespace {

const QString allDomainsEntry = CDomainName::entry(QStringLiteral("All Domains"));

struct HeaderColumn
{
    const char *text;
    const char16_t *icon;
};

constexpr HeaderColumn headerColumns[CAlexaRankData::FieldCount] = {
    {QT_TRANSLATE_NOOP("MainWindow", "Domain"), u":/formIcons/Icons/domains.png"},
    {QT_TRANSLATE_NOOP("MainWindow", "Global Rank"), u":/formIcons/Icons/global_rank.png"},
    {QT_TRANSLATE_NOOP("MainWindow", "US Rank"), u":/formIcons/Icons/us_rank.png"},
    {QT_TRANSLATE_NOOP("MainWindow", "Yesterday"), u":/formIcons/Icons/1_day.png"},
    {QT_TRANSLATE_NOOP("MainWindow", "7 Day"), u":/formIcons/Icons/7_day.png"},
    {QT_TRANSLATE_NOOP("MainWindow", "1 Month"), u":/formIcons/Icons/1_month.png"},
    {QT_TRANSLATE_NOOP("MainWindow", "3 Month"), u":/formIcons/Icons/3_month.png"},
    {QT_TRANSLATE_NOOP("MainWindow", "Date"), u":/formIcons/Icons/date.png"},
};

// One status line naming the lines of the domain list that were too long
// to be names, each shortened.
QString overlongDomainsLine(const QStringList &lines)
{
    constexpr int named = 5;
    constexpr qsizetype nameShown = 40;
    QStringList names;
    for (qsizetype i = 0; i < qMin<qsizetype>(lines.size(), named); ++i)
        names.append(QStringLiteral("%1 (%2 characters)")
                         .arg(CFieldText::shown(CDomainName::nameOf(lines.at(i)), nameShown))
                         .arg(CDomainName::nameOf(lines.at(i)).size()));
    if (lines.size() > named)
        names.append(QStringLiteral("and %1 more").arg(lines.size() - named));
    return QStringLiteral("Skipped in domains.dat, longer than a domain name can be (%1 characters): %2")
        .arg(CDomainName::MaxLength)
        .arg(names.join(QStringLiteral(", ")));
}

bool passesDomainFilter(const CAlexaRankData &record, const QString &filter)
{
    return filter == allDomainsEntry || CDomainName::nameOf(filter) == record.domain();
}

} // namespace

MainWindow::MainWindow(QWidget *parent, CSettings windowSettings)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
    , settings(std::move(windowSettings))
    , prompts(settings.prompts ? settings.prompts : std::make_shared<CUserPrompts>())
{
    initSorvaneResources();
    ui->setupUi(this);
    feed = new CTableFeed(ui->tblRankData, ui->txtStatus, widgetHelper, this);
    latestDates = std::make_unique<CDomainDateList>();
    periodIndex = std::make_unique<CPeriodIndex>();

    for (int i = 0; i < SocketCount; ++i) {
        auto *socket = new CAlexaSocket(this, i);
        sockets.append(socket);
        socketBusy.append(false);
        socket->setClock(settings.clock);
        socket->start(QThread::InheritPriority);
        connect(socket, &CAlexaSocket::crawlComplete, this, &MainWindow::crawlComplete);
        connect(socket, &CAlexaSocket::dataRetrieved, socket, &CAlexaSocket::processData);
        connect(socket, &CAlexaSocket::dataRetrievalError, socket, &CAlexaSocket::processError);
        connect(socket, &CAlexaSocket::rankProfile, this, &MainWindow::rankProfile);
    }

    domainManager = new ManageDomains(this, prompts);
    connect(domainManager, &ManageDomains::newDomainList, this, &MainWindow::removeAllDomains);
    connect(domainManager, &ManageDomains::newDomain, this, &MainWindow::addNewDomain);

    ui->treeYearMonth->setColumnCount(1);
    ui->tblRankData->setColumnCount(CAlexaRankData::FieldCount);
    setUpHeader();

    establishDataFolder();
    if (ownsDataFolder)
        CDataStore::loadHistory(CDataStore::historyPath(settings.dataDirectory), rankHistory, *latestDates);

    // The two view rebuilds below (all domains, then the first month) are put
    // into the table as one; only the second one's rows are ever seen.
    feed->beginRebuild();
    periodSelected = false;
    loadDomainList();
    ui->cbDomain->setEnabled(false);
    ui->txtStatus->setReadOnly(true);
    nextDomain = 1;
    connect(ui->lstMonthYear, &QListWidget::itemSelectionChanged, this, &MainWindow::onViewLogClick);
    connect(ui->treeYearMonth, &QTreeWidget::itemClicked, this, &MainWindow::onTreeViewLogClick);
    buildHistoryTree();
    ui->lstMonthYear->setCurrentRow(0);
    feed->endRebuild();
    if (!overlongDomains.isEmpty())
        feed->appendLine(overlongDomainsLine(std::exchange(overlongDomains, {})));

    ui->actionRank->setChecked(true);
    ui->lstMonthYear->setVisible(false);

    connectHelp();
    showFirstStartHint();
    restoreUiState();
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
    uiState = std::make_unique<CUiState>(settings.uiStatePath);
    if (!ownsDataFolder)
        return; // a window that closes at once neither reads nor changes how the user left it
    uiState->load();
    if (!uiState->geometry.isEmpty())
        restoreGeometry(uiState->geometry);
    QHeaderView *header = ui->tblRankData->horizontalHeader();
    if (uiState->columnWidths.size() == header->count()) {
        for (int column = 0; column < header->count(); ++column)
            header->resizeSection(column, uiState->columnWidths.at(column));
    }
    if (uiState->rankMode)
        ui->actionRank->setChecked(*uiState->rankMode);
}

void MainWindow::keepUiState()
{
    if (!ownsDataFolder || !uiState)
        return;
    uiState->geometry = saveGeometry();
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
    saveData();
    latestDates.reset();
    for (CAlexaSocket *socket : std::as_const(sockets)) {
        if (socket->isRunning()) {
            socket->exit(0);
            if (!socket->wait(ThreadStopWaitMs)) {
                socket->terminate();
                socket->wait();
            }
        }
        delete socket;
    }
    sockets.clear();
    delete domainManager;
    domainManager = nullptr;
    ui.reset();
}

void MainWindow::setUpHeader()
{
    QTableWidget *table = ui->tblRankData;
    for (int column = 0; column < CAlexaRankData::FieldCount; ++column) {
        auto *item = new QTableWidgetItem(tr(headerColumns[column].text));
        item->setIcon(QIcon(QString::fromUtf16(headerColumns[column].icon)));
        item->setTextAlignment(Qt::AlignVCenter);
        item->setSizeHint(QSize(100, 32));
        item->setToolTip(CUserGuide::columnToolTip(column));
        table->setHorizontalHeaderItem(column, item);
    }
    table->verticalHeader()->setVisible(false);
}

void MainWindow::establishDataFolder()
{
    const int failures = CDataStore::establishDataDirectory(settings.dataDirectory);
    for (int i = 0; i < failures; ++i)
        prompts->message(tr("Error establishing data directory, please restart the application"));
    if (failures > 0) {
        close();
        return;
    }

    // Two instances would each rewrite both files from their own memory;
    // the lock keeps a second one away. A lock left by a crashed instance
    // is taken over, since its process no longer runs.
    dataLock = std::make_unique<QLockFile>(settings.dataDirectory + QStringLiteral("/sorvane.lock"));
    dataLock->setStaleLockTime(0);
    if (!dataLock->tryLock(0) && dataLock->error() == QLockFile::LockFailedError) {
        ownsDataFolder = false;
        prompts->message(tr("Sorvane is already running with the data folder %1.\n"
                            "This window will close without reading or writing its files.")
                             .arg(settings.dataDirectory));
    }
}

void MainWindow::loadDomainList()
{
    const QStringList domains = ownsDataFolder ? CDataStore::loadDomainList(CDataStore::domainListPath(settings.dataDirectory))
                                               : QStringList();
    ui->cbDomain->insertItem(0, allDomainsEntry);
    for (const QString &domain : domains) {
        // Such a name could never be fetched, and would cost minutes to lay
        // out wherever it is shown: it is left out, and so not saved again.
        if (CDomainName::problemOf(CDomainName::nameOf(domain)) == CDomainName::Problem::TooLong) {
            overlongDomains.append(domain);
            continue;
        }
        ui->cbDomain->addItem(CDomainName::entry(domain));
    }
}

bool MainWindow::saveData()
{
    if (!ownsDataFolder)
        return true;
    QStringList domains;
    for (int i = 1; i < ui->cbDomain->count(); ++i)
        domains.append(ui->cbDomain->itemText(i));
    const CResult<> domainsSaved = CDataStore::saveDomainList(CDataStore::domainListPath(settings.dataDirectory), domains);
    if (!domainsSaved)
        prompts->message(domainsSaved.message());
    const CResult<> historySaved = CDataStore::saveHistory(CDataStore::historyPath(settings.dataDirectory), rankHistory);
    if (!historySaved)
        prompts->message(historySaved.message());
    return domainsSaved && historySaved;
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
    QRect status = ui->txtStatus->geometry();
    status.moveTop(h - 112);
    status.setWidth(w - 21);
    ui->txtStatus->setGeometry(status);
    QMainWindow::resizeEvent(event);
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

void MainWindow::startCrawl()
{
    const int batch = qMin(ui->cbDomain->count() - 1, SocketCount);
    nextDomain = 0;
    crawlFinished = false;
    runRecords.clear();
    feed->startRun();
    // Disabled before the first hand-over, so that a report arriving at once
    // cannot be followed by disabling a button that should be enabled.
    ui->btnManualQuery->setEnabled(false);
    ui->actionPerform_Query->setEnabled(false);
    int dispatched = 0;
    for (int i = 0; i < batch; ++i) {
        // Entries that trim to nothing are passed over instead of idling a socket.
        QString domain;
        while (domain.isEmpty() && nextDomain < ui->cbDomain->count() - 1)
            domain = CDomainName::nameOf(ui->cbDomain->itemText(++nextDomain));
        if (domain.isEmpty())
            break;
        dispatch(domain, i);
        ++dispatched;
    }
    feed->appendLine(tr("Performing alexa data crawl..."));
    if (dispatched == 0)
        crawlComplete();
}

void MainWindow::dispatch(const QString &domain, int socketId)
{
    Korv::QtLib::Web::CRequestTarget target;
    target.setUrl(settings.service.pageAddress(domain), 0, settings.service.refererAddress(domain));
    CAlexaSocket *socket = sockets.at(socketId);
    socket->reset();
    socket->setRankMode(ui->actionRank->isChecked());
    socket->setPath(target.path());
    socket->setHost(target.host());
    socket->setReferer(target.referer());
    socket->setPort(settings.service.port());
    socket->setDomain(domain);
    socketBusy[socketId] = true;
    socket->connectToHost();
}

void MainWindow::crawlNextDomain(int socketId)
{
    if (socketId < 0 || socketId >= sockets.size())
        return;
    while (nextDomain < ui->cbDomain->count() - 1) {
        const QString domain = CDomainName::nameOf(ui->cbDomain->itemText(++nextDomain));
        if (!domain.isEmpty()) {
            dispatch(domain, socketId);
            return;
        }
    }
    if (!crawlFinished)
        crawlComplete();
}

void MainWindow::crawlComplete()
{
    feed->appendLine(tr("alexa ranking queries completed"));
    crawlFinished = true;
    finishRunIfIdle();
}

bool MainWindow::anySocketBusy() const
{
    return socketBusy.contains(true);
}

void MainWindow::finishRunIfIdle()
{
    // The button waits for the last fetch still under way: a new run would
    // otherwise re-target a busy socket.
    if (!crawlFinished || anySocketBusy())
        return;
    ui->btnManualQuery->setEnabled(true);
    ui->actionPerform_Query->setEnabled(true);
    if (feed->isRunning()) {
        feed->endRun();
        feed->appendLine(CRunMoves::summary(rankHistory, runRecords));
        // Everything fetched is on disk before the user can lose it to a crash.
        saveData();
    }
}

void MainWindow::on_actionRank_triggered()
{
    ui->actionRank->setChecked(ui->actionRank->isChecked());
}

// Result intake and history tree

void MainWindow::rankProfile(CAlexaRankData record, int socketId)
{
    if (socketId >= 0 && socketId < socketBusy.size())
        socketBusy[socketId] = false;
    if (latestDates->contains(record.domain(), record.date())) {
        feed->addLine(tr("%1 has already been assessed for this date...").arg(record.domain()));
        crawlNextDomain(socketId);
    } else {
        latestDates->update(record.domain(), record.date());
        rankHistory.append(record);
        runRecords.append(record);
        Q_EMIT historyChanged();
        addRankRow(record);
        ensureMonth(CHistoryCalendar::monthLabel(record));
        crawlNextDomain(socketId);
    }
    feed->keepNewestLineInView();
    finishRunIfIdle();
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
        ensureMonth(CHistoryCalendar::monthLabel(record));
        previousMonth = month.toString();
    }
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
    latestDates->remove(domain, date);
    CWidgetHelper::removeRecordRow(table, row, removed);
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
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return; // reads as an empty file: nothing to import
    QTextStream stream(&file);

    QSet<QString> entries;
    for (int i = 0; i < ui->cbDomain->count(); ++i)
        entries.insert(ui->cbDomain->itemText(i));
    CDomainImportFilter filter;
    QStringList refused;
    for (QString line = stream.readLine(); !line.isNull(); line = stream.readLine()) {
        switch (filter.check(line)) {
        case CDomainImportFilter::Verdict::Rejected:
            break;
        case CDomainImportFilter::Verdict::RefusedComma:
            refused.append(line);
            break;
        case CDomainImportFilter::Verdict::Accepted:
            if (!entries.contains(filter.entry())) {
                entries.insert(filter.entry());
                ui->cbDomain->insertItem(ui->cbDomain->count(), QIcon(), filter.entry());
            }
            break;
        }
    }
    if (!refused.isEmpty()) {
        constexpr int shown = 10;
        QStringList names = refused.mid(0, shown);
        if (refused.size() > shown)
            names.append(tr("... and %1 more").arg(refused.size() - shown));
        prompts->message(tr("A domain name cannot contain \",\"; these lines were not imported:\n")
                         + names.join(u'\n'));
    }
    showFirstStartHint();
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

// Domain manager

void MainWindow::on_btnManageDomains_clicked()
{
    // The manager always starts from the current list, however it was last closed.
    domainManager->clearDomains();
    for (int i = 1; i < ui->cbDomain->count(); ++i)
        domainManager->addDomain(ui->cbDomain->itemText(i));
    domainManager->setVisible(true);
}

void MainWindow::removeAllDomains()
{
    ui->cbDomain->clear();
    ui->cbDomain->insertItem(0, QIcon(), allDomainsEntry);
    showFirstStartHint();
}

void MainWindow::addNewDomain(QString entry)
{
    ui->cbDomain->insertItem(ui->cbDomain->count(), QIcon(), entry);
    showFirstStartHint();
    Q_EMIT historyChanged();
}

void MainWindow::on_action_Exit_triggered()
{
    close();
}

// History chart

void MainWindow::on_actionChart_triggered()
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
    updateChart();
    const int chosen = ui->cbDomain->currentIndex() > 0 ? ui->cbDomain->currentIndex() : 1;
    if (chosen < ui->cbDomain->count())
        chartWindow->choose(ui->cbDomain->itemText(chosen));
    chartWindow->show();
    chartWindow->raise();
    chartWindow->activateWindow();
}

void MainWindow::updateChart()
{
    if (!chartWindow)
        return;
    QStringList domains;
    for (int i = 1; i < ui->cbDomain->count(); ++i)
        domains.append(ui->cbDomain->itemText(i));
    chartWindow->setDomainList(domains);
    const CPeriod picked = periodSelected ? periodOf(ui->treeYearMonth->currentItem()) : CPeriod();
    chartWindow->setPickedPeriod(picked.isValid() ? CTrendPeriod::fromTexts(picked.year(), picked.month(), picked.day())
                                                  : CTrendPeriod::all());
}
