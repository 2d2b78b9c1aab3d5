#include "COverviewModel.h"

#include "CMoverRow.h"
#include "COverviewTable.h"
#include "CRecordDate.h"

#include <QPolygonF>

#include <cmath>

namespace {

bool isChange(int column)
{
    return column == COverviewRow::ChangeColumn || column == COverviewRow::PercentColumn
           || column == COverviewRow::Change7Column || column == COverviewRow::Change30Column;
}

QString signedNumber(double value)
{
    return (value > 0 ? QStringLiteral("+") : value < 0 ? QStringLiteral("-") : QString()) + CMoverRow::number(std::abs(value));
}

} // namespace

COverviewModel::COverviewModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void COverviewModel::setRows(QList<COverviewRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void COverviewModel::setTones(QColor up, QColor down)
{
    m_up = up;
    m_down = down;
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::ForegroundRole});
}

int COverviewModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int COverviewModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : LineColumn + 1;
}

QString COverviewModel::text(const COverviewRow &row, int column)
{
    switch (column) {
    case COverviewRow::DomainColumn:
        return row.domain;
    case COverviewRow::GroupsColumn:
        return row.groups.join(QStringLiteral(", "));
    case COverviewRow::DateColumn:
        return row.hasRecord() ? CRecordDate::text(row.date) : tr("no record yet");
    case COverviewRow::GlobalColumn:
    case COverviewRow::UsColumn: {
        const std::optional<double> rank = row.number(column);
        return rank ? CMoverRow::number(*rank) : row.hasRecord() ? QStringLiteral("NA") : QString();
    }
    case COverviewRow::PercentColumn:
        return row.percent ? CMoverRow::signedPercent(*row.percent) : QString();
    case COverviewRow::ChangeColumn:
    case COverviewRow::Change7Column:
    case COverviewRow::Change30Column:
        return row.number(column) ? signedNumber(*row.number(column)) : QString();
    default:
        return row.number(column) ? CMoverRow::number(*row.number(column)) : QString();
    }
}

QVariant COverviewModel::sortValue(const COverviewRow &row, int column) const
{
    switch (column) {
    case COverviewRow::DomainColumn:
        return row.domain;
    case COverviewRow::GroupsColumn:
        return row.groups.isEmpty() ? QVariant() : QVariant(row.groups.join(u','));
    case COverviewRow::DateColumn:
        return row.hasRecord() ? QVariant(row.date.toJulianDay()) : QVariant();
    case LineColumn: // the move over the 90 days drawn
        return row.last90.size() < 2 ? QVariant() : QVariant(row.last90.first().second - row.last90.last().second);
    default: {
        const std::optional<double> value = row.number(column);
        return value ? QVariant(*value) : QVariant();
    }
    }
}

QVariant COverviewModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const COverviewRow &row = m_rows.at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return column == LineColumn ? QVariant() : QVariant(text(row, column));
    case Qt::ToolTipRole:
        return column == LineColumn && !row.last90.isEmpty()
                   ? QVariant(tr("Best %1, worst %2").arg(text(row, COverviewRow::Best90Column), text(row, COverviewRow::Worst90Column)))
                   : QVariant();
    case SortRole:
        return sortValue(row, column);
    case GroupsRole:
        return row.groups;
    case LineRole: {
        // Days from the start of the 90 days across, the rank's logarithm
        // up, as the chart places them.
        QPolygonF line;
        const QDate start = row.date.addDays(1 - COverviewTable::RangeDays);
        for (const auto &[date, value] : row.last90)
            line.append(QPointF(double(start.daysTo(date)), std::log10(value)));
        return line;
    }
    case Qt::ForegroundRole: {
        const std::optional<double> change = isChange(column) ? row.number(column) : std::nullopt;
        if (!change || *change == 0)
            return QVariant();
        const QColor tone = *change > 0 ? m_up : m_down;
        return tone.isValid() ? QVariant(tone) : QVariant();
    }
    case Qt::TextAlignmentRole:
        return column <= COverviewRow::DateColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                                 : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant COverviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return section == LineColumn ? tr("Last 90 Days") : COverviewRow::headings().value(section);
    if (role == Qt::ToolTipRole) {
        switch (section) {
        case COverviewRow::ChangeColumn:
            return tr("Places gained since the previous record: + is an improvement");
        case COverviewRow::Change7Column:
            return tr("Places gained since the newest record at least 7 days before");
        case COverviewRow::Change30Column:
            return tr("Places gained since the newest record at least 30 days before");
        case COverviewRow::Best90Column:
        case COverviewRow::Worst90Column:
        case LineColumn:
            return tr("The global rank over the 90 days up to the newest record");
        default:
            return QVariant();
        }
    }
    return QVariant();
}
