#include "CWindowProbe.h"

#include "CAlexaRankData.h"
#include "MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

CWindowProbe::CWindowProbe(MainWindow *window)
    : m_window(window)
{
}

QTableWidget *CWindowProbe::table() const
{
    return m_window->findChild<QTableWidget *>(QStringLiteral("tblRankData"));
}

QTextEdit *CWindowProbe::status() const
{
    return m_window->findChild<QTextEdit *>(QStringLiteral("txtStatus"));
}

QComboBox *CWindowProbe::domains() const
{
    return m_window->findChild<QComboBox *>(QStringLiteral("cbDomain"));
}

QTreeWidget *CWindowProbe::tree() const
{
    return m_window->findChild<QTreeWidget *>(QStringLiteral("treeYearMonth"));
}

QListWidget *CWindowProbe::months() const
{
    return m_window->findChild<QListWidget *>(QStringLiteral("lstMonthYear"));
}

QPushButton *CWindowProbe::queryButton() const
{
    return m_window->findChild<QPushButton *>(QStringLiteral("btnManualQuery"));
}

QPushButton *CWindowProbe::manageButton() const
{
    return m_window->findChild<QPushButton *>(QStringLiteral("btnManageDomains"));
}

QAction *CWindowProbe::action(const char *name) const
{
    return m_window->findChild<QAction *>(QString::fromLatin1(name));
}

QStringList CWindowProbe::tableRows() const
{
    QStringList rows;
    const QTableWidget *view = table();
    for (int row = 0; row < view->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < view->columnCount(); ++column) {
            const QTableWidgetItem *item = view->item(row, column);
            cells.append(item ? item->text() : QStringLiteral("<no item>"));
        }
        rows.append(cells.join(u','));
    }
    return rows;
}

QStringList CWindowProbe::statusLines() const
{
    const QString text = status()->toPlainText();
    if (text.isEmpty())
        return {};
    return text.split(u'\n');
}

QStringList CWindowProbe::domainEntries() const
{
    QStringList entries;
    for (int i = 0; i < domains()->count(); ++i)
        entries.append(domains()->itemText(i));
    return entries;
}

QStringList CWindowProbe::topLabels() const
{
    QStringList labels;
    for (int i = 0; i < tree()->topLevelItemCount(); ++i)
        labels.append(tree()->topLevelItem(i)->text(0));
    return labels;
}

QStringList CWindowProbe::monthList() const
{
    QStringList labels;
    for (int i = 0; i < months()->count(); ++i)
        labels.append(months()->item(i)->text());
    return labels;
}

QStringList CWindowProbe::dayLabels(const QString &monthLabel) const
{
    QStringList labels;
    if (const QTreeWidgetItem *month = monthItem(monthLabel)) {
        for (int i = 0; i < month->childCount(); ++i)
            labels.append(month->child(i)->text(0));
    }
    return labels;
}

QStringList CWindowProbe::historyLines() const
{
    QStringList lines;
    for (const CAlexaRankData &record : m_window->history())
        lines.append(record.toString());
    return lines;
}

QTreeWidgetItem *CWindowProbe::monthItem(const QString &label) const
{
    for (int i = 0; i < tree()->topLevelItemCount(); ++i) {
        if (tree()->topLevelItem(i)->text(0) == label)
            return tree()->topLevelItem(i);
    }
    return nullptr;
}

QTreeWidgetItem *CWindowProbe::dayItem(const QString &monthLabel, const QString &dayLabel) const
{
    QTreeWidgetItem *month = monthItem(monthLabel);
    for (int i = 0; month && i < month->childCount(); ++i) {
        if (month->child(i)->text(0) == dayLabel)
            return month->child(i);
    }
    return nullptr;
}

void CWindowProbe::click(QTreeWidgetItem *item) const
{
    QTreeWidget *view = tree();
    if (item->parent())
        item->parent()->setExpanded(true);
    view->scrollToItem(item);
    const QPoint centre = view->visualItemRect(item).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
}

QString CWindowProbe::echo(const QString &line)
{
    return line.section(u',', 0, 0) + QStringLiteral(" -> {") + line + u'}';
}

QString CWindowProbe::line(const QString &domain, const QString &date, int tag)
{
    QStringList fields{domain};
    for (int i = 1; i <= 6; ++i)
        fields.append(QString::number(tag * 10 + i));
    fields.append(date);
    return fields.join(u',');
}

QByteArray CWindowProbe::fileOf(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &text : lines)
        bytes += text.toUtf8() + '\n';
    return bytes;
}

CAlexaRankData CWindowProbe::record(const QString &line)
{
    return CAlexaRankData::fromLine(line);
}
