#include "io/COverviewWriter.h"

#include "io/CCsvWriter.h"
#include "io/CHistoryExporter.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

QString plain(double value)
{
    if (value == std::floor(value) && std::abs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 10);
}

QString signedPlaces(double value)
{
    return (value > 0 ? QStringLiteral("+") : QString()) + plain(value);
}

} // namespace

CResult<COverviewWriter::Format> COverviewWriter::formatNamed(const QString &name)
{
    if (name == u"text")
        return CResult<Format>::success(Format::Text);
    if (name == u"csv")
        return CResult<Format>::success(Format::Csv);
    if (name == u"json")
        return CResult<Format>::success(Format::Json);
    return CResult<Format>::failure(QStringLiteral("not a format: ") + name);
}

const QStringList &COverviewWriter::fieldNames()
{
    static const QStringList names = {
        QStringLiteral("domain"),     QStringLiteral("groups"),         QStringLiteral("date"),
        QStringLiteral("global_rank"), QStringLiteral("change"),        QStringLiteral("change_percent"),
        QStringLiteral("change_7d"),  QStringLiteral("change_30d"),     QStringLiteral("us_rank"),
        QStringLiteral("best_90d"),   QStringLiteral("worst_90d")};
    return names;
}

QString COverviewWriter::cell(const COverviewRow &row, int column)
{
    switch (column) {
    case COverviewRow::DomainColumn:
        return row.domain;
    case COverviewRow::GroupsColumn:
        return row.groups.join(u';');
    case COverviewRow::DateColumn:
        return row.hasRecord() ? CHistoryExporter::dateText(row.date) : QString();
    case COverviewRow::GlobalColumn:
    case COverviewRow::UsColumn: {
        const std::optional<double> rank = row.number(column);
        return rank ? plain(*rank) : row.hasRecord() ? QStringLiteral("NA") : QString();
    }
    case COverviewRow::PercentColumn:
        return row.percent ? (*row.percent > 0 ? QStringLiteral("+") : QString()) + QString::number(*row.percent, 'f', 1)
                           : QString();
    case COverviewRow::ChangeColumn:
    case COverviewRow::Change7Column:
    case COverviewRow::Change30Column: {
        const std::optional<double> change = row.number(column);
        return change ? signedPlaces(*change) : QString();
    }
    default: {
        const std::optional<double> value = row.number(column);
        return value ? plain(*value) : QString();
    }
    }
}

QString COverviewWriter::render(const QList<COverviewRow> &rows, Format format)
{
    switch (format) {
    case Format::Text:
        return renderText(rows);
    case Format::Csv:
        return renderCsv(rows);
    case Format::Json:
        return renderJson(rows);
    }
    return QString();
}

QString COverviewWriter::renderCsv(const QList<COverviewRow> &rows)
{
    QString out = fieldNames().join(u',') + u'\n';
    for (const COverviewRow &row : rows) {
        for (int column = 0; column < COverviewRow::ColumnCount; ++column) {
            if (column > 0)
                out += u',';
            CCsvWriter::appendCell(out, cell(row, column));
        }
        out += u'\n';
    }
    return out;
}

QString COverviewWriter::renderJson(const QList<COverviewRow> &rows)
{
    QJsonArray array;
    for (const COverviewRow &row : rows) {
        QJsonObject object;
        object.insert(fieldNames().at(COverviewRow::DomainColumn), row.domain);
        object.insert(fieldNames().at(COverviewRow::GroupsColumn), QJsonArray::fromStringList(row.groups));
        object.insert(fieldNames().at(COverviewRow::DateColumn),
                      row.hasRecord() ? QJsonValue(CHistoryExporter::dateText(row.date)) : QJsonValue());
        for (int column = COverviewRow::GlobalColumn; column < COverviewRow::ColumnCount; ++column) {
            const std::optional<double> value = row.number(column);
            object.insert(fieldNames().at(column),
                          value ? QJsonValue(column == COverviewRow::PercentColumn ? std::round(*value * 10) / 10 : *value)
                                : QJsonValue());
        }
        array.append(object);
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

QString COverviewWriter::renderText(const QList<COverviewRow> &rows)
{
    // Columns padded to their widest cell, numbers to the right; a domain
    // without a record says so in place of its figures.
    QList<QStringList> table{fieldNames()};
    for (const COverviewRow &row : rows) {
        QStringList cells;
        for (int column = 0; column < COverviewRow::ColumnCount; ++column)
            cells.append(cell(row, column));
        if (!row.hasRecord())
            cells[COverviewRow::DateColumn] = QCoreApplication::translate("COverviewWriter", "no record yet");
        table.append(cells);
    }
    QList<qsizetype> widths(COverviewRow::ColumnCount, 0);
    for (const QStringList &cells : std::as_const(table)) {
        for (int column = 0; column < COverviewRow::ColumnCount; ++column)
            widths[column] = std::max(widths.at(column), cells.at(column).size());
    }
    QString out;
    for (const QStringList &cells : std::as_const(table)) {
        QString line;
        for (int column = 0; column < COverviewRow::ColumnCount; ++column) {
            const bool left = column <= COverviewRow::DateColumn;
            if (column > 0)
                line += QStringLiteral("  ");
            line += left ? cells.at(column).leftJustified(widths.at(column))
                         : cells.at(column).rightJustified(widths.at(column));
        }
        out += line.trimmed() + u'\n'; // no padding after the last cell
    }
    return out;
}
