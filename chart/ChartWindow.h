#pragma once

#include "CRankSeries.h"
#include "CTrendPeriod.h"
#include "base/CResult.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <utility>

class CAlexaRankData;
class CChartPicture;
class CRankChart;
class QStandardItemModel;
class QSortFilterProxyModel;

namespace Ui {
class ChartWindow;
}

// The history chart: one line per checked domain of one figure over a
// period, with the movers of that period beside it. It reads the history
// it is given and is told when that changes; it never changes it.
class ChartWindow : public QWidget
{
    Q_OBJECT

public:
    enum PeriodChoice { AllHistory, PickedPeriod, Range };
    enum MoverColumn { DomainColumn, NewestColumn, StartColumn, ChangeColumn, PercentColumn, BestColumn, WorstColumn };

    // history must outlive the window.
    explicit ChartWindow(const QList<CAlexaRankData> *history, QWidget *parent = nullptr);
    ~ChartWindow() override;

    // The domains of the domain list; those found only in the history are listed too.
    void setDomainList(const QStringList &domains);
    // The month or day picked in the history tree; an all-history period if none.
    void setPickedPeriod(const CTrendPeriod &period);
    // Checks domain (when listed) and draws.
    void choose(const QString &domain);
    void setChecked(const QString &domain, bool checked);
    // Unchecks every domain and draws.
    void uncheckAll();
    // The groups offered for checking at once: each group's domains.
    void setGroups(const QList<std::pair<QString, QStringList>> &groups);
    // Checks every listed domain of the group and draws.
    void checkGroup(const QString &group);
    void setFigure(int figure);
    void setPeriodChoice(PeriodChoice choice);
    void setRange(QDate from, QDate to);

    QStringList checkedDomains() const;
    QStringList listedDomains() const;
    CTrendPeriod period() const;
    CRankChart *rankChart() const { return m_chart; }
    QStandardItemModel *movers() const { return m_movers; }
    QString hoverText() const { return m_hoverText; }

    // The picture of what is drawn, its legend under it; the window's chart
    // size when no size is given. A failure's message names the file.
    CResult<> savePng(const QString &path, QSize size = QSize()) const;
    CResult<> saveSvg(const QString &path, QSize size = QSize()) const;

    // Draws at once what is chosen.
    void refresh();

    // Where the save dialogs open; the home folder until set.
    void setSaveFolder(const QString &folder) { m_saveFolder = folder; }

Q_SIGNALS:
    // The chart was saved to this file through a dialog.
    void savedTo(const QString &path);

public Q_SLOTS:
    // The history has changed: redrawn shortly, changes coming together drawn once.
    void historyChanged();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void reloadDomains();
    void fillMovers(const QList<CRankSeries> &series);
    void showColours(const QStringList &drawn);
    void fitMovers();
    CChartPicture picture(QSize size) const;
    void checkChosenGroup(int index);
    void showHover(const QString &text);
    void saveWithDialog(bool svg);

    std::unique_ptr<Ui::ChartWindow> ui;
    const QList<CAlexaRankData> *m_history;
    CRankChart *m_chart = nullptr;
    QStandardItemModel *m_movers = nullptr;
    QSortFilterProxyModel *m_sortedMovers = nullptr;
    QStringList m_domainList;
    QList<std::pair<QString, QStringList>> m_groups;
    CTrendPeriod m_picked;
    // Series of the figure and period drawn, by domain: adding a domain
    // reads the history for that domain only.
    QHash<QString, CRankSeries> m_series;
    int m_seriesFigure = -1;
    CTrendPeriod m_seriesPeriod;
    bool m_domainsStale = true;
    bool m_filling = false;
    QTimer m_changeTimer;
    QString m_hoverText;
    QString m_saveFolder;
};
