#include "ChartWindow.h"
#include "ui_ChartWindow.h"

#include "CAlexaRankData.h"
#include "CChartPicture.h"
#include "CCheckBoxStyle.h"
#include "CPictureSize.h"
#include "prompts/CCloseKeys.h"
#include "CMoverRow.h"
#include "CRankChart.h"
#include "CTrendFigure.h"

#include <QChart>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QToolTip>

namespace {

constexpr int ChangeDelayMs = 100;

// A dark desktop, or a style sheet, darkens the window's own colour.
bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QStandardItem *cell(const QString &text, double sortValue)
{
    auto *item = new QStandardItem(text); // the model takes it over
    item->setData(sortValue, Qt::UserRole);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QString signedNumber(double value, const QString &suffix = QString())
{
    const QString sign = value > 0 ? QStringLiteral("+") : value < 0 ? QStringLiteral("-") : QString();
    return sign + CMoverRow::number(std::abs(value)) + suffix;
}

} // namespace

ChartWindow::ChartWindow(const QList<CAlexaRankData> *history, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(std::make_unique<Ui::ChartWindow>())
    , m_history(history)
{
    ui->setupUi(this);
    auto *chart = new QChart; // the view takes it over
    ui->chartView->setChart(chart);
    ui->chartView->setRenderHint(QPainter::Antialiasing);
    ui->chartView->setMinimumWidth(520);
    m_chart = new CRankChart(chart, this);
    connect(m_chart, &CRankChart::hovered, this, &ChartWindow::showHover);

    for (int figure = 0; figure < CTrendFigure::Count; ++figure) {
        ui->cbFigure->addItem(CTrendFigure::label(figure));
        ui->cbFigure->setItemData(figure, CTrendFigure::note(figure), Qt::ToolTipRole);
    }
    ui->cbPeriod->addItems({tr("All history"), tr("Picked in the tree (none)"), tr("From / to")});
    const QDate today = QDate::currentDate();
    ui->dateFrom->setDate(today.addMonths(-1));
    ui->dateTo->setDate(today);
    ui->dateFrom->setEnabled(false);
    ui->dateTo->setEnabled(false);

    m_movers = new QStandardItemModel(0, 7, this);
    m_movers->setHorizontalHeaderLabels(CMoverRow::headings());
    m_movers->horizontalHeaderItem(ChangeColumn)
        ->setToolTip(tr("Positions gained since the start of the period: + is an improvement"));
    m_sortedMovers = new QSortFilterProxyModel(this);
    m_sortedMovers->setSourceModel(m_movers);
    m_sortedMovers->setSortRole(Qt::UserRole);
    ui->tblMovers->setModel(m_sortedMovers);
    ui->tblMovers->verticalHeader()->setVisible(false);
    ui->tblMovers->sortByColumn(PercentColumn, Qt::DescendingOrder);
    // The movers below the chart: beside it, their seven columns made the
    // window wider than a laptop's screen.
    ui->splitter->setStretchFactor(1, 1);
    ui->splitter->setSizes({150, 760});
    ui->splitterChart->setStretchFactor(0, 1);
    ui->splitterChart->setSizes({440, 160});
    ui->txtFilter->setFocus(); // typing narrows the domain list at once

    m_changeTimer.setSingleShot(true);
    m_changeTimer.setInterval(ChangeDelayMs);
    connect(&m_changeTimer, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
    });

    connect(ui->cbFigure, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    connect(ui->cbPeriod, &QComboBox::currentIndexChanged, this, [this](int index) {
        ui->dateFrom->setEnabled(index == Range);
        ui->dateTo->setEnabled(index == Range);
        refresh();
    });
    connect(ui->dateFrom, &QDateEdit::dateChanged, this, [this] {
        if (ui->cbPeriod->currentIndex() == Range)
            refresh();
    });
    connect(ui->dateTo, &QDateEdit::dateChanged, this, [this] {
        if (ui->cbPeriod->currentIndex() == Range)
            refresh();
    });
    connect(ui->lstDomains, &QListWidget::itemChanged, this, [this] {
        if (!m_filling)
            refresh();
    });
    connect(ui->txtFilter, &QLineEdit::textChanged, this, [this](const QString &text) {
        for (int row = 0; row < ui->lstDomains->count(); ++row) {
            QListWidgetItem *item = ui->lstDomains->item(row);
            item->setHidden(!item->text().contains(text.trimmed(), Qt::CaseInsensitive));
        }
    });
    ui->cbGroup->addItem(tr("Check a group..."));
    ui->cbGroup->setEnabled(false);
    ui->cbFigure->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ui->chkOnlyGroup->setEnabled(false);
    connect(ui->cbGroup, &QComboBox::activated, this, &ChartWindow::checkChosenGroup);
    connect(ui->btnUncheckAll, &QPushButton::clicked, this, &ChartWindow::uncheckAll);
    CCloseKeys::install(this);
    auto *checkStyle = new CCheckBoxStyle; // the window owns it; its widgets only use it
    checkStyle->setParent(this);
    ui->lstDomains->setStyle(checkStyle);
    ui->chkOnlyGroup->setStyle(checkStyle);
    m_chart->setDark(isDark(palette()));
    connect(ui->btnSavePng, &QPushButton::clicked, this, [this] { saveWithDialog(false); });
    connect(ui->btnSaveSvg, &QPushButton::clicked, this, [this] { saveWithDialog(true); });
}

ChartWindow::~ChartWindow() = default;

void ChartWindow::setDomainList(const QStringList &domains)
{
    if (domains == m_domainList && !m_domainsStale)
        return;
    m_domainList = domains;
    m_domainsStale = true;
    if (isVisible() && !m_changeTimer.isActive())
        m_changeTimer.start();
}

void ChartWindow::reloadDomains()
{
    if (!m_domainsStale)
        return;
    m_domainsStale = false;
    QStringList names;
    QSet<QString> seen;
    for (const QString &entry : std::as_const(m_domainList)) {
        const QString name = entry.trimmed();
        if (!name.isEmpty() && !seen.contains(name)) {
            seen.insert(name);
            names.append(name);
        }
    }

    const QStringList checked = checkedDomains();
    m_filling = true;
    ui->lstDomains->clear();
    const QString filter = ui->txtFilter->text().trimmed();
    for (const QString &name : std::as_const(names)) {
        auto *item = new QListWidgetItem(name, ui->lstDomains); // owned by the list
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked.contains(name) ? Qt::Checked : Qt::Unchecked);
        item->setHidden(!name.contains(filter, Qt::CaseInsensitive));
    }
    m_filling = false;
    m_chart->setDomains(names);
}

void ChartWindow::setPickedPeriod(const CTrendPeriod &period)
{
    if (period == m_picked)
        return;
    m_picked = period;
    ui->cbPeriod->setItemText(PickedPeriod, period.isAll() ? tr("Picked in the tree (none)")
                                                           : tr("Picked in the tree: %1").arg(period.label()));
    if (ui->cbPeriod->currentIndex() == PickedPeriod)
        refresh();
}

void ChartWindow::choose(const QString &domain)
{
    setChecked(domain.trimmed(), true);
}

void ChartWindow::setChecked(const QString &domain, bool checked)
{
    reloadDomains();
    const QList<QListWidgetItem *> found = ui->lstDomains->findItems(domain, Qt::MatchExactly);
    for (QListWidgetItem *item : found)
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked); // redraws through itemChanged
}

void ChartWindow::uncheckAll()
{
    reloadDomains();
    m_filling = true; // one redraw for all
    for (int row = 0; row < ui->lstDomains->count(); ++row)
        ui->lstDomains->item(row)->setCheckState(Qt::Unchecked);
    m_filling = false;
    refresh();
}

void ChartWindow::checkChosenGroup(int index)
{
    if (index > 0) {
        if (ui->chkOnlyGroup->isChecked()) {
            m_filling = true; // the group's check draws once for both
            for (int row = 0; row < ui->lstDomains->count(); ++row)
                ui->lstDomains->item(row)->setCheckState(Qt::Unchecked);
            m_filling = false;
        }
        checkGroup(ui->cbGroup->itemText(index));
    }
    ui->cbGroup->setCurrentIndex(0);
}

void ChartWindow::setGroups(const QList<std::pair<QString, QStringList>> &groups)
{
    m_groups = groups;
    ui->cbGroup->clear();
    ui->cbGroup->addItem(tr("Check a group..."));
    for (const auto &group : groups)
        ui->cbGroup->addItem(group.first);
    ui->cbGroup->setEnabled(!groups.isEmpty());
    ui->chkOnlyGroup->setEnabled(!groups.isEmpty());
}

void ChartWindow::checkGroup(const QString &group)
{
    reloadDomains();
    QStringList members;
    for (const auto &[name, domains] : std::as_const(m_groups)) {
        if (name == group)
            members = domains;
    }
    // One redraw for the whole group, not one per domain.
    m_filling = true;
    for (int row = 0; row < ui->lstDomains->count(); ++row) {
        QListWidgetItem *item = ui->lstDomains->item(row);
        if (members.contains(item->text()))
            item->setCheckState(Qt::Checked);
    }
    m_filling = false;
    refresh();
}

void ChartWindow::setFigure(int figure)
{
    ui->cbFigure->setCurrentIndex(figure);
}

void ChartWindow::setPeriodChoice(PeriodChoice choice)
{
    ui->cbPeriod->setCurrentIndex(choice);
}

void ChartWindow::setRange(QDate from, QDate to)
{
    ui->dateFrom->setDate(from);
    ui->dateTo->setDate(to);
}

QStringList ChartWindow::checkedDomains() const
{
    QStringList result;
    for (int row = 0; row < ui->lstDomains->count(); ++row) {
        const QListWidgetItem *item = ui->lstDomains->item(row);
        if (item->checkState() == Qt::Checked)
            result.append(item->text());
    }
    return result;
}

QStringList ChartWindow::listedDomains() const
{
    QStringList result;
    for (int row = 0; row < ui->lstDomains->count(); ++row)
        result.append(ui->lstDomains->item(row)->text());
    return result;
}

CTrendPeriod ChartWindow::period() const
{
    switch (ui->cbPeriod->currentIndex()) {
    case PickedPeriod:
        return m_picked;
    case Range:
        return CTrendPeriod(ui->dateFrom->date(), ui->dateTo->date());
    default:
        return CTrendPeriod::all();
    }
}

void ChartWindow::historyChanged()
{
    m_series.clear();
    m_domainsStale = true;
    // Not restarted: during a long run the chart still moves every interval.
    if (!m_changeTimer.isActive())
        m_changeTimer.start();
}

void ChartWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_domainsStale || m_series.isEmpty())
        refresh();
}

void ChartWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::PaletteChange)
        return;
    m_chart->setDark(isDark(palette()));
    if (isVisible())
        refresh(); // the theme took the lines away
}

void ChartWindow::refresh()
{
    m_changeTimer.stop();
    reloadDomains();
    const int figure = ui->cbFigure->currentIndex();
    const CTrendPeriod shown = period();
    if (figure != m_seriesFigure || !(shown == m_seriesPeriod)) {
        m_series.clear();
        m_seriesFigure = figure;
        m_seriesPeriod = shown;
    }
    if (m_series.isEmpty())
        m_chart->clear(); // what is drawn was read from another history, figure or period
    const QStringList domains = checkedDomains();
    QStringList missing;
    for (const QString &domain : domains) {
        if (!m_series.contains(domain))
            missing.append(domain);
    }
    if (missing.size() == 1) {
        m_series.insert(missing.first(), CRankSeries::build(*m_history, missing.first(), figure, shown));
    } else if (!missing.isEmpty()) {
        const QList<CRankSeries> built = CRankSeries::buildEach(*m_history, missing, figure, shown);
        for (const CRankSeries &series : built)
            m_series.insert(series.domain(), series);
    }
    QList<CRankSeries> drawn;
    drawn.reserve(domains.size());
    for (const QString &domain : domains)
        drawn.append(m_series.value(domain));
    m_chart->setFigure(figure);
    m_chart->setEmptyText(CChartPicture::emptyText(figure, shown, !domains.isEmpty()));
    m_chart->show(drawn, shown);
    m_chart->chart()->setTitle(CTrendFigure::label(figure) + QStringLiteral(" - ") + shown.label());
    showColours(domains);
    fillMovers(drawn);
}

void ChartWindow::showColours(const QStringList &drawn)
{
    // The list is the legend: a chart legend cuts names short once a few
    // domains are checked, the list never does.
    const bool filling = std::exchange(m_filling, true);
    for (int row = 0; row < ui->lstDomains->count(); ++row) {
        QListWidgetItem *item = ui->lstDomains->item(row);
        const qsizetype index = drawn.indexOf(item->text());
        if (index < 0) {
            item->setIcon(QIcon());
            item->setData(Qt::UserRole, QVariant());
            continue;
        }
        const QColor colour = m_chart->colourOf(item->text());
        QPixmap swatch(12, 12);
        swatch.fill(colour);
        item->setIcon(QIcon(swatch));
        item->setData(Qt::UserRole, colour); // the colour itself, for who reads the list
    }
    m_filling = filling;
}

void ChartWindow::fillMovers(const QList<CRankSeries> &series)
{
    m_movers->removeRows(0, m_movers->rowCount());
    for (const CRankSeries &one : series) {
        const CMoverRow row = CMoverRow::of(one);
        auto *name = new QStandardItem(row.domain); // the model takes it over
        name->setData(row.domain, Qt::UserRole);
        if (!row.valid) {
            auto *none = cell(tr("no data"), 0);
            m_movers->appendRow({name, none, cell(QString(), 0), cell(QString(), 0), cell(QString(), 0),
                                 cell(QString(), 0), cell(QString(), 0)});
            continue;
        }
        QStandardItem *change = cell(signedNumber(row.change), row.change);
        QStandardItem *percent = cell(signedNumber(row.percent), row.percent);
        percent->setText(QString(row.percent > 0 ? QStringLiteral("+") : QString())
                         + QString::number(row.percent, 'f', 1) + u'%');
        const QColor tone = row.change > 0 ? QColor(0x1a7f37) : row.change < 0 ? QColor(0xb42318) : QColor();
        if (tone.isValid()) {
            change->setForeground(tone);
            percent->setForeground(tone);
        }
        m_movers->appendRow({name, cell(CMoverRow::number(row.newest), row.newest),
                             cell(CMoverRow::number(row.start), row.start), change, percent,
                             cell(CMoverRow::number(row.best), row.best),
                             cell(CMoverRow::number(row.worst), row.worst)});
    }
    fitMovers();
}

void ChartWindow::fitMovers()
{
    // Wide enough for every column, so Best and Worst need no scrolling.
    ui->tblMovers->resizeColumnsToContents();
    int width = 2 * ui->tblMovers->frameWidth() + ui->tblMovers->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < m_movers->columnCount(); ++column)
        width += ui->tblMovers->columnWidth(column);
    ui->tblMovers->setMinimumWidth(width);
}

void ChartWindow::showHover(const QString &text)
{
    m_hoverText = text;
    if (text.isEmpty())
        QToolTip::hideText();
    else // escaped, so that markup in a domain name is shown, not obeyed
        QToolTip::showText(QCursor::pos(),
                           QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>"),
                           ui->chartView);
}

CChartPicture ChartWindow::picture(QSize size) const
{
    CChartPicture::Content content;
    for (const QString &domain : checkedDomains())
        content.series.append(m_series.value(domain, CRankSeries(domain)));
    content.period = m_seriesPeriod;
    for (int row = 0; row < ui->lstDomains->count(); ++row)
        content.listed.append(ui->lstDomains->item(row)->text());
    content.figure = std::max(m_seriesFigure, 0);
    content.dark = isDark(palette());
    return CChartPicture(content, size.isValid() ? size : ui->chartView->size());
}

CResult<> ChartWindow::savePng(const QString &path, QSize size) const
{
    return picture(size).savePng(path);
}

CResult<> ChartWindow::saveSvg(const QString &path, QSize size) const
{
    return picture(size).saveSvg(path);
}

void ChartWindow::saveWithDialog(bool svg)
{
    const QString filter = svg ? tr("SVG image (*.svg)") : tr("PNG image (*.png)");
    QString path = QFileDialog::getSaveFileName(this, tr("Save Chart"), m_saveFolder, filter);
    if (path.isEmpty())
        return;
    const QString suffix = svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    std::optional<QSize> size;
    for (QString typed = CPictureSize::text(ui->chartView->size()); !size;) {
        bool ok = false;
        typed = QInputDialog::getText(this, tr("Save Chart"),
                                      tr("Size of the picture in pixels, width x height (%1 to %2 a side):")
                                          .arg(CPictureSize::Smallest)
                                          .arg(CPictureSize::Largest),
                                      QLineEdit::Normal, typed, &ok);
        if (!ok)
            return;
        size = CPictureSize::parse(typed);
    }
    const CResult<> saved = svg ? saveSvg(path, *size) : savePng(path, *size);
    if (!saved) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Sorvane"), saved.message(), QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText); // the file name is the user's, markup and all
        box.exec();
        return;
    }
    m_saveFolder = QFileInfo(path).absolutePath();
    Q_EMIT savedTo(path);
}
