#include "OverviewWindow.h"
#include "ui_OverviewWindow.h"

#include "CLineDelegate.h"
#include "COverviewFilter.h"
#include "COverviewModel.h"
#include "COverviewTable.h"
#include "prompts/CCloseKeys.h"
#include "watch/CDomainGroups.h"

#include <QEvent>
#include <QHeaderView>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

namespace {

// A run takes records in many times a second; the rows, made from the whole
// history, follow at most twice a second.
constexpr int ChangeDelayMs = 500;

bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128; // a style sheet darkens the window's role
}

} // namespace

OverviewWindow::OverviewWindow(const QList<CAlexaRankData> *history, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(std::make_unique<Ui::OverviewWindow>())
    , m_history(history)
    , m_groups(std::make_unique<CDomainGroups>())
{
    ui->setupUi(this);
    m_model = new COverviewModel(this);
    m_filter = new COverviewFilter(this);
    m_filter->setSourceModel(m_model);
    ui->tblOverview->setModel(m_filter);
    ui->tblOverview->setItemDelegateForColumn(COverviewModel::LineColumn, new CLineDelegate(ui->tblOverview));
    ui->tblOverview->verticalHeader()->setVisible(false);
    ui->tblOverview->horizontalHeader()->setStretchLastSection(true);
    // Fitting the columns measures this many rows, not all of them.
    ui->tblOverview->horizontalHeader()->setResizeContentsPrecision(100);
    ui->tblOverview->sortByColumn(COverviewRow::GlobalColumn, Qt::AscendingOrder);
    ui->lblHint->setVisible(false);
    ui->cbGroup->addItem(tr("All groups"));
    fitTones();
    CCloseKeys::install(this);

    m_changeTimer.setSingleShot(true);
    m_changeTimer.setInterval(ChangeDelayMs);
    connect(&m_changeTimer, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
    });
    connect(ui->txtFilter, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_filter->setText(text);
        showCount();
    });
    connect(ui->cbGroup, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_filter->setGroup(index > 0 ? ui->cbGroup->itemText(index) : QString());
        showCount();
    });
    connect(ui->tblOverview, &QTableView::doubleClicked, this, &OverviewWindow::requestChart);
    connect(ui->tblOverview, &QTableView::activated, this, &OverviewWindow::requestChart);
}

OverviewWindow::~OverviewWindow() = default;

QTableView *OverviewWindow::table() const
{
    return ui->tblOverview;
}

void OverviewWindow::setDomainList(const QStringList &domains)
{
    if (domains == m_domains)
        return;
    m_domains = domains;
    historyChanged();
}

void OverviewWindow::setGroups(const CDomainGroups &groups)
{
    const QString chosen = ui->cbGroup->currentIndex() > 0 ? ui->cbGroup->currentText() : QString();
    const QSignalBlocker blocker(ui->cbGroup);
    ui->cbGroup->clear();
    ui->cbGroup->addItem(tr("All groups"));
    ui->cbGroup->addItems(groups.groups());
    ui->cbGroup->setEnabled(ui->cbGroup->count() > 1);
    chooseGroup(chosen);
    *m_groups = groups;
    historyChanged();
}

void OverviewWindow::chooseGroup(const QString &group)
{
    const int index = group.isEmpty() ? 0 : ui->cbGroup->findText(group, Qt::MatchExactly);
    ui->cbGroup->setCurrentIndex(std::max(index, 0));
    m_filter->setGroup(index > 0 ? group : QString());
    showCount();
}

void OverviewWindow::historyChanged()
{
    m_stale = true;
    // Not restarted: during a long run the rows still move every interval.
    if (!m_changeTimer.isActive())
        m_changeTimer.start();
}

void OverviewWindow::refresh()
{
    m_changeTimer.stop();
    m_stale = false;
    // The current row stays current when the rows are made again.
    const QModelIndex current = ui->tblOverview->currentIndex();
    const QString currentDomain = current.isValid() ? current.siblingAtColumn(COverviewRow::DomainColumn).data().toString()
                                                    : QString();
    QHash<QString, QStringList> groupsOf;
    for (const QString &domain : std::as_const(m_domains))
        groupsOf.insert(domain, m_groups->groupsOf(domain));
    m_model->setRows(COverviewTable::build(*m_history, m_domains, groupsOf));
    ui->lblHint->setVisible(m_domains.isEmpty());
    ui->lblHint->setText(tr("No domains yet. Add them with Alexa Data \u2192 Manage Domains (Ctrl+M) or "
                            "File \u2192 Import Urls (Ctrl+I); Perform Query (F5) then fetches their figures."));
    if (!currentDomain.isEmpty()) {
        const QModelIndexList found = m_filter->match(m_filter->index(0, COverviewRow::DomainColumn), Qt::DisplayRole,
                                                      currentDomain, 1, Qt::MatchExactly);
        if (!found.isEmpty())
            ui->tblOverview->setCurrentIndex(found.first());
    }
    if (!m_fitted && m_model->rowCount() > 0) {
        m_fitted = true;
        fitColumns();
    }
    showCount();
}

void OverviewWindow::fitColumns()
{
    // Once, on the first rows: then the widths are the user's. The window
    // grows to show every column, as far as its screen allows.
    QTableView *table = ui->tblOverview;
    table->resizeColumnsToContents();
    int width = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < m_model->columnCount(); ++column)
        width += table->columnWidth(column);
    const int wanted = width + layout()->contentsMargins().left() + layout()->contentsMargins().right();
    const int room = screen() ? screen()->availableGeometry().width() - 40 : wanted;
    if (wanted > this->width())
        resize(std::min(wanted, room), height());
}

void OverviewWindow::showCount()
{
    ui->lblCount->setText(tr("%1 of %2 domains").arg(m_filter->rowCount()).arg(m_model->rowCount()));
}

void OverviewWindow::requestChart(const QModelIndex &index)
{
    if (index.isValid())
        Q_EMIT chartRequested(index.siblingAtColumn(COverviewRow::DomainColumn).data().toString());
}

void OverviewWindow::fitTones()
{
    // Greens and reds that read on the window's own background.
    if (isDark(palette()))
        m_model->setTones(QColor(0x56d364), QColor(0xff7b72));
    else
        m_model->setTones(QColor(0x1a7f37), QColor(0xb42318));
}

void OverviewWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refresh();
}

void OverviewWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        fitTones();
}
