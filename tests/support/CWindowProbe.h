#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class CAlexaRankData;
class MainWindow;
class QAction;
class QComboBox;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

// Reaches the main window's widgets by object name and reads them back as
// plain text, so the tests compare lists rather than walk widgets.
class CWindowProbe
{
public:
    explicit CWindowProbe(MainWindow *window);

    QTableWidget *table() const;
    QTextEdit *status() const;
    QComboBox *domains() const;
    QTreeWidget *tree() const;
    QListWidget *months() const;
    QPushButton *queryButton() const;
    QPushButton *manageButton() const;
    QAction *action(const char *name) const;

    QStringList tableRows() const;     // each row's cells joined by ","
    QStringList statusLines() const;   // one per paragraph; empty for an empty text
    QStringList domainEntries() const; // every combo box entry, "  All Domains" included
    QStringList topLabels() const;     // the tree's month labels
    QStringList monthList() const;     // the hidden list's labels
    QStringList dayLabels(const QString &monthLabel) const;
    QStringList historyLines() const;

    QTreeWidgetItem *monthItem(const QString &label) const;
    QTreeWidgetItem *dayItem(const QString &monthLabel, const QString &dayLabel) const;
    // A real mouse click on the item; the window must be shown.
    void click(QTreeWidgetItem *item) const;

    // The status line that echoes a row.
    static QString echo(const QString &line);
    // A history line with figures derived from tag, so records stay apart.
    static QString line(const QString &domain, const QString &date, int tag = 1);
    static QByteArray fileOf(const QStringList &lines); // each line ended by "\n"
    static CAlexaRankData record(const QString &line);

private:
    MainWindow *m_window;
};
